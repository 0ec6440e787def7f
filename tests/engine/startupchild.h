#ifndef QORVLOG_TESTS_STARTUPCHILD_H
#define QORVLOG_TESTS_STARTUPCHILD_H

#include <QByteArray>
#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSettings>
#include <QString>
#include <QStringList>

// Children that bring the engine up see only the variables a row gives them,
// and application settings below their own configuration folder.
inline QProcessEnvironment startUpEnvironment(const QString &configHome, const QStringList &variables = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QStringList names = environment.keys();
    for (const QString &name : names) {
        if (name.startsWith(QLatin1String("LOGENGINE_"), Qt::CaseInsensitive)
            || name == QLatin1String("QT_FATAL_WARNINGS"))
            environment.remove(name);
    }
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    for (const QString &entry : variables) {
        const int equals = entry.indexOf(QLatin1Char('='));
        environment.insert(entry.left(equals), entry.mid(equals + 1));
    }
    return environment;
}

// The organisation and application names the children use.
inline void setChildApplicationNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("qorvlog-test"));
    QCoreApplication::setApplicationName(QStringLiteral("startup"));
}

inline void writeChildSetting(const QString &configHome, const QString &key, const QString &value)
{
    QSettings settings(configHome + QLatin1String("/qorvlog-test/startup.conf"), QSettings::IniFormat);
    settings.setValue(QLatin1String("LogEngine/") + key, value);
}

// Internal lines start with the milliseconds since start-up, which vary.
inline QByteArray maskTimeStamps(const QByteArray &text)
{
    static const QRegularExpression stamp(QStringLiteral("^\\d+ "), QRegularExpression::MultilineOption);
    return QString::fromUtf8(text).replace(stamp, QStringLiteral("T ")).toUtf8();
}

#endif
