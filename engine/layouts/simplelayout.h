#ifndef LOGENGINE_SIMPLELAYOUT_H
#define LOGENGINE_SIMPLELAYOUT_H

#include "engine/layouts/layout.h"

namespace LogEngine
{

/*! Level, " - " and the message: "INFO - Started\r\n". */
class SimpleLayout : public Layout
{
    Q_OBJECT

public:
    explicit SimpleLayout(QObject *parent = nullptr);

    QDebug debug(QDebug &debug) const override;
    QString format(const LoggingEvent &event) override;
};

} // namespace LogEngine

#endif
