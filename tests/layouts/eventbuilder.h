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
    // A location is written as version 1 of the stream form.
    QByteArray file;
    qint32 line = 0;
    QByteArray function;

    LogEngine::LoggingEvent build() const
    {
        QByteArray payload;
        QDataStream fields(&payload, QIODevice::WriteOnly);
        const bool located = !file.isEmpty() || !function.isEmpty();
        fields << quint16(located ? 1 : 0) << quint8(level) << logger << message << ndc << properties << sequenceNumber
               << thread << timeStamp;
        if (located)
            fields << file << line << function;
        LogEngine::LoggingEvent event;
        readFrom(streamed(payload), event);
        return event;
    }
};

#endif
