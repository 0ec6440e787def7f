#ifndef LOGENGINE_PATTERNCONVERTER_H
#define LOGENGINE_PATTERNCONVERTER_H

#include "engine/layouts/formattinginfo.h"

#include <QDebug>
#include <QString>

namespace LogEngine
{

class LineText;
class LoggingEvent;

/*!
 * One step of a parsed conversion pattern: produces the raw text of one
 * field and appends it padded or cut by its formatting information.
 * Converters are immutable once built and may format in several threads.
 *
 * `appendConverted` gives what `convert` gives, appended to the line in
 * the making: a line is a dozen fields, and a string made and dropped for
 * each would cost more than the line's own text. `format` then cuts or pads
 * the appended text where it lies.
 */
class PatternConverter
{
public:
    explicit PatternConverter(const FormattingInfo &info = FormattingInfo())
        : m_formattingInfo(info)
    {
    }
    virtual ~PatternConverter();

    virtual QString convert(const LoggingEvent &event) const = 0;
    virtual QDebug debug(QDebug &debug) const = 0;
    /*! Appends the text of `convert` to `out`. */
    virtual void appendConverted(LineText &out, const LoggingEvent &event) const;

    /*! Appends the converted text to `out`: cut text is never padded. */
    void format(QString &out, const LoggingEvent &event) const;
    void format(LineText &out, const LoggingEvent &event) const;
    /*! Whether `format` appends just what `appendConverted` does. */
    bool formatsPlainly() const { return m_formattingInfo.m_minLength <= 0 && m_formattingInfo.m_maxLength == INT_MAX; }

protected:
    FormattingInfo m_formattingInfo;

    Q_DISABLE_COPY(PatternConverter)
};

QDebug operator<<(QDebug debug, const PatternConverter &converter);

} // namespace LogEngine

#endif
