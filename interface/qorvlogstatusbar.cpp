#include "qorvlogstatusbar.h"

QORVLogStatusBar::QORVLogStatusBar(QWidget *parent)
    : QStatusBar(parent)
{
}

QORVLogStatusBar::~QORVLogStatusBar() = default;
