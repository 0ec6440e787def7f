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

    int m_minLength = 0;
    int m_maxLength = INT_MAX;
    bool m_leftAligned = false;
};

QDebug operator<<(QDebug debug, const FormattingInfo &info);

} // namespace LogEngine

#endif
