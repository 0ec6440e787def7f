#ifndef LOGENGINE_INITIALISATIONHELPER_H
#define LOGENGINE_INITIALISATIONHELPER_H

#include <QHash>
#include <QString>
#include <QtGlobal>

namespace LogEngine
{

/*!
 * Created while the library loads: records the program start time (the
 * origin of "RELATIVE" time stamps), registers the engine's value types
 * with Qt's meta-type system, with their data-stream forms, and reads the
 * engine's settings from the environment. Later changes to the environment
 * are not seen.
 *
 * Thread-safety: built during load and only read afterwards.
 */
class InitialisationHelper
{
public:
    virtual ~InitialisationHelper();

    static InitialisationHelper *instance();
    /*! Milliseconds since the epoch at library load. */
    static qint64 startTime() { return instance()->m_startTime; }
    /*! The settings found in the environment, by setting name ("Debug", not LOGENGINE_DEBUG). */
    static QHash<QString, QString> environmentSettings() { return instance()->m_environmentSettings; }
    /*!
     * The engine setting `key`: from the environment if it is there, else
     * from the group "LogEngine" of the application settings (only while an
     * application object exists, and read anew each time), else `defaultValue`.
     */
    static QString setting(const QString &key, const QString &defaultValue = QString());

private:
    InitialisationHelper();

    void readEnvironment();

    const qint64 m_startTime;
    QHash<QString, QString> m_environmentSettings;
};

} // namespace LogEngine

#endif
