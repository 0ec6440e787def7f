// Any bytes as the data-stream form of a logging event: reading ends, and
// the event read is written and read back to the same fields.
#include "fuzzquiet.h"

#include "engine/loggingevent.h"

#include <QDataStream>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size));
    QDataStream in(bytes);
    LogEngine::LoggingEvent event;
    in >> event;
    QByteArray written;
    {
        QDataStream out(&written, QIODevice::WriteOnly);
        out << event;
    }
    QDataStream again(written);
    LogEngine::LoggingEvent copy;
    again >> copy;
    if (copy.loggerName() != event.loggerName() || copy.message() != event.message() || copy.ndc() != event.ndc()
        || copy.properties() != event.properties() || copy.sequenceNumber() != event.sequenceNumber()
        || copy.threadName() != event.threadName() || copy.timeStamp() != event.timeStamp()
        || copy.level() != event.level())
        std::abort();
    return 0;
}
