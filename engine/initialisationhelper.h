#ifndef LOGENGINE_INITIALISATIONHELPER_H
#define LOGENGINE_INITIALISATIONHELPER_H

#include <QtGlobal>

namespace LogEngine
{

/*!
 * Created while the library loads: records the program start time (the
 * origin of "RELATIVE" time stamps) and registers the engine's value types
 * with Qt's meta-type system, with their data-stream forms.
 */
class InitialisationHelper
{
public:
    virtual ~InitialisationHelper();

    static InitialisationHelper *instance();
    /*! Milliseconds since the epoch at library load. */
    static qint64 startTime() { return instance()->m_startTime; }

private:
    InitialisationHelper();

    const qint64 m_startTime;
};

} // namespace LogEngine

#endif
