#ifndef LOGENGINE_TTCCLAYOUT_H
#define LOGENGINE_TTCCLAYOUT_H

#include "engine/layouts/layout.h"

#include <memory>

namespace LogEngine
{

class PatternFormatter;

/*!
 * Time, thread, level, category (logger) and context before the message,
 * each part switchable. Every setter rebuilds the pattern; settings must not
 * change while another thread formats with the layout.
 */
class TTCCLayout : public Layout
{
    Q_OBJECT
    Q_PROPERTY(bool categoryPrefixing READ categoryPrefixing WRITE setCategoryPrefixing)
    Q_PROPERTY(bool contextPrinting READ contextPrinting WRITE setContextPrinting)
    Q_PROPERTY(QString dateFormat READ dateFormat WRITE setDateFormat)
    Q_PROPERTY(bool threadPrinting READ threadPrinting WRITE setThreadPrinting)

public:
    enum DateFormat {
        DATEFORMAT_NONE = 0,
        DATEFORMAT_ISO8601 = 1,
        DATEFORMAT_ABSOLUTE = 2,
        DATEFORMAT_DATE = 3,
        DATEFORMAT_RELATIVE = 4
    };
    Q_ENUM(DateFormat)

    explicit TTCCLayout(QObject *parent = nullptr);
    explicit TTCCLayout(DateFormat dateFormat, QObject *parent = nullptr);
    ~TTCCLayout() override;

    bool categoryPrefixing() const { return m_categoryPrefixing; }
    void setCategoryPrefixing(bool enabled);
    bool contextPrinting() const { return m_contextPrinting; }
    void setContextPrinting(bool enabled);
    QString dateFormat() const { return m_dateFormat; }
    void setDateFormat(const QString &format);
    void setDateFormat(DateFormat format);
    bool threadPrinting() const { return m_threadPrinting; }
    void setThreadPrinting(bool enabled);

    /*! The conversion pattern the settings give. */
    QString pattern() const;

    QDebug debug(QDebug &debug) const override;
    QString format(const LoggingEvent &event) override;
    void appendFormatted(QString &out, const LoggingEvent &event) override;

private:
    void updatePatternFormatter();

    bool m_categoryPrefixing = true;
    bool m_contextPrinting = true;
    QString m_dateFormat;
    bool m_threadPrinting = true;
    std::unique_ptr<PatternFormatter> m_patternFormatter;
};

} // namespace LogEngine

#endif
