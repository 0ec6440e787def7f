#ifndef QORVLOG_TESTS_EVENTBUILDER_H
#define QORVLOG_TESTS_EVENTBUILDER_H

#include "common/streaming.h"
#include "engine/loggingevent.h"

#include <QHash>

// Builds an event with every field chosen, through its stream form (the
// library itself never fills the diagnostic contexts).
struct EventBuilder {
    int level = LogEngine::Level::INFO_INT;
    QString logger;
    QString message = QStringLiteral("text");
    QString ndc;
    QHash<QString, QString> properties;
    qint64 sequenceNumber = 1;
    QString thread = QStringLiteral("main");
    qint64 timeStamp = 0;

    LogEngine::LoggingEvent build() const
    {
        QByteArray payload;
        QDataStream fields(&payload, QIODevice::WriteOnly);
        fields << quint16(0) << quint8(level) << logger << message << ndc << properties << sequenceNumber << thread
               << timeStamp;
        LogEngine::LoggingEvent event;
        readFrom(streamed(payload), event);
        return event;
    }
};

#endif
