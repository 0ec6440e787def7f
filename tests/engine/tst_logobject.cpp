#include "engine/logger.h"
#include "engine/logobject.h"
#include "engine/logobjectptr.h"

#include <QPointer>
#include <QTest>
#include <thread>
#include <vector>

using LogEngine::LogObject;
using LogEngine::LogObjectPtr;

namespace
{

class Counted : public LogObject
{
    Q_OBJECT

public:
    using LogObject::LogObject;
    QDebug debug(QDebug &debug) const override { return debug << "Counted()"; }
};

} // namespace

class tst_LogObject : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selfAssignmentKeepsObject();
    void lastPointerDeletes();
    void parentDoesNotKeepAlive();
    void uncountedObjectIsNotDeleted();
    void classLoggerIsNamedAfterMostDerivedClass();
    void concurrentCopiesKeepCountExact();
};

void tst_LogObject::selfAssignmentKeepsObject()
{
    QPointer<Counted> watch = new Counted;
    LogObjectPtr<Counted> first(watch.data());
    LogObjectPtr<Counted> second(first);
    QCOMPARE(watch->referenceCount(), 2);
    first = first;
    first = second;
    second = watch.data();
    QVERIFY(watch);
    QCOMPARE(watch->referenceCount(), 2);
}

void tst_LogObject::lastPointerDeletes()
{
    QPointer<Counted> watch = new Counted;
    auto *first = new LogObjectPtr<Counted>(watch.data());
    auto *second = new LogObjectPtr<Counted>(*first);
    delete first;
    QVERIFY(watch);
    QCOMPARE(watch->referenceCount(), 1);
    delete second;
    QVERIFY(!watch);
}

void tst_LogObject::parentDoesNotKeepAlive()
{
    QObject parent;
    QPointer<Counted> watch = new Counted(&parent);
    {
        LogObjectPtr<Counted> holder(watch.data());
    }
    QVERIFY(!watch);
    QVERIFY(parent.children().isEmpty());
}

void tst_LogObject::uncountedObjectIsNotDeleted()
{
    Counted onStack;
    LogObjectPtr<Counted> empty;
    empty = nullptr;
    QVERIFY(empty.isNull());
    QCOMPARE(onStack.referenceCount(), 0);
}

void tst_LogObject::classLoggerIsNamedAfterMostDerivedClass()
{
    Counted object;
    LogEngine::Logger *logger = object.logger();
    QCOMPARE(logger->name(), QStringLiteral("Counted"));
    QCOMPARE(object.logger(), logger);
}

void tst_LogObject::concurrentCopiesKeepCountExact()
{
    QPointer<Counted> watch = new Counted;
    LogObjectPtr<Counted> holder(watch.data());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&holder] {
            for (int i = 0; i < 20000; ++i) {
                LogObjectPtr<Counted> copy(holder);
                LogObjectPtr<Counted> other = copy;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    QVERIFY(watch);
    QCOMPARE(watch->referenceCount(), 1);
}

QObject *newLogObjectTest()
{
    return new tst_LogObject;
}

#include "tst_logobject.moc"
