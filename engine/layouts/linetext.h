#ifndef LOGENGINE_LINETEXT_H
#define LOGENGINE_LINETEXT_H

#include <QString>
#include <QStringView>

#include <cstring>

namespace LogEngine
{

/*!
 * \internal
 * Appends to a QString through a pointer, for the converters that build one
 * line: a QString appends each piece through a call that checks its state
 * again every time. While the line is made the string is sized to all its
 * room; when it is done it is cut to the text written.
 */
class LineText
{
public:
    explicit LineText(QString &text);
    ~LineText() { m_text.resize(m_size); }

    int size() const { return m_size; }
    QChar *data() { return m_data; }
    /*! Drops everything after the first `size` characters. */
    void truncate(int size) { m_size = size; }

    void append(QStringView text)
    {
        const int length = int(text.size());
        QChar *out = extend(length);
        // Most pieces of a line are a few characters, for which a call to
        // memcpy costs more than the copy.
        if (length <= 8) {
            for (int i = 0; i < length; ++i)
                out[i] = text[i];
            return;
        }
        std::memcpy(static_cast<void *>(out), text.data(), size_t(length) * sizeof(QChar));
    }
    /*! Adds `length` characters to the line and gives where to write them. */
    QChar *extend(int length)
    {
        if (length > m_room - m_size)
            grow(length);
        QChar *end = m_data + m_size;
        m_size += length;
        return end;
    }

private:
    void grow(int length);

    QString &m_text;
    QChar *m_data;
    int m_size;
    int m_room;

    Q_DISABLE_COPY(LineText)
};

} // namespace LogEngine

#endif
