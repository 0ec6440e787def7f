// Any text as a date format (named or a pattern) applied to any time stamp
// an event may carry: formatting ends, whatever the stamp. One format per
// input, so that libFuzzer's times are those of one formatting.
#include "fuzzquiet.h"

#include "engine/layouts/datetime.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using LogEngine::DateTime;
    // The first eight bytes choose the time, any stamp a stream may carry.
    qint64 stamp = Q_INT64_C(1435622400123);
    if (size >= sizeof stamp) {
        std::memcpy(&stamp, data, sizeof stamp);
        data += sizeof stamp;
        size -= sizeof stamp;
    }
    const QString format = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    DateTime::fromMilliSeconds(stamp).toString(format);
    DateTime::patternFor(format);
    return 0;
}
