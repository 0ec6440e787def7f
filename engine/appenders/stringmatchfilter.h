#ifndef LOGENGINE_STRINGMATCHFILTER_H
#define LOGENGINE_STRINGMATCHFILTER_H

#include "engine/appenders/filter.h"

namespace LogEngine
{

/*! Decides on events whose message contains a text (case-sensitive). */
class StringMatchFilter : public Filter
{
    Q_OBJECT
    Q_PROPERTY(bool acceptOnMatch READ acceptOnMatch WRITE setAcceptOnMatch)
    Q_PROPERTY(QString stringToMatch READ stringToMatch WRITE setStringToMatch)

public:
    explicit StringMatchFilter(QObject *parent = nullptr);

    bool acceptOnMatch() const { return m_acceptOnMatch; }
    void setAcceptOnMatch(bool accept) { m_acceptOnMatch = accept; }
    QString stringToMatch() const { return m_stringToMatch; }
    void setStringToMatch(const QString &text) { m_stringToMatch = text; }

    QDebug debug(QDebug &debug) const override;
    Decision decide(const LoggingEvent &event) const override;

private:
    bool m_acceptOnMatch = true;
    QString m_stringToMatch;
};

} // namespace LogEngine

#endif
