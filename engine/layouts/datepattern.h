#ifndef LOGENGINE_DATEPATTERN_H
#define LOGENGINE_DATEPATTERN_H

#include <QString>
#include <QStringList>
#include <QVector>

class QDateTime;

namespace LogEngine
{

/*!
 * \internal
 * A date pattern scanned once into the steps that print it, so that
 * formatting a time is one pass with no scanning. Immutable after
 * construction and safe to share between threads.
 */
class DatePattern
{
public:
    /*! A local time broken down into what the pattern letters print. */
    struct Fields {
        int year = 0;
        int month = 0;
        int day = 0;
        int dayOfWeek = 0;
        int weekNumber = 0;
        int hour = 0;
        int minute = 0;
        int second = 0;
        int millisecond = 0;
    };

    explicit DatePattern(const QString &pattern = QString());

    /*! Appends the text of `fields` to `out`. */
    void format(QString &out, const Fields &fields) const;
    /*! True for a pattern that prints nothing. */
    bool isEmpty() const { return m_steps.isEmpty(); }

    static Fields fieldsOf(const QDateTime &localTime);

private:
    enum Op : quint8 {
        Literal,
        DayLong,
        DayShort,
        Day2,
        Day1,
        MonthLong,
        MonthShort,
        Month2,
        Month1,
        Year4,
        Year2,
        Hour2,
        Hour1,
        Hour12Two,
        Hour12One,
        Minute2,
        Minute1,
        Second2,
        Second1,
        Milli3,
        Milli1,
        MilliPadded,
        AmPmLower,
        AmPmUpper,
        Week2,
        Week1
    };
    struct Step {
        Op op;
        int argument; // index into m_literals for Literal steps, the width for MilliPadded
    };

    void addLiteral(const QString &text);
    void addToken(QStringView token, bool amPmMode);

    QVector<Step> m_steps;
    QStringList m_literals;
};

} // namespace LogEngine

#endif
