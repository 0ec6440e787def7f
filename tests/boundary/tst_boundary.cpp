// Built against the public headers and the shared library only.
#include <qorvloglevel.h>
#include <qorvlogmanager.h>
#include <qorvlogmanagerregistry.h>
#include <qorvlogstatusbar.h>
#include <qorvlogwidget.h>

#include <QApplication>
#include <QTest>

namespace
{

class ApplicationWidget : public QORVLogWidget
{
    Q_OBJECT

public:
    void addLogMessage(const QString &, const QORVLogLevel &) override { }
};

class ApplicationManager : public QORVLogManager
{
    Q_OBJECT

public:
    QString name() const override { return QStringLiteral("Application Manager"); }
};

} // namespace

class tst_Boundary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void levelsConvert();
    void managerAndRegistryWork();
    void widgetsCanBeSubclassed();
};

void tst_Boundary::levelsConvert()
{
    QCOMPARE(QORVLogLevel(MsgStatusReport).toString(), QStringLiteral("STATUS REPORT"));
    bool ok = false;
    QCOMPARE(QORVLogLevel::fromLoggedSeverity(QStringLiteral("STATS"), &ok).getLevel(), QORVLogLevel::StatLevel);
    QVERIFY(ok);
}

void tst_Boundary::managerAndRegistryWork()
{
    QORVLogManager *manager = QORVLogManager::instance();
    QVERIFY(manager);
    QCOMPARE(QORVLogManager::instance(), manager);
    manager->setLevel(QORVLogLevel::DebugLevel, QStringLiteral("app"));
    QVERIFY(manager->isDebugEnabled(QStringLiteral("app")));
    manager->info(QStringLiteral("hello"), QStringLiteral("app"));
    ApplicationManager own;
    QORVLogManagerRegistry::instance()->registerLogManager(QStringLiteral("app"), &own);
    QCOMPARE(QORVLogManagerRegistry::instance()->getLogManager(QStringLiteral("app"))->name(),
        QStringLiteral("Application Manager"));
    QORVLogManagerRegistry::instance()->unregisterLogManager(QStringLiteral("app"));
}

void tst_Boundary::widgetsCanBeSubclassed()
{
    ApplicationWidget widget;
    QVERIFY(widget.inherits("QORVLogWidget"));
    QVERIFY(QORVLogStatusBar::staticMetaObject.inherits(&QStatusBar::staticMetaObject));
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    tst_Boundary test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_boundary.moc"
