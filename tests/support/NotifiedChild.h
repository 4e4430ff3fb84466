#pragma once

#include <QEvent>
#include <QWidget>

#include <vector>

#include "vlmMessages.h"

// A child widget that records the background notifications it receives.
// For test executables that link the components library.
class TNotifiedChild : public QWidget {
public:
    using QWidget::QWidget;
    std::vector<TBitmap*> backgrounds;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == kBackgroundNotifyEvent)
            backgrounds.push_back(static_cast<TBackgroundNotifyEvent*>(e)->Background());
        return QWidget::event(e);
    }
};
