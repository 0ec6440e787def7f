#include "qorvlogwidget.h"

QORVLogWidget::QORVLogWidget(QWidget *parent, Qt::WindowFlags flags)
    : QWidget(parent, flags)
{
}

QORVLogWidget::~QORVLogWidget() = default;
