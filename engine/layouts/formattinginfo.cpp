#include "engine/layouts/formattinginfo.h"

#include <QDebug>

namespace LogEngine
{

QString FormattingInfo::intToString(int value)
{
    return value == INT_MAX ? QStringLiteral("INT_MAX") : QString::number(value);
}

QDebug operator<<(QDebug debug, const FormattingInfo &info)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "FormattingInfo("
                    << "min:" << FormattingInfo::intToString(info.m_minLength).toLatin1().constData()
                    << " max:" << FormattingInfo::intToString(info.m_maxLength).toLatin1().constData()
                    << " left:" << info.m_leftAligned << ")";
    return debug;
}

} // namespace LogEngine
