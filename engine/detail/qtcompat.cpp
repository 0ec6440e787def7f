#include "engine/detail/qtcompat.h"

#include <iterator>

namespace LogEngine
{

#if QT_VERSION_MAJOR >= 6

TextCodec *TextCodec::codecForEncoding(QStringConverter::Encoding encoding)
{
    // Indexed by the encoding's value.
    static TextCodec codecs[] = { TextCodec(QStringConverter::Utf8), TextCodec(QStringConverter::Utf16),
        TextCodec(QStringConverter::Utf16LE), TextCodec(QStringConverter::Utf16BE), TextCodec(QStringConverter::Utf32),
        TextCodec(QStringConverter::Utf32LE), TextCodec(QStringConverter::Utf32BE), TextCodec(QStringConverter::Latin1),
        TextCodec(QStringConverter::System) };
    static_assert(std::size(codecs) == QStringConverter::LastEncoding + 1);
    return &codecs[encoding];
}

TextCodec *TextCodec::codecForName(const char *name)
{
    const std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForName(name);
    return encoding ? codecForEncoding(*encoding) : nullptr;
}

TextCodec *TextCodec::codecForLocale()
{
    return codecForEncoding(QStringConverter::System);
}

QByteArray TextCodec::name() const
{
    return QByteArray(QStringConverter::nameForEncoding(m_encoding));
}

#endif

namespace QtCompat
{

TextCodec *streamCodec(const QTextStream &stream)
{
#if QT_VERSION_MAJOR < 6
    return stream.codec();
#else
    return TextCodec::codecForEncoding(stream.encoding());
#endif
}

void setStreamCodec(QTextStream &stream, TextCodec *codec)
{
#if QT_VERSION_MAJOR < 6
    stream.setCodec(codec);
#else
    stream.setEncoding(codec->encoding());
#endif
}

QString codecName(const TextCodec *codec)
{
    return codec ? QString::fromLatin1(codec->name()) : QString();
}

bool isUtf8(const TextCodec *codec)
{
#if QT_VERSION_MAJOR < 6
    constexpr int utf8Mib = 106;
    return !codec || codec->mibEnum() == utf8Mib;
#else
    return !codec || codec->encoding() == QStringConverter::Utf8;
#endif
}

QByteArray encodeLine(const TextCodec &codec, QStringView text)
{
    // Whole lines, so no state carries over; no byte order mark.
#if QT_VERSION_MAJOR < 6
    QTextCodec::ConverterState state(QTextCodec::IgnoreHeader);
    return codec.fromUnicode(text.data(), int(text.size()), &state);
#else
    QStringEncoder encoder(codec.encoding(), QStringConverter::Flag::Stateless);
    return encoder.encode(text);
#endif
}

} // namespace QtCompat

} // namespace LogEngine
