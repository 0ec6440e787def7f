// Any bytes as a properties file: loading must end, without crash or hang,
// and every stored key must be found again by `property`.
#include "fuzzquiet.h"

#include "engine/configuration/optionconverter.h"
#include "engine/configuration/properties.h"

#include <QBuffer>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char *>(data), int(size));
    buffer.open(QIODevice::ReadOnly);
    LogEngine::Properties properties;
    properties.load(&buffer);
    // Every value once, as a configuration run expands them: within one budget.
    LogEngine::OptionConverter::SubstitutionBudget budget;
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        if (properties.property(it.key()) != it.value() && !it.value().isNull())
            std::abort();
        const QString value = LogEngine::OptionConverter::substituteVariables(properties, it.key(), budget);
        if (value.size() > it.value().size() + LogEngine::OptionConverter::maxValueCharacters)
            std::abort();
    }
    return 0;
}
