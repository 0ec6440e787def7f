#include "engine/initialisationhelper.h"

#include "engine/level.h"
#include "engine/logerror.h"
#include "engine/loggingevent.h"

#include <QDateTime>
#include <QMetaType>

#include <atomic>

namespace LogEngine
{

namespace
{

std::atomic<InitialisationHelper *> s_instance { nullptr };

} // namespace

InitialisationHelper::InitialisationHelper()
    : m_startTime(QDateTime::currentMSecsSinceEpoch())
{
    qRegisterMetaType<LogError>("LogEngine::LogError");
    qRegisterMetaType<Level>("LogEngine::Level");
    qRegisterMetaType<LoggingEvent>("LogEngine::LoggingEvent");
    qRegisterMetaTypeStreamOperators<LogError>("LogEngine::LogError");
    qRegisterMetaTypeStreamOperators<Level>("LogEngine::Level");
    qRegisterMetaTypeStreamOperators<LoggingEvent>("LogEngine::LoggingEvent");
}

InitialisationHelper::~InitialisationHelper() = default;

InitialisationHelper *InitialisationHelper::instance()
{
    InitialisationHelper *helper = s_instance.load(std::memory_order_acquire);
    if (!helper) {
        auto *made = new InitialisationHelper;
        if (s_instance.compare_exchange_strong(helper, made, std::memory_order_acq_rel))
            helper = made;
        else
            delete made;
    }
    return helper;
}

// Runs while the library (or a test executable holding the engine's objects) loads.
static const InitialisationHelper *const s_atLoad = InitialisationHelper::instance();

} // namespace LogEngine
