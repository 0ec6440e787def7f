#ifndef LOGENGINE_LITERALPATTERNCONVERTER_H
#define LOGENGINE_LITERALPATTERNCONVERTER_H

#include "engine/layouts/patternconverter.h"

namespace LogEngine
{

/*! Fixed text between the specifiers of a pattern. */
class LiteralPatternConverter : public PatternConverter
{
public:
    explicit LiteralPatternConverter(const QString &literal)
        : m_literal(literal)
    {
    }

    QString convert(const LoggingEvent &event) const override;
    QDebug debug(QDebug &debug) const override;
    void appendConverted(LineText &out, const LoggingEvent &) const override;
    const QString &literal() const { return m_literal; }

private:
    QString m_literal;
};

} // namespace LogEngine

#endif
