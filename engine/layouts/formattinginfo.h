#ifndef LOGENGINE_FORMATTINGINFO_H
#define LOGENGINE_FORMATTINGINFO_H

#include <QString>

#include <climits>

class QDebug;

namespace LogEngine
{

/*! Width settings of one conversion specifier: padding to a minimum, cutting at a maximum. */
class FormattingInfo
{
public:
    void clear() { *this = FormattingInfo(); }

    static QString intToString(int value);

    /*!
     * The widest a field is ever padded, whatever the minimum length says: a
     * mistyped width must cost neither the memory nor the log file space of
     * millions of blanks per line.
     */
    static constexpr int maxPadding = 1024;

    int m_minLength = 0;
    int m_maxLength = INT_MAX;
    bool m_leftAligned = false;
};

QDebug operator<<(QDebug debug, const FormattingInfo &info);

} // namespace LogEngine

#endif
