#include "engine/layouts/basicpatternconverter.h"

#include "engine/layouts/linetext.h"
#include "engine/loggingevent.h"

namespace LogEngine
{

QString BasicPatternConverter::convert(const LoggingEvent &event) const
{
    switch (m_type) {
    case MESSAGE_CONVERTER:
        return event.messageRef();
    case NDC_CONVERTER:
        return event.ndcRef();
    case LEVEL_CONVERTER:
        return event.level().toString();
    case THREAD_CONVERTER:
        return event.threadNameRef();
    }
    return QString();
}

void BasicPatternConverter::appendConverted(LineText &out, const LoggingEvent &event) const
{
    switch (m_type) {
    case MESSAGE_CONVERTER:
        out.append(event.messageRef());
        break;
    case NDC_CONVERTER:
        out.append(event.ndcRef());
        break;
    case LEVEL_CONVERTER: {
        QString made;
        out.append(event.level().name(made));
        break;
    }
    case THREAD_CONVERTER:
        out.append(event.threadNameRef());
        break;
    }
}

QDebug BasicPatternConverter::debug(QDebug &debug) const
{
    static const char *const names[] = { "MESSAGE_CONVERTER", "NDC_CONVERTER", "LEVEL_CONVERTER", "THREAD_CONVERTER" };
    debug.nospace() << "BasicPatternConverter(" << m_formattingInfo
                    << " type:" << (m_type >= 0 && m_type <= THREAD_CONVERTER ? names[m_type] : "") << ")";
    return debug.space();
}

} // namespace LogEngine
