#ifndef LOGENGINE_JSONLAYOUT_H
#define LOGENGINE_JSONLAYOUT_H

#include "engine/layouts/layout.h"

#include <QMutex>

namespace LogEngine
{

/*!
 * One JSON object per line, for log shippers:
 *
 *     {"timestamp":"2026-12-07T16:26:22.991+01:00","level":"INFO","logger":"app::net",
 *      "thread":"main","message":"Started","ndc":"request 7","mdc":{"user":"ann"},
 *      "location":{"file":"src/net.cpp","line":42,"function":"void app::Net::start()"}}
 *
 * The members come in that order; "ndc", "mdc" and "location" only when the
 * event has them (the map's keys sorted; the file and function as the
 * request gave them). The time is local, with milliseconds and the
 * offset from UTC. Every text is escaped so that each line parses as JSON:
 * quotes, backslashes and control characters are escaped, characters beyond
 * the Basic Multilingual Plane are kept as their pair of UTF-16 halves (one
 * character once encoded), and a half without its partner is escaped.
 *
 * `format` may run in several threads at once: the local time of the last
 * second seen is kept under a try-lock, as the date conversion keeps it.
 */
class JSONLayout : public Layout
{
    Q_OBJECT

public:
    explicit JSONLayout(QObject *parent = nullptr);

    QString contentType() const override;
    QDebug debug(QDebug &debug) const override;
    QString format(const LoggingEvent &event) override;
    void appendFormatted(QString &out, const LoggingEvent &event) override;

    /*! Appends `text` to `out` as a JSON string, quotes included. */
    static void appendString(QString &out, QStringView text);
    /*! The time stamp as "yyyy-MM-ddTHH:mm:ss.zzz+hh:mm" in local time; empty beyond the dates Qt represents. */
    QString timestampText(qint64 milliSeconds) const;

private:
    mutable QMutex m_cacheGuard;
    mutable qint64 m_cachedSecond;
    // The cached second's text in two parts, the millisecond goes between.
    mutable QString m_cachedDateTime;
    mutable QString m_cachedOffset;
};

} // namespace LogEngine

#endif
