#ifndef LOGENGINE_PATTERNFORMATTER_H
#define LOGENGINE_PATTERNFORMATTER_H

#include "engine/layouts/formattinginfo.h"

#include <QList>
#include <QString>
#include <QVector>

class QDebug;

namespace LogEngine
{

class LoggingEvent;
class PatternConverter;

/*!
 * A conversion pattern parsed once into converters. No pattern is rejected:
 * bad specifiers become literal text with a warning, bad numbers are
 * reported as error records, and parsing goes on. Immutable after
 * construction, so one formatter may format in several threads at once.
 */
class PatternFormatter
{
public:
    explicit PatternFormatter(const QString &pattern);
    virtual ~PatternFormatter();

    QString format(const LoggingEvent &event) const;
    /*! Appends the text of `event` to `out`. */
    void format(QString &out, const LoggingEvent &event) const;
    QString pattern() const { return m_pattern; }
    QList<PatternConverter *> converters() const { return m_converters; }

private:
    void parse();
    void createConverter(QChar character, const FormattingInfo &info, const QString &option = QString());
    void createLiteralConverter(const QString &literal);
    int parseIntegerOption(const QString &option);

    const QString m_conversionCharacters;
    const QString m_optionCharacters;
    const QString m_pattern;
    QList<PatternConverter *> m_converters;
    // The converters as the line is made: a literal is copied here and a
    // field that is neither padded nor cut is appended by its converter
    // straight away, saving two calls per field of a line of a dozen.
    struct Step {
        const PatternConverter *converter;
        const QString *literal; // null unless the converter is a literal
        bool plain; // neither padded nor cut
        bool located; // prints a part of the source location
    };
    QVector<Step> m_steps;

    Q_DISABLE_COPY(PatternFormatter)
};

QDebug operator<<(QDebug debug, const PatternFormatter &formatter);

} // namespace LogEngine

#endif
