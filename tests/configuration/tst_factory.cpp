#include "common/capturingappender.h"
#include "common/qt5names.h"
#include "engine/appenders/fileappender.h"
#include "engine/appenders/filter.h"
#include "engine/appenders/listappender.h"
#include "engine/configuration/factory.h"
#include "engine/layouts/patternlayout.h"
#include "engine/logobjectptr.h"

#include <QTest>

using namespace LogEngine;

class tst_Factory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createsByEitherClassName_data();
    void createsByEitherClassName();
    void unknownClassNames_data();
    void unknownClassNames();
    void setObjectProperty_data();
    void setObjectProperty();
};

namespace
{

// Each captured message from DEBUG up, as "LEVEL logger: text".
QStringList lines(const Capture &capture)
{
    QStringList result;
    for (const CapturedMessage &m : capture->messages())
        if (m.level >= Level::DEBUG_INT)
            result.append(withQt5TypeNames(
                Level(m.level).toString() + QLatin1Char(' ') + m.logger + QLatin1String(": ") + m.message));
    return result;
}

QString propertyText(const QVariant &value)
{
    if (value.userType() == qMetaTypeId<Level>())
        return value.value<Level>().toString();
    return value.toString();
}

} // namespace

void tst_Factory::createsByEitherClassName_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("log4jName");
    QTest::addColumn<QString>("className");

    const char *const rows[][3] = {
        { "appender", "org.apache.log4j.ConsoleAppender", "LogEngine::ConsoleAppender" },
        { "appender", "org.apache.log4j.DailyRollingFileAppender", "LogEngine::DailyRollingFileAppender" },
        { "appender", "org.apache.log4j.varia.DebugAppender", "LogEngine::DebugAppender" },
        { "appender", "org.apache.log4j.FileAppender", "LogEngine::FileAppender" },
        { "appender", "org.apache.log4j.varia.ListAppender", "LogEngine::ListAppender" },
        { "appender", "org.apache.log4j.varia.NullAppender", "LogEngine::NullAppender" },
        { "appender", "org.apache.log4j.RollingFileAppender", "LogEngine::RollingFileAppender" },
        { "filter", "org.apache.log4j.varia.DenyAllFilter", "LogEngine::DenyAllFilter" },
        { "filter", "org.apache.log4j.varia.LevelMatchFilter", "LogEngine::LevelMatchFilter" },
        { "filter", "org.apache.log4j.varia.LevelRangeFilter", "LogEngine::LevelRangeFilter" },
        { "filter", "org.apache.log4j.varia.StringMatchFilter", "LogEngine::StringMatchFilter" },
        { "layout", "org.apache.log4j.PatternLayout", "LogEngine::PatternLayout" },
        { "layout", "org.apache.log4j.SimpleLayout", "LogEngine::SimpleLayout" },
        { "layout", "org.apache.log4j.TTCCLayout", "LogEngine::TTCCLayout" },
    };
    for (const auto &row : rows)
        QTest::newRow(row[2]) << row[0] << row[1] << row[2];
}

void tst_Factory::createsByEitherClassName()
{
    QFETCH(QString, kind);
    QFETCH(QString, log4jName);
    QFETCH(QString, className);
    Capture capture;
    for (const QString &name : { log4jName, className }) {
        LogObjectPtr<LogObject> object;
        if (kind == QLatin1String("appender"))
            object = Factory::createAppender(name);
        else if (kind == QLatin1String("filter"))
            object = Factory::createFilter(name);
        else
            object = Factory::createLayout(name);
        QVERIFY2(object, qPrintable(name));
        QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
        QVERIFY(!object->parent());
        // A fresh object each time, owned by its first holder.
        QCOMPARE(object->referenceCount(), 1);
    }
    QCOMPARE(lines(capture), QStringList());
}

void tst_Factory::unknownClassNames_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("warning");

    // Names are matched exactly, and the tables are separate.
    QTest::newRow("lower-case-engine-name") << "appender"
                                            << "logengine::consoleappender"
                                            << "Request for the creation of Appender with class "
                                               "'logengine::consoleappender', which is not registered";
    QTest::newRow("trailing-blank") << "appender"
                                    << "org.apache.log4j.ConsoleAppender "
                                    << "Request for the creation of Appender with class "
                                       "'org.apache.log4j.ConsoleAppender ', which is not registered";
    QTest::newRow("appender-name-as-layout") << "layout"
                                             << "org.apache.log4j.ConsoleAppender"
                                             << "Request for the creation of Layout with class "
                                                "'org.apache.log4j.ConsoleAppender', which is not registered";
    QTest::newRow("filter-name-as-layout") << "layout"
                                           << "LogEngine::DenyAllFilter"
                                           << "Request for the creation of Layout with class "
                                              "'LogEngine::DenyAllFilter', which is not registered";
    QTest::newRow("empty-filter-name") << "filter"
                                       << ""
                                       << "Request for the creation of Filter with class '', which is not registered";
}

void tst_Factory::unknownClassNames()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, warning);
    Capture capture;
    const void *object = kind == QLatin1String("appender") ? static_cast<void *>(Factory::createAppender(name))
        : kind == QLatin1String("filter")                  ? static_cast<void *>(Factory::createFilter(name))
                                                           : static_cast<void *>(Factory::createLayout(name));
    QVERIFY(!object);
    QCOMPARE(lines(capture), QStringList { QLatin1String("WARN LogEngine::Factory: ") + warning });
}

