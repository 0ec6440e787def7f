#include "engine/layouts/linetext.h"

#include <QtGlobal>

#include <climits>

namespace LogEngine
{

namespace
{

// Room for an ordinary line in a string that has none yet.
constexpr int initialRoom = 128;
// Characters a QString can hold, less a margin for its header.
constexpr qint64 maxLength = (qint64(INT_MAX) - 64) / 2;

} // namespace

LineText::LineText(QString &text)
    : m_text(text)
    , m_size(int(text.size()))
{
    m_text.resize(qMax(int(m_text.capacity()), m_size + initialRoom));
    m_data = m_text.data();
    m_room = int(m_text.size());
}

void LineText::grow(int length)
{
    // Doubling keeps a long line from being copied once per piece; a line
    // longer than a QString holds fails as QString fails.
    const qint64 needed = qint64(m_size) + length;
    if (needed > maxLength)
        qBadAlloc();
    m_text.resize(int(qMin(qMax(needed, 2 * qint64(m_room)), maxLength)));
    m_data = m_text.data();
    m_room = int(m_text.size());
}

} // namespace LogEngine
