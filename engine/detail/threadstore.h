#ifndef LOGENGINE_THREADSTORE_H
#define LOGENGINE_THREADSTORE_H

#include <QAtomicPointer>
#include <QThreadStorage>

namespace LogEngine
{

/*!
 * \internal
 * The process-wide thread-local store of one diagnostic context type,
 * created by the first thread that asks for it and published with a
 * compare-and-swap (the loser deletes its own). It lives until process end.
 */
template <class T> class ThreadStore
{
public:
    using Store = QThreadStorage<T *>;

    /*! The store if some thread has created it, else null; never creates. */
    static Store *existing() { return s_store.loadAcquire(); }

    static Store *instance()
    {
        Store *store = s_store.loadAcquire();
        if (!store) {
            Store *made = new Store;
            if (!s_store.testAndSetOrdered(nullptr, made))
                delete made;
            store = s_store.loadAcquire();
        }
        return store;
    }

private:
    static inline QAtomicPointer<Store> s_store;
};

} // namespace LogEngine

#endif
