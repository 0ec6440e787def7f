#ifndef LOGENGINE_PATTERNLAYOUT_H
#define LOGENGINE_PATTERNLAYOUT_H

#include "engine/layouts/layout.h"

#include <memory>

namespace LogEngine
{

class PatternFormatter;

/*!
 * A layout given by its "conversionPattern". Changing the pattern builds a
 * new formatter and must not overlap formatting with this layout.
 */
class PatternLayout : public Layout
{
    Q_OBJECT
    Q_PROPERTY(QString conversionPattern READ conversionPattern WRITE setConversionPattern)

public:
    enum ConversionPattern { DEFAULT_CONVERSION_PATTERN = 0, TTCC_CONVERSION_PATTERN = 1 };
    Q_ENUM(ConversionPattern)

    explicit PatternLayout(QObject *parent = nullptr);
    explicit PatternLayout(const QString &pattern, QObject *parent = nullptr);
    ~PatternLayout() override;

    QString conversionPattern() const { return m_conversionPattern; }
    void setConversionPattern(const QString &pattern);

    QDebug debug(QDebug &debug) const override;
    QString format(const LoggingEvent &event) override;
    void appendFormatted(QString &out, const LoggingEvent &event) override;

private:
    QString m_conversionPattern;
    std::unique_ptr<PatternFormatter> m_patternFormatter;
};

} // namespace LogEngine

#endif
