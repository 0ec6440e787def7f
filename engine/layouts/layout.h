#ifndef LOGENGINE_LAYOUT_H
#define LOGENGINE_LAYOUT_H

#include "engine/logobject.h"

namespace LogEngine
{

class LoggingEvent;

/*!
 * Turns one event into the text an appender writes, and carries the header
 * and footer a writing appender puts around its output. `format` may run in
 * several threads at once; setters are not locked and belong to set-up.
 */
class Layout : public LogObject
{
    Q_OBJECT
    // The content type is published under this name, which configurations rely on.
    Q_PROPERTY(QString footercontentType READ contentType)
    Q_PROPERTY(QString footer READ footer WRITE setFooter)
    Q_PROPERTY(QString header READ header WRITE setHeader)

public:
    explicit Layout(QObject *parent = nullptr);
    ~Layout() override;

    QString footer() const { return m_footer; }
    void setFooter(const QString &footer) { m_footer = footer; }
    QString header() const { return m_header; }
    void setHeader(const QString &header) { m_header = header; }
    QString name() const { return objectName(); }
    void setName(const QString &name) { setObjectName(name); }

    virtual QString contentType() const;
    virtual void activate();
    virtual QString format(const LoggingEvent &event) = 0;
    /*!
     * Appends what `format` gives to `out`: a writer formats every line into
     * one string it keeps, instead of a new one per line.
     */
    virtual void appendFormatted(QString &out, const LoggingEvent &event);

    static QString endOfLine() { return QStringLiteral("\r\n"); }

private:
    QString m_footer;
    QString m_header;
};

} // namespace LogEngine

#endif
