#ifndef LOGENGINE_MDC_H
#define LOGENGINE_MDC_H

#include <QHash>
#include <QString>

namespace LogEngine
{

/*!
 * The mapped diagnostic context: a per-thread map of texts. The library only
 * reads it; each thread's map is deleted when the thread ends.
 */
class MDC
{
public:
    /*! A copy of the calling thread's map, or an empty map. */
    static QHash<QString, QString> context();
};

} // namespace LogEngine

#endif
