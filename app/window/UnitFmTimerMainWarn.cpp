// The warning before a count-down's end: its menu, and what the window
// does at it.
#include "UnitFmTimerMain.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include <array>

#include "TimerAccessible.h"
#include "TimerReadout.h"

namespace {

// The menu's choices, in seconds before the end, in the menu's order; 0: none.
constexpr std::array<int, 7> kWarnChoices{10, 30, 60, 120, 300, 600, 0};

} // namespace

void TFmTimerMain::MnWarnShow(QObject*)
{
    const QList<QAction*> items = MnWarn->actions();
    for (qsizetype n = 0; n < items.size() && n < qsizetype(kWarnChoices.size()); ++n) {
        // A time the command line set that is none of these checks none.
        items[n]->setCheckable(true);
        items[n]->setChecked(kWarnChoices[std::size_t(n)] == model_->Warning());
    }
}

void TFmTimerMain::MnWarnClick(QObject* Sender)
{
    const qsizetype n = MnWarn->actions().indexOf(qobject_cast<QAction*>(Sender));
    if (n >= 0 && n < qsizetype(kWarnChoices.size()))
        model_->SetWarning(kWarnChoices[std::size_t(n)]);
}

void TFmTimerMain::Warned()
{
    // Softer than the alarm, and once; the window stays where it is and the
    // keyboard where the user put it. The notification and the task bar's
    // mark come from the desktop services.
    const int volume = model_->Volume() / 2;
    const QString own = model_->SoundFile();
    if (own.isEmpty() || !hooks_.Sound->Play(own, volume, hooks_.SoundChannel)) {
        const QString path = DefaultSoundFile();
        if (QFileInfo(path).isFile())
            hooks_.Sound->Play(path, volume, hooks_.SoundChannel);
    }
    Speaker->Say(TTimerReadout::Named(model_->Label(), TTimerReadout::Left(model_->Seconds())));
}
