// The timer window's dialogs: each locks its own window only and names its
// timer (Name..., Alarm sound..., Count down to..., messages); the question
// before a counting timer closes.
#include "UnitFmTimerMain.h"

#include <QCoreApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>

#include "AlarmSoundDialog.h"
#include "TimerReadout.h"

void TFmTimerMain::MnSoundClick(QObject*)
{
    if (hooks_.AskSound) {
        QString file = model_->SoundFile();
        int volume = model_->Volume();
        ++dialogs_;
        const bool ok = hooks_.AskSound(*this, &file, &volume);
        --dialogs_;
        if (ok)
            model_->SetSound(file, volume);
        return;
    }
    // The preview has a channel of its own: a ringing alarm goes on beside it.
    auto* dialog = new TAlarmSoundDialog(this, Sound(), -1 - SoundChannel(), DefaultSoundFile());
    dialog->SetChoice(model_->SoundFile(), model_->Volume());
    OpenDialog(dialog, [this, dialog](int result) {
        if (result == QDialog::Accepted)
            model_->SetSound(dialog->File(), dialog->Volume());
    });
}

void TFmTimerMain::MnNameClick(QObject*)
{
    if (hooks_.AskName) {
        bool ok = false;
        ++dialogs_;
        const QString name = hooks_.AskName(this, model_->Name(), &ok);
        --dialogs_;
        if (ok)
            model_->SetName(name);
        return;
    }
    OpenDialog(AskName(this, model_->Name(), [this](const QString& name) {
        const QString why = hooks_.NameRefusal ? hooks_.NameRefusal(*this, name) : QString();
        if (why.isEmpty())
            model_->SetName(name);
        return why;
    }));
}

void TFmTimerMain::MnUntilClick(QObject*)
{
    // The time until then is no length the user would start again.
    if (!hooks_.AskUntil) {
        OpenDialog(AskUntil(this, [this](int seconds) { StartCountDown(seconds, false); }));
        return;
    }
    ++dialogs_;
    const std::optional<int> seconds = hooks_.AskUntil(this);
    --dialogs_;
    if (seconds)
        StartCountDown(*seconds, false);
}

QString TFmTimerMain::DialogTitle(const QString& what) const
{
    const QString label = model_->Label();
    if (label.isEmpty() || what.isEmpty())
        return label.isEmpty() ? what : label;
    return QCoreApplication::translate("TFmTimerMain", "%1 \u2013 %2").arg(what, label);
}

void TFmTimerMain::OpenDialog(QDialog* dialog, std::function<void(int result)> done)
{
    // A single unnamed timer's dialogs keep their own titles.
    if (!model_->Label().isEmpty())
        dialog->setWindowTitle(DialogTitle(dialog->windowTitle()));
    // It locks this window only: another timer's STOP and keys stay free,
    // and no loop of its own holds up another window's dialog.
    dialog->setWindowModality(Qt::WindowModal);
    ++dialogs_;
    connect(dialog, &QDialog::finished, this, [this, dialog, done = std::move(done)](int result) {
        --dialogs_;
        dialog->deleteLater();
        if (done)
            done(result);
    });
    dialog->open();
}

void TFmTimerMain::Tell(const QString& message)
{
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Pocosa"), message, QMessageBox::Ok, this);
    OpenDialog(box);
}

QString TFmTimerMain::CountingText() const
{
    const QString time = TTimerReadout::Clock(model_->Seconds());
    return model_->Label().isEmpty() ? time : model_->Label() + QLatin1Char(' ') + time;
}

void TFmTimerMain::AskClose(const QString& question, std::function<void()> close)
{
    if (closeQuestion_ && closeQuestion_->isVisible()) {
        closeQuestion_->activateWindow();
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Pocosa"), question,
                                QMessageBox::Close | QMessageBox::Cancel, this);
    box->setDefaultButton(QMessageBox::Cancel);
    box->setEscapeButton(QMessageBox::Cancel);
    closeQuestion_ = box;
    OpenDialog(box, [box, close = std::move(close)](int) {
        if (box->clickedButton() == box->button(QMessageBox::Close))
            close();
    });
}

QString TFmTimerMain::CloseQuestion() const
{
    const char* question = model_->CountUp()
                               ? QT_TRANSLATE_NOOP("TFmTimerMain", "%1 はカウントアップ中です (%2)。閉じますか?")
                               : QT_TRANSLATE_NOOP("TFmTimerMain", "%1 はカウントダウン中です (%2)。閉じますか?");
    const QString label =
        model_->Label().isEmpty() ? QCoreApplication::translate("TFmTimerMain", "タイマー") : model_->Label();
    return QCoreApplication::translate("TFmTimerMain", question).arg(label, TTimerReadout::Clock(model_->Seconds()));
}
