#include "engine/logerror.h"

#include <QBuffer>
#include <QDataStream>
#include <QDateTime>
#include <QDebug>
#include <QTimeZone>

namespace LogEngine
{

namespace
{

QString trimmedMessage(const QString &message)
{
    if (message.endsWith(QLatin1Char('.')))
        return message.left(message.size() - 1);
    return message;
}

QString decode(const char *text, LogError::Encoding encoding)
{
    switch (encoding) {
    case LogError::LOCALE_ENCODING:
        return QString::fromLocal8Bit(text);
    case LogError::UTF8_ENCODING:
        return QString::fromUtf8(text);
    default:
        return QString::fromLatin1(text);
    }
}

// A stream form comes from outside: a hostile one could nest causes until the
// stack overflows or announce more of them than memory holds. Real records
// nest a handful of levels deep.
constexpr int maxCauseDepth = 64;
constexpr int maxRecordsPerRead = 100000;

enum class ArgumentRead { Read, Refused, Truncated };

// Qt reads a time in a zone this system does not know as a time it cannot
// write again: writing it dereferences the missing zone.
bool isWritable(const QVariant &arg)
{
    if (arg.userType() != QMetaType::QDateTime)
        return true;
    const QDateTime time = arg.toDateTime();
    return time.timeSpec() != Qt::TimeZone || time.timeZone().isValid();
}

// Whether `count` elements of at least `least` bytes each fit in what is
// left of the data: a count is believed only that far.
bool countFits(QDataStream &in, quint32 count, qint64 least)
{
    return qint64(count) * least <= in.device()->bytesAvailable();
}

// Containers nested in containers, as deep as a real argument goes.
constexpr int maxArgumentDepth = 16;

ArgumentRead readArgument(QDataStream &in, QVariant &arg, int depth);

// Text lists, byte array lists: Qt would reserve room for the claimed count
// before reading an element, and a claim near 2^31 overflows the size it
// asks for and ends the process. Read here element by element instead.
template <typename List> ArgumentRead readList(QDataStream &in, QVariant &arg)
{
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok)
        return ArgumentRead::Truncated;
    if (!countFits(in, count, 4)) // each element's length alone takes four bytes
        return ArgumentRead::Refused;
    List list;
    for (quint32 i = 0; i < count; ++i) {
        typename List::value_type element;
        in >> element;
        if (in.status() != QDataStream::Ok)
            return ArgumentRead::Truncated;
        list.append(element);
    }
    arg = QVariant::fromValue(list);
    return ArgumentRead::Read;
}

ArgumentRead readVariantList(QDataStream &in, QVariant &arg, int depth)
{
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok)
        return ArgumentRead::Truncated;
    if (!countFits(in, count, 5)) // a type and a null flag at least
        return ArgumentRead::Refused;
    QVariantList list;
    for (quint32 i = 0; i < count; ++i) {
        QVariant element;
        const ArgumentRead read = readArgument(in, element, depth + 1);
        if (read != ArgumentRead::Read)
            return read;
        list.append(element);
    }
    arg = list;
    return ArgumentRead::Read;
}

template <typename Map> ArgumentRead readVariantMap(QDataStream &in, QVariant &arg, int depth)
{
    quint32 count = 0;
    in >> count;
    if (in.status() != QDataStream::Ok)
        return ArgumentRead::Truncated;
    if (!countFits(in, count, 9)) // a key's length, a value's type and null flag
        return ArgumentRead::Refused;
    Map map;
    for (quint32 i = 0; i < count; ++i) {
        QString key;
        in >> key;
        QVariant value;
        const ArgumentRead read
            = in.status() == QDataStream::Ok ? readArgument(in, value, depth + 1) : ArgumentRead::Truncated;
        if (read != ArgumentRead::Read)
            return read;
        map.insert(key, value);
    }
    arg = map;
    return ArgumentRead::Read;
}

// One argument in Qt's variant form, judged by the type ahead in the stream
// before anything is read by a count. Raisers pass numbers, text, times and
// lists and maps of them; containers are read here with their counts
// bounded by the bytes left, everything else that is not a plain value is
// refused.
ArgumentRead readArgument(QDataStream &in, QVariant &arg, int depth)
{
    if (depth > maxArgumentDepth)
        return ArgumentRead::Refused;
    QIODevice *device = in.device();
    const qint64 start = device->pos();
    quint32 type = 0;
    qint8 isNull = 0;
    in >> type >> isNull;
    QByteArray typeName;
    if (type == QMetaType::User)
        in >> typeName;
    if (in.status() != QDataStream::Ok)
        return ArgumentRead::Truncated;
    switch (type) {
    case QMetaType::QStringList:
        return readList<QStringList>(in, arg);
    case QMetaType::QByteArrayList:
        return readList<QByteArrayList>(in, arg);
    case QMetaType::QVariantList:
        return readVariantList(in, arg, depth);
    case QMetaType::QVariantMap:
        return readVariantMap<QVariantMap>(in, arg, depth);
    case QMetaType::QVariantHash:
        return readVariantMap<QVariantHash>(in, arg, depth);
    case QMetaType::UnknownType:
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::QChar:
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QDate:
    case QMetaType::QTime:
    case QMetaType::QDateTime:
    case QMetaType::QUrl:
    case QMetaType::QUuid:
        break;
    case QMetaType::User: {
        // The engine's own value types, whose readers bound what they read.
        const char *name = typeName.constData();
        if (qstrcmp(name, "LogEngine::LogError") == 0 || qstrcmp(name, "LogEngine::Level") == 0
            || qstrcmp(name, "LogEngine::LoggingEvent") == 0)
            break;
        return ArgumentRead::Refused;
    }
    default:
        return ArgumentRead::Refused;
    }
    device->seek(start);
    in >> arg;
    if (in.status() == QDataStream::ReadCorruptData || !isWritable(arg))
        return ArgumentRead::Refused;
    return in.status() == QDataStream::Ok ? ArgumentRead::Read : ArgumentRead::Truncated;
}

} // namespace

