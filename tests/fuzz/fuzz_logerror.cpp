// Any bytes as the data-stream form of an error record: reading ends, the
// record prints, and what was read survives a further write and read.
#include "fuzzquiet.h"

#include "engine/logerror.h"

#include <QDataStream>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    QDataStream in(bytes);
    LogEngine::LogError error;
    in >> error;
    error.toString();
    QByteArray written;
    {
        QDataStream out(&written, QIODevice::WriteOnly);
        out << error;
    }
    QDataStream again(written);
    LogEngine::LogError copy;
    again >> copy;
    if (copy.toString() != error.toString() || copy.causingErrors().size() != error.causingErrors().size())
        std::abort();
    return 0;
}
