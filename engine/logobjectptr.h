#ifndef LOGENGINE_LOGOBJECTPTR_H
#define LOGENGINE_LOGOBJECTPTR_H

namespace LogEngine
{

/*!
 * Owning pointer to a LogObject (or subclass): every copy holds one counted
 * reference. Assignment retains the new object before it releases the old
 * one, so re-assigning the object already held never deletes it.
 */
template <class T> class LogObjectPtr
{
public:
    LogObjectPtr(T *object = nullptr)
        : m_object(object)
    {
        if (m_object)
            m_object->retain();
    }
    LogObjectPtr(const LogObjectPtr &other)
        : LogObjectPtr(other.m_object)
    {
    }
    template <class U>
    LogObjectPtr(const LogObjectPtr<U> &other)
        : LogObjectPtr(other.data())
    {
    }
    ~LogObjectPtr()
    {
        if (m_object)
            m_object->release();
    }

    LogObjectPtr &operator=(const LogObjectPtr &other) { return *this = other.m_object; }
    LogObjectPtr &operator=(T *object)
    {
        if (object)
            object->retain();
        T *old = m_object;
        m_object = object;
        if (old)
            old->release();
        return *this;
    }

    T *data() const { return m_object; }
    T *operator->() const { return m_object; }
    T &operator*() const { return *m_object; }
    operator T *() const { return m_object; }
    bool isNull() const { return !m_object; }

private:
    T *m_object;
};

} // namespace LogEngine

#endif
