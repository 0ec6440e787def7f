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
    void pointersShareOwnership();
    void concurrentCopiesKeepCountExact();
};

// Each pointer holds one reference, whatever is assigned to it, itself
// included; the last one to go deletes the object, which its QObject parent
// does not keep alive.
void tst_LogObject::pointersShareOwnership()
{
    QObject parent;
    QPointer<Counted> watch = new Counted(&parent);
    QCOMPARE(watch->referenceCount(), 0);
    {
        LogObjectPtr<Counted> second;
        second = nullptr;
        QVERIFY(second.isNull());
        {
            LogObjectPtr<Counted> first(watch.data());
            first = first;
            first = watch.data();
            QVERIFY(watch);
            second = first;
            first = second;
            QCOMPARE(watch->referenceCount(), 2);
        }
        QVERIFY(watch);
        QCOMPARE(watch->referenceCount(), 1);
    }
    QVERIFY(!watch);
    QVERIFY(parent.children().isEmpty());
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
