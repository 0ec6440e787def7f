#include "engine/layouts/patternformatter.h"
#include "engine/detail/classlogger.h"

#include "engine/layouts/basicpatternconverter.h"
#include "engine/layouts/datepatternconverter.h"
#include "engine/layouts/layout.h"
#include "engine/layouts/linetext.h"
#include "engine/layouts/literalpatternconverter.h"
#include "engine/layouts/locationpatternconverter.h"
#include "engine/layouts/loggerpatternconverter.h"
#include "engine/layouts/mdcpatternconverter.h"
#include "engine/logerror.h"
#include "engine/logger.h"
#include "engine/loggingevent.h"

#include <QDebug>
#include <utility>

namespace LogEngine
{

namespace
{

const ClassLogger formatterLogger("LogEngine::PatternFormatter");

int addDigit(int value, int digit)
{
    return value > (INT_MAX - digit) / 10 ? INT_MAX : value * 10 + digit;
}

} // namespace

PatternFormatter::PatternFormatter(const QString &pattern)
    // The location characters once printed nothing; now they convert, so
    // nothing is left to ignore.
    : m_conversionCharacters(QStringLiteral("cdmprtxXCFlLM"))
    , m_optionCharacters(QStringLiteral("cdXC"))
    , m_pattern(pattern)
{
    parse();
    m_steps.reserve(m_converters.size());
    for (const PatternConverter *converter : std::as_const(m_converters)) {
        const auto *literal = dynamic_cast<const LiteralPatternConverter *>(converter);
        const bool plain = converter->formatsPlainly();
        const bool located = dynamic_cast<const LocationPatternConverter *>(converter);
        m_steps.append(Step { converter, literal && plain ? &literal->literal() : nullptr, plain, located });
    }
}

PatternFormatter::~PatternFormatter()
{
    qDeleteAll(m_converters);
}

QString PatternFormatter::format(const LoggingEvent &event) const
{
    QString result;
    format(result, event);
    return result;
}

void PatternFormatter::format(QString &out, const LoggingEvent &event) const
{
    LineText line(out);
    for (const Step &step : m_steps) {
        // An event without a location prints no location field at all, not
        // even its padding: such a field once printed nothing.
        if (step.located && !event.hasLocation())
            continue;
        if (step.literal)
            line.append(*step.literal);
        else if (step.plain)
            step.converter->appendConverted(line, event);
        else
            step.converter->format(line, event);
    }
}

void PatternFormatter::parse()
{
    enum State { LITERAL, ESCAPE, MIN, DOT, MAX, CHARACTER, POSSIBLE_OPTION, OPTION };
    State state = LITERAL;
    QString literal;
    FormattingInfo info;
    int specifierStart = 0;
    int optionStart = 0;
    QChar optionCharacter;
    const int size = m_pattern.size();
    auto flushLiteral = [&] {
        if (!literal.isEmpty()) {
            createLiteralConverter(literal);
            literal.clear();
        }
    };
    for (int i = 0; i < size; ++i) {
        const QChar ch = m_pattern.at(i);
        const char c = ch.toLatin1();
        switch (state) {
        case LITERAL:
            if (c == '%') {
                info.clear();
                specifierStart = i;
                state = ESCAPE;
            } else {
                literal += ch;
            }
            break;
        case ESCAPE:
            if (c == '%') {
                literal += ch;
                state = LITERAL;
                break;
            }
            if (c == 'n') {
                literal += Layout::endOfLine();
                state = LITERAL;
                break;
            }
            flushLiteral();
            if (c == '-') {
                info.m_leftAligned = true;
            } else if (c >= '0' && c <= '9') {
                info.m_minLength = c - '0';
                state = MIN;
            } else if (c == '.') {
                state = DOT;
            } else {
                state = CHARACTER;
                --i;
            }
            break;
        case MIN:
            if (c >= '0' && c <= '9') {
                info.m_minLength = addDigit(info.m_minLength, c - '0');
            } else if (c == '.') {
                state = DOT;
            } else {
                state = CHARACTER;
                --i;
            }
            break;
        case DOT:
            if (c >= '0' && c <= '9') {
                info.m_maxLength = c - '0';
                state = MAX;
            } else {
                LogError error("Found character '%1' where digit was expected.", LogError::LAYOUT_EXPECTED_DIGIT_ERROR,
                    "LAYOUT_EXPECTED_DIGIT_ERROR", "LogEngine::PatternFormatter");
                error << QString(ch);
                formatterLogger()->error(error);
            }
            break;
        case MAX:
            if (c >= '0' && c <= '9') {
                info.m_maxLength = addDigit(info.m_maxLength, c - '0');
            } else {
                state = CHARACTER;
                --i;
            }
            break;
        case CHARACTER:
            if (c && m_optionCharacters.contains(ch)) {
                optionCharacter = ch;
                state = POSSIBLE_OPTION;
            } else if (c && m_conversionCharacters.contains(ch)) {
                createConverter(ch, info);
                state = LITERAL;
            } else {
                formatterLogger()->warn(
                    "Invalid conversion character '%1' at %2 in pattern '%3'", QString(ch), i, m_pattern);
                createLiteralConverter(m_pattern.mid(specifierStart, i - specifierStart + 1));
                state = LITERAL;
            }
            break;
        case POSSIBLE_OPTION:
            if (c == '{') {
                optionStart = i;
                state = OPTION;
            } else {
                createConverter(optionCharacter, info);
                state = LITERAL;
                --i;
            }
            break;
        case OPTION:
            if (c == '}') {
                createConverter(optionCharacter, info, m_pattern.mid(optionStart + 1, i - optionStart - 1));
                state = LITERAL;
            }
            break;
        }
    }
    // %C printed nothing before it took an option, also at the end of a
    // pattern, where the other option characters print themselves.
    if (state == POSSIBLE_OPTION && optionCharacter == QLatin1Char('C')) {
        createConverter(optionCharacter, info);
        state = LITERAL;
    }
    if (state != LITERAL) {
        formatterLogger()->warn("Unexptected end of pattern '%1'", m_pattern);
        if (state == ESCAPE)
            literal += m_pattern.at(size - 1);
        else
            literal += QStringView(m_pattern).mid(specifierStart);
    }
    flushLiteral();
}

void PatternFormatter::createConverter(QChar character, const FormattingInfo &info, const QString &option)
{
    Logger *log = formatterLogger();
    if (log->isTraceEnabled())
        log->trace(QStringLiteral("Creating Converter for character '%1' min %2, max %3, left %4 and option '%5'")
                       .arg(QString(character), FormattingInfo::intToString(info.m_minLength),
                           FormattingInfo::intToString(info.m_maxLength),
                           info.m_leftAligned ? QStringLiteral("1") : QStringLiteral("0"), option));
    if (info.m_minLength > FormattingInfo::maxPadding)
        log->warn(QStringLiteral("Minimum length %1 of conversion character '%2' in pattern '%3' is cut to %4")
                      .arg(FormattingInfo::intToString(info.m_minLength), QString(character), m_pattern,
                          QString::number(FormattingInfo::maxPadding)));
    PatternConverter *converter = nullptr;
    switch (character.toLatin1()) {
    case 'c':
        converter = new LoggerPatternConverter(info, parseIntegerOption(option));
        break;
    case 'd':
        converter = new DatePatternConverter(info, option.isEmpty() ? QStringLiteral("ISO8601") : option);
        break;
    case 'm':
        converter = new BasicPatternConverter(info, BasicPatternConverter::MESSAGE_CONVERTER);
        break;
    case 'p':
        converter = new BasicPatternConverter(info, BasicPatternConverter::LEVEL_CONVERTER);
        break;
    case 'r':
        converter = new DatePatternConverter(info, QStringLiteral("RELATIVE"));
        break;
    case 't':
        converter = new BasicPatternConverter(info, BasicPatternConverter::THREAD_CONVERTER);
        break;
    case 'x':
        converter = new BasicPatternConverter(info, BasicPatternConverter::NDC_CONVERTER);
        break;
    case 'X':
        converter = new MDCPatternConverter(info, option);
        break;
    case 'C':
        converter
            = new LocationPatternConverter(info, LocationPatternConverter::CLASS_CONVERTER, parseIntegerOption(option));
        break;
    case 'F':
        converter = new LocationPatternConverter(info, LocationPatternConverter::FILE_CONVERTER);
        break;
    case 'L':
        converter = new LocationPatternConverter(info, LocationPatternConverter::LINE_CONVERTER);
        break;
    case 'M':
        converter = new LocationPatternConverter(info, LocationPatternConverter::METHOD_CONVERTER);
        break;
    case 'l':
        converter = new LocationPatternConverter(info, LocationPatternConverter::LOCATION_CONVERTER);
        break;
    default:
        return;
    }
    m_converters.append(converter);
}

void PatternFormatter::createLiteralConverter(const QString &literal)
{
    Logger *log = formatterLogger();
    if (log->isTraceEnabled())
        log->trace("Creating literal LiteralConverter with Literal '%1'", literal);
    m_converters.append(new LiteralPatternConverter(literal));
}

int PatternFormatter::parseIntegerOption(const QString &option)
{
    if (option.isEmpty())
        return 0;
    bool ok = false;
    const int value = option.toInt(&ok);
    if (!ok) {
        LogError error("Option '%1' cannot be converted into an integer", LogError::LAYOUT_OPTION_IS_NOT_INTEGER_ERROR,
            "LAYOUT_OPTION_IS_NOT_INTEGER_ERROR", "LogEngine::PatterFormatter");
        error << option;
        formatterLogger()->error(error);
        return 0;
    }
    if (value < 0) {
        LogError error("Option %1 isn't a positive integer", LogError::LAYOUT_INTEGER_IS_NOT_POSITIVE_ERROR,
            "LAYOUT_INTEGER_IS_NOT_POSITIVE_ERROR", "LogEngine::PatterFormatter");
        error << value;
        formatterLogger()->error(error);
        return 0;
    }
    return value;
}

QDebug operator<<(QDebug debug, const PatternFormatter &formatter)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "PatternFormatter("
                    << "pattern:" << formatter.pattern() << " converters:(";
    for (const PatternConverter *converter : formatter.converters())
        debug << *converter << " ";
    debug.nospace() << "))";
    return debug;
}

} // namespace LogEngine
