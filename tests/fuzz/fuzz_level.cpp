// Any bytes as the data-stream form of a level: reading ends, a level that
// was read is written back as the byte it came from.
#include "fuzzquiet.h"

#include "engine/level.h"

#include <QDataStream>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    QDataStream in(bytes);
    LogEngine::Level level;
    in >> level;
    if (in.status() != QDataStream::Ok)
        return 0;
    QByteArray written;
    QDataStream out(&written, QIODevice::WriteOnly);
    out << level;
    if (written != bytes.left(written.size()))
        std::abort();
    level.toString();
    return 0;
}
