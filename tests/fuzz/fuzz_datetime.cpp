// Any text as a date format (named or a pattern) applied to times at the
// edges: formatting ends and the same time always prints the same text.
#include "fuzzquiet.h"

#include "engine/layouts/datetime.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceInternalLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using LogEngine::DateTime;
    // The first eight bytes choose the time, any stamp a stream may carry.
    qint64 stamp = 0;
    if (size >= sizeof stamp) {
        std::memcpy(&stamp, data, sizeof stamp);
        data += sizeof stamp;
        size -= sizeof stamp;
    }
    const QString format = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    for (const qint64 milliSeconds : { stamp, Q_INT64_C(0), Q_INT64_C(915148800000), DateTime::maxMilliSeconds }) {
        const DateTime time = DateTime::fromMilliSeconds(milliSeconds);
        const QString text = time.toString(format);
        if (time.toString(format) != text)
            std::abort();
    }
    DateTime::patternFor(format);
    return 0;
}
