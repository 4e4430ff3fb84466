// A repeating count-down: its menu, the round shown, and what the window
// does as a round ends and the next begins.
#include "UnitFmTimerMain.h"

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QSpinBox>

#include <algorithm>
#include <array>

#include "TimerAccessible.h"
#include "TimerReadout.h"

namespace {

// The menu's choices, in rounds, in the menu's order; 0: once, without a
// repeat. The item after them asks for any other count up to 99.
constexpr std::array<int, 9> kRepeatChoices{0, 2, 3, 4, 5, 6, 8, 10, TTimerModel::kRepeatForever};

} // namespace

void TFmTimerMain::MnRepeatShow(QObject*)
{
    const QList<QAction*> items = MnRepeat->actions();
    const bool listed =
        std::find(kRepeatChoices.begin(), kRepeatChoices.end(), model_->Repeat()) != kRepeatChoices.end();
    for (qsizetype n = 0; n < items.size(); ++n) {
        items[n]->setCheckable(true);
        items[n]->setChecked(n < qsizetype(kRepeatChoices.size()) ? kRepeatChoices[std::size_t(n)] == model_->Repeat()
                                                                  : !listed);
    }
}

QDialog* TFmTimerMain::AskRepeat(QWidget* parent, int current, std::function<void(int rounds)> take)
{
    auto* dialog = new QDialog(parent);
    auto* edit = new QSpinBox(dialog);
    edit->setRange(2, TTimerModel::kMaxRepeat);
    edit->setValue(current >= 2 ? current : 2);
    QDialogButtonBox* buttons = nullptr;
    // The spin box takes no other value: nothing is ever refused.
    LayOutAskingDialog(dialog, QCoreApplication::translate("TFmTimerMain", "繰り返し"),
                       QCoreApplication::translate("TFmTimerMain", "カウントダウンの回数 (2〜99):"), edit, &buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, edit, take = std::move(take)] {
        dialog->accept();
        take(edit->value());
    });
    edit->setFocus();
    return dialog;
}

void TFmTimerMain::MnRepeatClick(QObject* Sender)
{
    const qsizetype n = MnRepeat->actions().indexOf(qobject_cast<QAction*>(Sender));
    if (n >= 0 && n < qsizetype(kRepeatChoices.size()))
        model_->SetRepeat(kRepeatChoices[std::size_t(n)]);
    else if (n >= 0)
        OpenDialog(AskRepeat(this, model_->Repeat(), [this](int rounds) { model_->SetRepeat(rounds); }));
}

void TFmTimerMain::ShowRound()
{
    // Where COUNT UP shows, which a repeating count-down never does.
    const QString round = model_->RoundText();
    if (LbRound->text() != round)
        LbRound->setText(round);
    LbRound->setVisible(!round.isEmpty() && !model_->CountUp());
}

void TFmTimerMain::RoundBegun(int ended)
{
    // One step of the alarm: its sound once; the window stays where it is.
    // The notification comes from the desktop services.
    const QString own = model_->SoundFile();
    if (own.isEmpty() || !hooks_.Sound->Play(own, model_->Volume(), hooks_.SoundChannel)) {
        const QString path = DefaultSoundFile();
        if (QFileInfo(path).isFile())
            hooks_.Sound->Play(path, model_->Volume(), hooks_.SoundChannel);
    }
    Speaker->Say(TTimerReadout::Named(
        model_->Label(), TTimerReadout::RoundBegins(model_->Round(), model_->Repeat(), ended)));
}
