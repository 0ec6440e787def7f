// Any text through every option conversion: each must return its value or
// its fallback, and the success flags must agree with the results.
#include "fuzzquiet.h"

#include "engine/configuration/optionconverter.h"
#include "engine/configuration/properties.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using LogEngine::OptionConverter;
    const QString option = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    bool ok = false;
    if (OptionConverter::toBoolean(option, &ok) && !ok)
        std::abort();
    const qint64 bytes = OptionConverter::toFileSize(option, &ok);
    if (bytes < 0 || (!ok && bytes != 0))
        std::abort();
    const int number = OptionConverter::toInt(option, &ok);
    if (!ok && number != 0)
        std::abort();
    OptionConverter::toLevel(option, &ok);
    const int target = OptionConverter::toTarget(option, &ok);
    if (target != 0 && target != 1)
        std::abort();
    // The text as a value that others refer to and that refers to them.
    LogEngine::Properties properties;
    properties.insert(QStringLiteral("k"), option);
    properties.insert(QStringLiteral("a"), QStringLiteral("${k}${k}"));
    properties.insert(option.left(8), QStringLiteral("${a}"));
    OptionConverter::substituteVariables(properties, QStringLiteral("a"));
    OptionConverter::substituteVariables(properties, QStringLiteral("k"));
    return 0;
}
