#ifndef QORVLOGMANAGERREGISTRY_H
#define QORVLOGMANAGERREGISTRY_H

#include "qorvlog_export.h"

#include <QMap>
#include <QObject>
#include <QString>

class QORVLogManager;

/*!
 * The process-wide directory of log managers by name. It owns none of them
 * and does not notice their destruction: unregister a manager before it is
 * destroyed. Not synchronised.
 */
class QORVLOG_EXPORT QORVLogManagerRegistry : public QObject
{
    Q_OBJECT

public:
    static QORVLogManagerRegistry *instance();

    /*! Enters `manager` under `name`, replacing (not deleting) an earlier one. */
    void registerLogManager(const QString &name, QORVLogManager *manager);
    QORVLogManager *unregisterLogManager(const QString &name);
    QORVLogManager *getLogManager(const QString &name) const;

protected:
    explicit QORVLogManagerRegistry(QObject *parent = nullptr);
    ~QORVLogManagerRegistry() override;

private:
    QMap<QString, QORVLogManager *> m_logManagers;
};

#endif
