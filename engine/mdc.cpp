#include "engine/mdc.h"

#include "engine/detail/threadstore.h"

namespace LogEngine
{

QHash<QString, QString> MDC::context()
{
    QThreadStorage<QHash<QString, QString> *> *store = ThreadStore<QHash<QString, QString>>::existing();
    if (!store || !store->hasLocalData())
        return QHash<QString, QString>();
    const QHash<QString, QString> *hash = store->localData();
    return hash ? *hash : QHash<QString, QString>();
}

} // namespace LogEngine
