#include "engine/sourcelocation.h"

namespace LogEngine
{

namespace
{

// The position just after the last "::" of `name` outside template
// brackets, or 0: "Map<a::b>::at" is split before "at".
int lastPartStart(const QByteArray &name)
{
    int depth = 0;
    for (int i = name.size() - 1; i > 0; --i) {
        const char c = name.at(i);
        if (c == '>')
            ++depth;
        else if (c == '<' && depth > 0)
            --depth;
        else if (c == ':' && name.at(i - 1) == ':' && depth == 0)
            return i + 1;
    }
    return 0;
}

// Takes a function text such as "virtual void app::Client<T>::connect(int)
// const [with T = int]" apart into "app::Client<T>::connect". Compilers
// spell signatures differently; what cannot be taken apart stays whole.
QByteArray qualifiedName(const char *function)
{
    QByteArray text(function);
    // Template arguments described after the signature (GCC and clang).
    if (text.endsWith(']')) {
        const int open = text.lastIndexOf(" [");
        if (open > 0)
            text.truncate(open);
    }
    text.replace("(anonymous namespace)", "{anonymous}");
    // A lambda goes by the function it is written in.
    for (const char *marker : { "::<lambda", "::(anonymous class)", "::(lambda at" }) {
        const int at = text.indexOf(marker);
        if (at > 0)
            text.truncate(at);
    }
    // The name ends where the parameter list opens: the partner of the
    // parenthesis that closes last.
    int end = text.size();
    const int close = text.lastIndexOf(')');
    if (close >= 0) {
        int depth = 0;
        int i = close;
        for (; i >= 0; --i) {
            if (text.at(i) == ')')
                ++depth;
            else if (text.at(i) == '(' && --depth == 0)
                break;
        }
        if (i <= 0)
            return QByteArray(function);
        end = i;
    }
    // It starts after the last blank outside template brackets; what stands
    // before is the return type and specifiers.
    int start = 0;
    int depth = 0;
    for (int i = end - 1; i >= 0; --i) {
        const char c = text.at(i);
        if (c == '>') {
            ++depth;
        } else if (c == '<' && depth > 0) {
            --depth;
        } else if (c == ' ' && depth == 0) {
            start = i + 1;
            break;
        }
    }
    while (start < end && (text.at(start) == '*' || text.at(start) == '&'))
        ++start;
    return text.mid(start, end - start);
}

} // namespace

SourceLocation SourceLocation::copied(const char *file, int line, const char *function)
{
    SourceLocation location;
    location.m_line = line;
    if (!file && !function)
        return location;
    // Both texts in one block, each ending in its terminating zero.
    const QByteArray fileText(file ? file : "");
    const QByteArray functionText(function ? function : "");
    location.m_storage.reserve(fileText.size() + functionText.size() + 2);
    location.m_storage.append(fileText).append('\0').append(functionText).append('\0');
    location.m_file = location.m_storage.constData();
    location.m_function = location.m_file + fileText.size() + 1;
    return location;
}

QString SourceLocation::fileName() const
{
    if (!m_file)
        return QString();
    const char *name = m_file;
    for (const char *c = m_file; *c; ++c) {
        // Both separators: a file compiled on Windows may name either.
        if (*c == '/' || *c == '\\')
            name = c + 1;
    }
    return QString::fromUtf8(name);
}

QString SourceLocation::functionName() const
{
    return m_function && *m_function ? QString::fromUtf8(qualifiedName(m_function)) : QString();
}

QString SourceLocation::className() const
{
    if (!m_function || !*m_function)
        return QString();
    const QByteArray name = qualifiedName(m_function);
    const int start = lastPartStart(name);
    return start > 0 ? QString::fromUtf8(name.constData(), start - 2) : QString();
}

QString SourceLocation::methodName() const
{
    if (!m_function || !*m_function)
        return QString();
    const QByteArray name = qualifiedName(m_function);
    return QString::fromUtf8(name.mid(lastPartStart(name)));
}

} // namespace LogEngine
