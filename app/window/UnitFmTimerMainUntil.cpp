// The "count down to" dialog: a time of day, and the seconds until then.
#include "UnitFmTimerMain.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "TimeOfDay.h"
#include "TimerAccessible.h"
#include "Translations.h"

QDialog* TFmTimerMain::AskUntil(QWidget* parent, std::function<void(int seconds)> take)
{
    auto* dialog = new QDialog(parent);
    dialog->setWindowTitle(QCoreApplication::translate("TFmTimerMain", "時刻まで"));
    auto* layout = new QVBoxLayout(dialog);
    auto* label =
        new QLabel(QCoreApplication::translate("TFmTimerMain", "カウントダウンする時刻 (99:59 以内):"), dialog);
    auto* edit = new QTimeEdit(dialog);
    label->setBuddy(edit);
    // Hours and minutes as the user's language writes them; half an hour on.
    const QLocale locale = UserLanguageLocale();
    edit->setLocale(locale);
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(QStringLiteral(":ss")).remove(QStringLiteral(".ss"));
    edit->setDisplayFormat(format);
    edit->setTime(SuggestedUntil(QDateTime::currentDateTime()));
    QLabel* refusal = MakeRefusalLabel(dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    for (QWidget* w : std::initializer_list<QWidget*>{label, edit, refusal, buttons})
        layout->addWidget(w);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
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
