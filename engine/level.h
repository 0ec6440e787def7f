#ifndef LOGENGINE_LEVEL_H
#define LOGENGINE_LEVEL_H

#include <QMetaType>
#include <QString>

class QDataStream;
class QDebug;

namespace LogEngine
{

/*!
 * The engine's severity: one integer, ordered by value. Only nine values have
 * names; any other integer is valid and reads as "NULL". Plain value type,
 * copied freely between threads.
 */
class Level
{
public:
    enum Value {
        NULL_INT = 0,
        ALL_INT = 32,
        TRACE_INT = 64,
        DEBUG_INT = 96,
        INFO_INT = 128,
        WARN_INT = 150,
        ERROR_INT = 182,
        FATAL_INT = 214,
        OFF_INT = 255
    };

    constexpr Level(int value = NULL_INT)
        : m_value(value)
    {
    }

    constexpr int toInt() const { return m_value; }
    QString toString() const;
    /*! The text of `toString()`, without a copy where it can be kept; otherwise made in `storage`. */
    QStringView name(QString &storage) const;
    static Level fromString(const QString &text, bool *ok = nullptr);

    friend constexpr bool operator==(Level a, Level b) { return a.m_value == b.m_value; }
    friend constexpr bool operator!=(Level a, Level b) { return a.m_value != b.m_value; }
    friend constexpr bool operator<(Level a, Level b) { return a.m_value < b.m_value; }
    friend constexpr bool operator<=(Level a, Level b) { return a.m_value <= b.m_value; }
    friend constexpr bool operator>(Level a, Level b) { return a.m_value > b.m_value; }
    friend constexpr bool operator>=(Level a, Level b) { return a.m_value >= b.m_value; }

private:
    qint32 m_value;
};

// One unsigned byte: values above 255 do not survive the trip.
QDataStream &operator<<(QDataStream &out, const Level &level);
QDataStream &operator>>(QDataStream &in, Level &level);
QDebug operator<<(QDebug debug, const Level &level);

} // namespace LogEngine

Q_DECLARE_METATYPE(LogEngine::Level)
Q_DECLARE_TYPEINFO(LogEngine::Level, Q_PRIMITIVE_TYPE);

#endif
