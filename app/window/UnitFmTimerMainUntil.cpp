// The "count down to" dialog: a time of day, and the seconds until then.
#include "UnitFmTimerMain.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QTimeEdit>

#include "TimeOfDay.h"
#include "TimerAccessible.h"
#include "Translations.h"

QDialog* TFmTimerMain::AskUntil(QWidget* parent, std::function<void(int seconds)> take)
{
    auto* dialog = new QDialog(parent);
    auto* edit = new QTimeEdit(dialog);
    // Hours and minutes as the user's language writes them; half an hour on.
    const QLocale locale = UserLanguageLocale();
    edit->setLocale(locale);
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QStringLiteral(":ss")).remove(QStringLiteral(".ss"));
    edit->setDisplayFormat(format);
    edit->setTime(SuggestedUntil(QDateTime::currentDateTime()));
    QDialogButtonBox* buttons = nullptr;
    QLabel* refusal =
        LayOutAskingDialog(dialog, QCoreApplication::translate("TFmTimerMain", "時刻まで"),
                           QCoreApplication::translate("TFmTimerMain", "カウントダウンする時刻 (99:59 以内):"), edit, &buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, edit, refusal, take = std::move(take)] {
        // Worked out as OK is pressed: the dialog may have stood open a while.
        const QTime chosen = edit->time();
        const int seconds = SecondsUntil(QTime(chosen.hour(), chosen.minute()), QDateTime::currentDateTime());
        const QString why = UntilRefusal(edit->text(), seconds);
        if (why.isEmpty()) {
            dialog->accept();
            take(seconds);
            return;
        }
        ShowRefusal(refusal, why);
        edit->setFocus();
    });
    edit->setFocus();
    return dialog;
}
