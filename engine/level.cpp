#include "engine/level.h"
#include "engine/classlogger.h"

#include "engine/logerror.h"
#include "engine/logger.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDebug>
#include <QEvent>
#include <QThread>

#include <atomic>

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

// The current names, or null while they cannot be kept: the application's
// thread has yet to install the filter.
const TranslatedNames *translatedNames()
{
    const TranslatedNames *names = s_translatedNames.load(std::memory_order_acquire);
    QCoreApplication *application = QCoreApplication::instance();
    if (Q_LIKELY(names && names->application == application
            && names->generation == s_languageGeneration.load(std::memory_order_acquire)))
        return names;
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
    // names stale at once. No lock is held while translators run; threads
    // that translate at the same time each publish a valid set.
    const int generation = s_languageGeneration.load(std::memory_order_acquire);
    auto *made = new TranslatedNames { application, generation, {}, names };
    for (int i = 0; i < nameCount; ++i)
        made->names[i] = QCoreApplication::translate("Level", levelNames[i].name);
    while (!s_translatedNames.compare_exchange_weak(made->previous, made, std::memory_order_acq_rel))
        ;
    return made;
}

const ClassLogger levelLogger("LogEngine::Level");

} // namespace

QString Level::toString() const
{
    const int index = nameIndex(m_value);
    if (const TranslatedNames *names = translatedNames())
        return names->names[index];
    return QCoreApplication::translate("Level", levelNames[index].name);
}

QStringView Level::name(QString &storage) const
{
    const int index = nameIndex(m_value);
    if (const TranslatedNames *names = translatedNames())
        return names->names[index];
    storage = QCoreApplication::translate("Level", levelNames[index].name);
    return storage;
}

Level Level::fromString(const QString &text, bool *ok)
{
    if (ok)
        *ok = true;
    for (const LevelName &entry : levelNames) {
        if (text == QLatin1String(entry.name) || text == QCoreApplication::translate("Level", entry.name))
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
