#include "engine/loggerrepository.h"

namespace LogEngine
{

LoggerRepository::~LoggerRepository() = default;

} // namespace LogEngine