void tst_Factory::setObjectProperty_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("messages");

    const auto setting = [](const char *property, const char *className, const char *value) {
        return QStringLiteral("DEBUG LogEngine::Factory: Setting property '%1' on object of class '%2' to value '%3'")
            .arg(QLatin1String(property), QLatin1String(className), QLatin1String(value));
    };
    const auto propertyError = [](const char *cause) -> QString {
        return QLatin1String("ERROR LogEngine::Factory: Unable to set property value on object "
                             "(LogEngine::Factory::CONFIGURATOR_PROPERTY_ERROR, 28): ")
            + QLatin1String(cause) + QLatin1String(" (LogEngine::Factory)");
    };
    const char *file = "LogEngine::FileAppender";

    // The name as given, then with its first character lowered.
    QTest::newRow("log4j-form-File") << file << "File"
                                     << "app.log"
                                     << "file"
                                     << "app.log" << QStringList { setting("file", file, "app.log") };
    QTest::newRow("other-case-differences-fail")
        << file << "FILE"
        << "app.log"
        << "file"
        << "" << QStringList { propertyError("Property 'fILE' does not exist in class 'LogEngine::FileAppender'") };
    QTest::newRow("dotted-name-fails-whole")
        << file << "filter.1"
        << "x"
        << "file"
        << "" << QStringList { propertyError("Property 'filter.1' does not exist in class 'LogEngine::FileAppender'") };
    QTest::newRow("read-only") << file << "IsActive"
                               << "true"
                               << "isActive"
                               << "false"
                               << QStringList { propertyError(
                                      "Property 'isActive' is not writable in class 'LogEngine::FileAppender'") };
    QTest::newRow("empty-name") << file << ""
                                << "x"
                                << "file"
                                << "" << QStringList { propertyError("Invalid empty property name") };
    QTest::newRow("null-object") << ""
                                 << "File"
                                 << "x"
                                 << ""
                                 << "" << QStringList { propertyError("Invalid null object pointer") };

    // Conversion by the property's type.
    QTest::newRow("level") << file << "Threshold"
                           << "warn"
                           << "threshold"
                           << "WARN" << QStringList { setting("threshold", file, "warn") };
    QTest::newRow("level-rejected")
        << file << "Threshold"
        << "loud"
        << "threshold"
        << "NULL"
        << QStringList { setting("threshold", file, "loud"),
               QStringLiteral(
                   "WARN LogEngine::Level: Use of invalid level string 'LOUD'. Using 'Level::NULL_INT' instead."),
               QStringLiteral("ERROR LogEngine::OptionConverter: Invalid option string 'loud' for a level "
                              "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)") };
    QTest::newRow("bool") << file << "ImmediateFlush"
                          << "false"
                          << "immediateFlush"
                          << "false" << QStringList { setting("immediateFlush", file, "false") };
    QTest::newRow("bool-rejected-without-write-warning")
        << file << "ImmediateFlush"
        << "maybe"
        << "immediateFlush"
        << "true"
        << QStringList { setting("immediateFlush", file, "maybe"),
               QStringLiteral("ERROR LogEngine::OptionConverter: Invalid option string 'maybe' for a boolean "
                              "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)") };
    QTest::newRow("int") << "LogEngine::ListAppender"
                         << "MaxCount"
                         << " 7 "
                         << "maxCount"
                         << "7" << QStringList { setting("maxCount", "LogEngine::ListAppender", " 7 ") };
    QTest::newRow("int-rejected")
        << "LogEngine::ListAppender"
        << "MaxCount"
        << "7x"
        << "maxCount"
        << "0"
        << QStringList { setting("maxCount", "LogEngine::ListAppender", "7x"),
               QStringLiteral("ERROR LogEngine::OptionConverter: Invalid option string '7x' for an integer "
                              "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)") };
    QTest::newRow("string-unchanged") << "LogEngine::PatternLayout"
                                      << "ConversionPattern"
                                      << " %m%n "
                                      << "conversionPattern"
                                      << " %m%n "
                                      << QStringList { setting(
                                             "conversionPattern", "LogEngine::PatternLayout", " %m%n ") };
    QTest::newRow("codec-not-convertible")
        << file << "Encoding"
        << "UTF-8"
        << "encoding"
        << ""
        << QStringList { setting("encoding", file, "UTF-8"),
               QStringLiteral(
                   "ERROR LogEngine::Factory: Cannot convert to type 'QTextCodec*' for property 'encoding' on object "
                   "of "
                   "class 'LogEngine::FileAppender' (LogEngine::Factory::CONFIGURATOR_UNKNOWN_TYPE_ERROR, 29)") };

    // The log4j key of the file appenders' append mode reaches the same setting.
    QTest::newRow("Append-sets-appendFile") << file << "Append"
                                            << "true"
                                            << "appendFile"
                                            << "true" << QStringList { setting("append", file, "true") };
}

void tst_Factory::setObjectProperty()
{
    QFETCH(QString, className);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QFETCH(QString, property);
    QFETCH(QString, expected);
    QFETCH(QStringList, messages);
    LogObjectPtr<LogObject> object;
    if (className == QLatin1String("LogEngine::PatternLayout"))
        object = Factory::createLayout(className);
    else if (!className.isEmpty())
        object = Factory::createAppender(className);
    Capture capture;
    Factory::setObjectProperty(object, name, value);
    QCOMPARE(lines(capture), messages);
    if (object)
        QCOMPARE(propertyText(object->property(property.toLatin1().constData())), expected);
}

QObject *newFactoryTest()
{
    return new tst_Factory;
}

#include "tst_factory.moc"
