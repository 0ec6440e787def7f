#include "engine/level.h"
#include "engine/detail/classlogger.h"

#include "engine/logerror.h"
#include "engine/logger.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDebug>
#include <QEvent>
#include <QThread>

#include <atomic>
#include <shared_mutex>

namespace LogEngine
{

namespace
{

struct LevelName {
    int value;
    const char *name;
};

// The order is the one in which fromString tries the names.
constexpr LevelName levelNames[] = {
    { Level::OFF_INT, "OFF" },
    { Level::FATAL_INT, "FATAL" },
    { Level::ERROR_INT, "ERROR" },
    { Level::WARN_INT, "WARN" },
    { Level::INFO_INT, "INFO" },
    { Level::DEBUG_INT, "DEBUG" },
    { Level::TRACE_INT, "TRACE" },
    { Level::ALL_INT, "ALL" },
    { Level::NULL_INT, "NULL" },
};

constexpr int nameCount = int(sizeof levelNames / sizeof levelNames[0]);
constexpr int nullNameIndex = nameCount - 1;

int nameIndex(int value)
{
    for (int i = 0; i < nameCount; ++i) {
        if (levelNames[i].value == value)
            return i;
    }
    return nullNameIndex;
}

/*
 * The level names of one language, translated once. Only the translators
 * of the application object change what QCoreApplication::translate gives,
 * and installing or removing one sends QEvent::LanguageChange to that
 * object (without one none can be installed at all). A filter on it counts
 * those events; names made for another application object, or before the
 * last change, are made again.
 *
 * A set of names is never freed once published, since other threads may be
 * reading it; there is about one per language change, each linked to the
 * one it replaced.
 */
struct TranslatedNames {
    const QCoreApplication *application;
    int generation;
    QString names[nameCount];
    const TranslatedNames *previous;
};

std::atomic<int> s_languageGeneration { 0 };
std::atomic<const TranslatedNames *> s_translatedNames { nullptr };
// The application object that the filter watches, and the one for which
// the filter's installation has been posted to the application's thread.
std::atomic<const QCoreApplication *> s_watchedApplication { nullptr };
std::atomic<const QCoreApplication *> s_installationPosted { nullptr };

class LanguageWatcher : public QObject
{
public:
    explicit LanguageWatcher(QCoreApplication *application)
        : QObject(application)
    {
    }
    // Destroyed with its application object: whatever was made for it is stale.
    ~LanguageWatcher() override
    {
        s_watchedApplication.store(nullptr, std::memory_order_release);
        s_languageGeneration.fetch_add(1, std::memory_order_acq_rel);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::LanguageChange && watched == parent())
            s_languageGeneration.fetch_add(1, std::memory_order_acq_rel);
        return false;
    }
};

/*
 * Threads that log are not the application's: main may return, and destroy
 * the application object, while they go on. QCoreApplication::instance()
 * read on one of them may be that object in the middle of its destruction,
 * and neither translate nor any other use of it may follow. The gate opens
 * for an application object in its constructor and closes at the start of
 * its destructor, both on its own thread and while instance() gives that
 * object; every use of the object off the fast path happens inside the
 * gate, which the destructor waits for. Never destroyed: threads may log
 * until the process has ended.
 */
std::shared_mutex &applicationGate()
{
    static std::shared_mutex *const gate = new std::shared_mutex;
    return *gate;
}
const QCoreApplication *s_openApplication = nullptr;

void closeApplication()
{
    const std::unique_lock<std::shared_mutex> locker(applicationGate());
    s_openApplication = nullptr;
}

// A startup function: called by each application object's constructor, or
// at once when one exists already.
void openApplication()
{
    const std::unique_lock<std::shared_mutex> locker(applicationGate());
    s_openApplication = QCoreApplication::instance();
    // Qt forgets its post routines once they have run: registered for each
    // application object.
    qAddPostRoutine(closeApplication);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(openApplication)

namespace
{

// On the application's thread only: an event filter must live in the thread
// of the object it filters, and the object's filter list is not guarded.
void watchLanguage(QCoreApplication *application)
{
    if (s_watchedApplication.load(std::memory_order_acquire) == application
        || QCoreApplication::instance() != application)
        return;
    application->installEventFilter(new LanguageWatcher(application));
    s_watchedApplication.store(application, std::memory_order_release);
}

// The current names for `application`, or null.
const TranslatedNames *currentNames(const QCoreApplication *application)
{
    const TranslatedNames *names = s_translatedNames.load(std::memory_order_acquire);
    if (Q_LIKELY(names && names->application == application
            && names->generation == s_languageGeneration.load(std::memory_order_acquire)))
        return names;
    return nullptr;
}

// Called inside the gate, with the application object open or none at all:
// without one, the names are those of no language.
const TranslatedNames *makeTranslatedNames(QCoreApplication *application)
{
    const TranslatedNames *names = s_translatedNames.load(std::memory_order_acquire);
    if (application && s_watchedApplication.load(std::memory_order_acquire) != application) {
        if (QThread::currentThread() == application->thread()) {
            watchLanguage(application);
        } else {
            if (s_installationPosted.exchange(application, std::memory_order_acq_rel) != application)
                QMetaObject::invokeMethod(
                    application, [application] { watchLanguage(application); }, Qt::QueuedConnection);
            return nullptr;
        }
    }
    // Read before translating: a change that comes in between makes the
    // names stale at once. Only the gate is held while translators run, and
    // shared; threads that translate at the same time each publish a valid
    // set.
    const int generation = s_languageGeneration.load(std::memory_order_acquire);
    auto *made = new TranslatedNames { application, generation, {}, names };
    for (int i = 0; i < nameCount; ++i) {
        made->names[i] = application ? QCoreApplication::translate("Level", levelNames[i].name)
                                     : QString(QLatin1String(levelNames[i].name));
    }
    while (!s_translatedNames.compare_exchange_weak(made->previous, made, std::memory_order_acq_rel))
        ;
    return made;
}

// The name at `index` in the current language: one of the current names,
// or else made in `storage`. The fast path only compares the application
// object's address; anything more happens inside the gate, and an
// application object that is being destroyed is left alone.
const QString &translatedName(int index, QString &storage)
{
    if (const TranslatedNames *names = currentNames(QCoreApplication::instance()))
        return names->names[index];
    const std::shared_lock<std::shared_mutex> locker(applicationGate());
    QCoreApplication *application = QCoreApplication::instance();
    if (application && application != s_openApplication) {
        storage = QLatin1String(levelNames[index].name);
        return storage;
    }
    if (const TranslatedNames *names = makeTranslatedNames(application))
        return names->names[index];
    storage = QCoreApplication::translate("Level", levelNames[index].name);
    return storage;
}

const ClassLogger levelLogger("LogEngine::Level");

} // namespace

QString Level::toString() const
{
    QString storage;
    return translatedName(nameIndex(m_value), storage);
}

QStringView Level::name(QString &storage) const
{
    return translatedName(nameIndex(m_value), storage);
}

Level Level::fromString(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
    for (const LevelName &entry : levelNames) {
        QString storage;
        if (text == QLatin1String(entry.name) || text == translatedName(nameIndex(entry.value), storage))
            return Level(entry.value);
    }
    levelLogger()->warn(QStringLiteral("Use of invalid level string '%1'. Using 'Level::NULL_INT' instead.")
                            .arg(LogError::excerpt(text)));
    if (ok)
        *ok = false;
    return Level(NULL_INT);
}

QDataStream &operator<<(QDataStream &out, const Level &level)
{
    out << static_cast<quint8>(level.toInt());
    return out;
}

QDataStream &operator>>(QDataStream &in, Level &level)
{
    quint8 value = 0;
    in >> value;
    level = Level(value);
    return in;
}

QDebug operator<<(QDebug debug, const Level &level)
{
    QDebugStateSaver saver(debug);
    debug.nospace().noquote() << "Level(" << level.toString() << ")";
    return debug;
}

} // namespace LogEngine
