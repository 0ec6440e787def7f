#include "qorvlogmanagerregistry.h"

QORVLogManagerRegistry::QORVLogManagerRegistry(QObject *parent)
    : QObject(parent)
{
}

QORVLogManagerRegistry::~QORVLogManagerRegistry() = default;

QORVLogManagerRegistry *QORVLogManagerRegistry::instance()
{
    struct Holder {
        QORVLogManagerRegistry *registry = new QORVLogManagerRegistry;
        ~Holder() { delete registry; }
    };
    static Holder s_holder;
    return s_holder.registry;
}

void QORVLogManagerRegistry::registerLogManager(const QString &name, QORVLogManager *manager)
{
    m_logManagers.insert(name, manager);
}

QORVLogManager *QORVLogManagerRegistry::unregisterLogManager(const QString &name)
{
    return m_logManagers.take(name);
}

QORVLogManager *QORVLogManagerRegistry::getLogManager(const QString &name) const
{
    return m_logManagers.value(name);
}
