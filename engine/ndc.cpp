#include "engine/ndc.h"

#include "engine/detail/threadstore.h"

#include <QStack>

namespace LogEngine
{

QString NDC::peek()
{
    QThreadStorage<QStack<QString> *> *store = ThreadStore<QStack<QString>>::existing();
    if (!store || !store->hasLocalData())
        return QString();
    const QStack<QString> *stack = store->localData();
    return stack && !stack->isEmpty() ? stack->top() : QString();
}

} // namespace LogEngine
