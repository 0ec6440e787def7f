#ifndef QORVLOG_TESTS_QT5NAMES_H
#define QORVLOG_TESTS_QT5NAMES_H

#include "engine/appenders/writerappender.h"

#include <QMetaType>
#include <QString>

// Expected texts name the type of a codec property as Qt 5 does
// ("QTextCodec*"); built with Qt 6, the engine reports the type that stands
// in for it. Gives `text` with Qt 5's name.
inline QString withQt5TypeNames(QString text)
{
    const QString codec = QString::fromLatin1(QMetaType::typeName(qMetaTypeId<LogEngine::TextCodec *>()));
    return text.replace(codec, QStringLiteral("QTextCodec*"));
}

#endif
