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
    void createsRegisteredClassesOnly_data();
    void createsRegisteredClassesOnly();
    void setObjectProperty_data();
    void setObjectProperty();
};

namespace
{

QString propertyText(const QVariant &value)
{
    if (value.userType() == qMetaTypeId<Level>())
        return value.value<Level>().toString();
    return value.toString();
}

} // namespace

void tst_Factory::createsRegisteredClassesOnly_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className"); // empty where none is registered

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
        // Names are matched exactly, and the tables are separate.
        { "appender", "logengine::consoleappender", "" },
        { "appender", "org.apache.log4j.ConsoleAppender ", "" },
        { "layout", "org.apache.log4j.ConsoleAppender", "" },
        { "layout", "LogEngine::DenyAllFilter", "" },
        { "filter", "", "" },
    };
    for (const auto &row : rows)
        QTest::addRow("%s '%s'", row[0], row[1]) << row[0] << row[1] << row[2];
}

// A registered class by its log4j name and by its own; anything else is
// refused with a warning.
void tst_Factory::createsRegisteredClassesOnly()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QFETCH(QString, className);
    Capture capture;
    const auto create = [&kind](const QString &name) -> LogObject * {
        if (kind == QLatin1String("appender"))
            return Factory::createAppender(name);
        if (kind == QLatin1String("filter"))
            return Factory::createFilter(name);
        return Factory::createLayout(name);
    };
    if (className.isEmpty()) {
        QVERIFY(!create(name));
        QCOMPARE(capture->lines(),
            QStringList { QStringLiteral("WARN Factory: Request for the creation of %1 with class '%2', "
                                         "which is not registered")
                              .arg(kind.at(0).toUpper() + kind.mid(1), name) });
        return;
    }
    for (const QString &each : { name, className }) {
        LogObjectPtr<LogObject> object;
        object = create(each);
        QVERIFY2(object, qPrintable(each));
        QCOMPARE(QString::fromLatin1(object->metaObject()->className()), className);
        QVERIFY(!object->parent());
        // A fresh object each time, owned by its first holder.
        QCOMPARE(object->referenceCount(), 1);
    }
    QCOMPARE(capture->lines(), QStringList());
}

void tst_Factory::setObjectProperty_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("messages");

    const auto row = [](const char *tag, const char *className, const char *name, const char *value,
                         const char *property, const char *expected, const QStringList &messages) {
        QTest::newRow(tag) << className << name << value << property << expected << messages;
    };
    const auto setting = [](const char *property, const char *className, const char *value) {
        return QStringLiteral("DEBUG Factory: Setting property '%1' on object of class '%2' to value '%3'")
            .arg(QLatin1String(property), QLatin1String(className), QLatin1String(value));
    };
    const auto propertyError = [](const char *cause) -> QString {
        return QLatin1String("ERROR Factory: Unable to set property value on object "
                             "(LogEngine::Factory::CONFIGURATOR_PROPERTY_ERROR, 28): ")
            + QLatin1String(cause) + QLatin1String(" (LogEngine::Factory)");
    };
    const auto invalid = [](const char *value, const char *what) {
        return QStringLiteral("ERROR OptionConverter: Invalid option string '%1' for %2 "
                              "(LogEngine::OptionConverter::CONFIGURATOR_INVALID_OPTION_ERROR, 23)")
            .arg(QLatin1String(value), QLatin1String(what));
    };
    const char *file = "LogEngine::FileAppender";
    const char *list = "LogEngine::ListAppender";

    // The name as given, then with its first character lowered.
    row("log4j-form-File", file, "File", "app.log", "file", "app.log", { setting("file", file, "app.log") });
    row("other-case-differences-fail", file, "FILE", "app.log", "file", "",
        { propertyError("Property 'fILE' does not exist in class 'LogEngine::FileAppender'") });
    row("dotted-name-fails-whole", file, "filter.1", "x", "file", "",
        { propertyError("Property 'filter.1' does not exist in class 'LogEngine::FileAppender'") });
    row("read-only", file, "IsActive", "true", "isActive", "false",
        { propertyError("Property 'isActive' is not writable in class 'LogEngine::FileAppender'") });
    row("empty-name", file, "", "x", "file", "", { propertyError("Invalid empty property name") });
    row("null-object", "", "File", "x", "", "", { propertyError("Invalid null object pointer") });

    // Conversion by the property's type.
    row("level", file, "Threshold", "warn", "threshold", "WARN", { setting("threshold", file, "warn") });
    row("level-rejected", file, "Threshold", "loud", "threshold", "NULL",
        { setting("threshold", file, "loud"),
            QStringLiteral("WARN Level: Use of invalid level string 'LOUD'. Using 'Level::NULL_INT' instead."),
            invalid("loud", "a level") });
    row("bool", file, "ImmediateFlush", "false", "immediateFlush", "false",
        { setting("immediateFlush", file, "false") });
    row("bool-rejected-without-write-warning", file, "ImmediateFlush", "maybe", "immediateFlush", "true",
        { setting("immediateFlush", file, "maybe"), invalid("maybe", "a boolean") });
    row("int", list, "MaxCount", " 7 ", "maxCount", "7", { setting("maxCount", list, " 7 ") });
    row("int-rejected", list, "MaxCount", "7x", "maxCount", "0",
        { setting("maxCount", list, "7x"), invalid("7x", "an integer") });
    row("string-unchanged", "LogEngine::PatternLayout", "ConversionPattern", " %m%n ", "conversionPattern", " %m%n ",
        { setting("conversionPattern", "LogEngine::PatternLayout", " %m%n ") });
    row("codec-not-convertible", file, "Encoding", "UTF-8", "encoding", "",
        { setting("encoding", file, "UTF-8"),
            QStringLiteral("ERROR Factory: Cannot convert to type 'QTextCodec*' for property 'encoding' on "
                           "object of class 'LogEngine::FileAppender' "
                           "(LogEngine::Factory::CONFIGURATOR_UNKNOWN_TYPE_ERROR, 29)") });

    // The log4j key of the file appenders' append mode reaches the same setting.
    row("Append-sets-appendFile", file, "Append", "true", "appendFile", "true", { setting("append", file, "true") });
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
    QCOMPARE(withQt5TypeNames(capture->lines().join(QLatin1Char('\n'))), messages.join(QLatin1Char('\n')));
    if (object)
        QCOMPARE(propertyText(object->property(property.toLatin1().constData())), expected);
}

QObject *newFactoryTest()
{
    return new tst_Factory;
}

#include "tst_factory.moc"