LogError::LogError()
    : m_code(0)
{
}

LogError::LogError(const QString &message, int code, const QString &symbol, const QString &context)
    : m_code(code)
    , m_context(context)
    , m_message(trimmedMessage(message))
    , m_symbol(symbol)
{
}

LogError::LogError(const char *message, int code, const char *symbol, const char *context, Encoding encoding)
    : m_code(code)
    , m_context(QString::fromLatin1(context))
    , m_message(trimmedMessage(decode(message, encoding)))
    , m_symbol(QString::fromLatin1(symbol))
{
    if (m_symbol == QString::number(m_code))
        m_symbol.clear();
}

QString LogError::excerpt(const QString &text)
{
    constexpr int kept = 256;
    if (text.size() <= kept)
        return text;
    return text.left(kept) + QStringLiteral("... (%1 characters)").arg(text.size());
}

QString LogError::messageWithArgs() const
{
    QString result = m_message;
    for (const QVariant &arg : m_args)
        result = result.arg(arg.toString());
    return result;
}

QString LogError::toString() const
{
    QString result = messageWithArgs();
    QString qualifier = m_context;
    if (!m_context.isEmpty() && !m_symbol.isEmpty())
        qualifier += QLatin1String("::");
    qualifier += m_symbol;
    if (!qualifier.isEmpty() || m_code != 0) {
        result += QLatin1String(" (");
        result += qualifier;
        if (!qualifier.isEmpty() && m_code != 0)
            result += QLatin1String(", ");
        if (m_code != 0)
            result += QString::number(m_code);
        result += QLatin1Char(')');
    }
    for (int i = 0; i < m_causingErrors.size(); ++i) {
        result += i == 0 ? QLatin1String(": ") : QLatin1String(", ");
        result += m_causingErrors.at(i).toString();
    }
    return result;
}

bool LogError::operator==(const LogError &other) const
{
    return m_code == other.m_code && m_context == other.m_context && m_message == other.m_message
        && m_symbol == other.m_symbol && m_args == other.m_args && m_causingErrors == other.m_causingErrors;
}

QDataStream &operator<<(QDataStream &out, const LogError &error)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QDataStream inner(&buffer);
    inner << quint16(0) << qint32(error.m_code) << error.m_context << error.m_message << error.m_symbol;
    inner << quint32(error.m_args.size());
    for (const QVariant &arg : error.m_args)
        inner << arg;
    inner << quint32(error.m_causingErrors.size());
    for (const LogError &cause : error.m_causingErrors)
        inner << cause;
    buffer.close();
    out << bytes;
    return out;
}

// Nesting depth and records read so far in this thread's outermost read. They
// are per thread rather than parameters because a record can also arrive
// nested inside an argument variant, which Qt reads through operator>>.
thread_local int t_readDepth = 0;
thread_local int t_readBudget = 0;

// The counts in the form are never used to reserve memory: reading stops
// where the inner data ends.
bool readLogError(QDataStream &in, LogError &error)
{
    error = LogError();
    if (t_readDepth > maxCauseDepth || --t_readBudget < 0) {
        in.setStatus(QDataStream::ReadCorruptData);
        return false;
    }
    QByteArray bytes;
    in >> bytes;
    if (in.status() != QDataStream::Ok)
        return false;
    QDataStream inner(bytes);
    quint16 version = 0;
    quint32 count = 0;
    inner >> version >> error.m_code >> error.m_context >> error.m_message >> error.m_symbol >> count;
    for (quint32 i = 0; i < count && !inner.atEnd() && inner.status() == QDataStream::Ok; ++i) {
        QVariant arg;
        const ArgumentRead read = readArgument(inner, arg, 0);
        if (read == ArgumentRead::Truncated)
            break;
        if (read == ArgumentRead::Refused) {
            in.setStatus(QDataStream::ReadCorruptData);
            return false;
        }
        error.m_args.append(arg);
    }
    count = 0;
    inner >> count;
    for (quint32 i = 0; i < count && !inner.atEnd() && inner.status() == QDataStream::Ok; ++i) {
        LogError cause;
        inner >> cause;
        if (inner.status() == QDataStream::ReadCorruptData) {
            in.setStatus(QDataStream::ReadCorruptData);
            return false;
        }
        if (inner.status() == QDataStream::Ok)
            error.m_causingErrors.append(cause);
    }
    return true;
}

QDataStream &operator>>(QDataStream &in, LogError &error)
{
    if (t_readDepth == 0)
        t_readBudget = maxRecordsPerRead;
    ++t_readDepth;
    readLogError(in, error);
    --t_readDepth;
    return in;
}

QDebug operator<<(QDebug debug, const LogError &error)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "LogError("
                    << "code:" << error.code() << " context:" << error.context() << " message:" << error.message()
                    << " symbol:" << error.symbol() << " args:" << error.args()
                    << " causingerrors:" << error.causingErrors().size() << ")";
    return debug;
}

} // namespace LogEngine
