#ifndef LOGENGINE_DETAIL_QTCOMPAT_H
#define LOGENGINE_DETAIL_QTCOMPAT_H

// What differs between Qt 5 and Qt 6, in one place: the rest of the library
// is written once against these names. Qt 5 gives text codecs, Qt 6 the few
// encodings of QStringConverter; Qt 5 registers the stream operators of a
// value type by hand, Qt 6 finds them with the type.

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QStringView>
#include <QTextStream>
#include <QVariant>
#include <QtGlobal>

#if QT_VERSION_MAJOR < 6
#include <QTextCodec>
#else
#include <QStringConverter>
#endif

namespace LogEngine
{

#if QT_VERSION_MAJOR < 6

using TextCodec = QTextCodec;

// The type a property holding a codec is declared with (moc reads it).
#define LOGENGINE_TEXT_CODEC QTextCodec

#else

/*!
 * A text encoding by name, standing in for Qt 5's text codec: one instance
 * per encoding Qt 6 converts, so codecs compare by address as they did.
 */
class TextCodec
{
public:
    static TextCodec *codecForName(const char *name);
    static TextCodec *codecForLocale();
    static TextCodec *codecForEncoding(QStringConverter::Encoding encoding);

    QByteArray name() const;
    QStringConverter::Encoding encoding() const { return m_encoding; }

private:
    explicit TextCodec(QStringConverter::Encoding encoding)
        : m_encoding(encoding)
    {
    }

    QStringConverter::Encoding m_encoding;
};

#define LOGENGINE_TEXT_CODEC LogEngine::TextCodec

#endif

namespace QtCompat
{

/*! The codec a stream writes with now. */
TextCodec *streamCodec(const QTextStream &stream);
void setStreamCodec(QTextStream &stream, TextCodec *codec);
/*! The codec's name, empty for none. */
QString codecName(const TextCodec *codec);
/*! True for UTF-8 and for no codec at all, which means UTF-8 too. */
bool isUtf8(const TextCodec *codec);
/*! One whole line in the codec's bytes, without a byte order mark. */
QByteArray encodeLine(const TextCodec &codec, QStringView text);

/*! Registers a value type under its name, with its data-stream operators. */
template <typename T> void registerStreamableType(const char *name)
{
    qRegisterMetaType<T>(name);
#if QT_VERSION_MAJOR < 6
    qRegisterMetaTypeStreamOperators<T>(name);
#endif
}

/*! A value of the registered type `typeId`, as its default constructor makes it. */
inline QVariant variantOfType(int typeId)
{
#if QT_VERSION_MAJOR < 6
    return QVariant(typeId, nullptr);
#else
    return QVariant(QMetaType(typeId), nullptr);
#endif
}

/*!
 * How many strings share this one's text, read with acquire order; not 1
 * for a string without text of its own.
 */
inline int shareCountAcquire(QString &text)
{
#if QT_VERSION_MAJOR < 6
    return text.data_ptr()->ref.atomic.loadAcquire();
#else
    const QArrayData *data = text.data_ptr().d_ptr();
    return data ? data->ref_.loadAcquire() : -1;
#endif
}

} // namespace QtCompat

} // namespace LogEngine

#endif
