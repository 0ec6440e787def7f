#ifndef LOGENGINE_NDC_H
#define LOGENGINE_NDC_H

#include <QString>

namespace LogEngine
{

/*!
 * The nested diagnostic context: a per-thread stack of texts. The library
 * only reads it; each thread's stack is deleted when the thread ends.
 */
class NDC
{
public:
    /*! The top of the calling thread's stack, or an empty text. */
    static QString peek();
};

} // namespace LogEngine

#endif
