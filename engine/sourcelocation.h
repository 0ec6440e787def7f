#ifndef LOGENGINE_SOURCELOCATION_H
#define LOGENGINE_SOURCELOCATION_H

#include <QByteArray>
#include <QString>

namespace LogEngine
{

/*!
 * Where a log request was made: the source file, the line and the function,
 * as the compiler names them (`__FILE__`, `__LINE__` and a function text
 * such as `Q_FUNC_INFO` or `__func__`). An empty location (no file and no
 * function) stands for a request made without one.
 *
 * The texts are UTF-8 and are not copied: a location made with the
 * constructor points at the compiler's string literals, which live as long
 * as the program, so a request pays nothing for them. Texts that live
 * shorter (a Qt message context, a location read off a stream) are copied
 * with `copied`; copies of the location share that storage.
 *
 * A plain value, copied freely; immutable, so any thread may read it.
 */
class SourceLocation
{
public:
    SourceLocation() = default;
    SourceLocation(const char *file, int line, const char *function)
        : m_file(file)
        , m_function(function)
        , m_line(line)
    {
    }
    /*! A location that owns copies of `file` and `function`. */
    static SourceLocation copied(const char *file, int line, const char *function);

    bool isEmpty() const { return !(m_file && *m_file) && !(m_function && *m_function); }

    /*! The file as given, possibly with a directory; empty when unknown. */
    QString filePath() const { return QString::fromUtf8(m_file); }
    /*! The file without its directory. */
    QString fileName() const;
    int line() const { return m_line; }
    /*! The function text as given, e.g. "void app::Client::connect(const QString &)". */
    QString function() const { return QString::fromUtf8(m_function); }
    /*!
     * The qualified name of the function without return type, parameters or
     * template arguments after it, e.g. "app::Client::connect"; the text as
     * given when it cannot be taken apart.
     */
    QString functionName() const;
    /*! The qualifier of `functionName`, e.g. "app::Client"; empty for a function without one. */
    QString className() const;
    /*! The last part of `functionName`, e.g. "connect". */
    QString methodName() const;

    const char *fileText() const { return m_file; }
    const char *functionText() const { return m_function; }

private:
    const char *m_file = nullptr;
    const char *m_function = nullptr;
    int m_line = 0;
    // Holds the texts of a copied location; the pointers above point into it,
    // and implicit sharing keeps them valid in every copy.
    QByteArray m_storage;
};

} // namespace LogEngine

#endif
