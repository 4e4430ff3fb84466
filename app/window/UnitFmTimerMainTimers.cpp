// The window menu's "Timers": every other open timer, to bring to the front
// from the keyboard when windows lie on top of each other.
#include "UnitFmTimerMain.h"

#include <QCoreApplication>
#include <QMenu>

void TFmTimerMain::BuildTimersMenu()
{
    if (!hooks_.OtherTimers)
        return;
    MnTimers = new QMenu(QCoreApplication::translate("TFmTimerMain", "タイマー一覧"), PopupMenu1);
    MnTimers->setObjectName(QStringLiteral("MnTimers"));
    PopupMenu1->insertMenu(MnNew, MnTimers);
    // Made again as the whole menu opens: the submenu may be disabled.
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TFmTimerMain::MnTimersShow);
    connect(MnTimers, &QMenu::aboutToShow, this, &TFmTimerMain::MnTimersShow);
}

void TFmTimerMain::MnTimersShow()
{
    MnTimers->clear();
    for (auto& [line, show] : hooks_.OtherTimers(*this)) {
        QString text = line;
        MnTimers->addAction(text.replace(QLatin1Char('&'), QStringLiteral("&&")), this, show);
    }
    MnTimers->menuAction()->setEnabled(!MnTimers->isEmpty());
}
