#pragma once

#include <QObject>
#include <QString>

class QDialog;
class QDialogButtonBox;
class QLabel;
class QWidget;

// What screen readers get of the timer window: a frame named by its title
// whose children are the time (one text, "04:59", with the spoken words as
// its description), the count-up label, the buttons and two speakers; the
// digit and colon labels are left out. Installs the factory once.
void InstallTimerAccessibility();

// The frame's accessible name: the timer's name, what it does and its time
// at whole minutes (a count-down's whole minutes left, its last minute as
// one), so that it changes once a minute while the title shows every
// second: "Tea: 5 minutes, counting down – Pocosa".
QString FrameName(int seconds, bool running, bool countUp, const QString& name);

// Gives the buttons and the labelled fields of a dialog names without the
// mnemonic markers of their captions ("選ぶ(&C)..." reads "選ぶ..."), and a
// slider marked with a unit (property "valueUnit", e.g. "%") its value with
// the unit ("80 %").
void NameControlsForScreenReaders(QWidget* dialog);

// A dialog's label for a refusal, hidden until ShowRefusal; screen readers
// get it as an alert (role and event) whose name is its text.
QLabel* MakeRefusalLabel(QWidget* dialog);
// A dialog that asks for one thing: `caption` above `field` (its buddy), a
// refusal label, then OK and Cancel (Cancel rejects); the caller connects
// OK. Returns the refusal label.
QLabel* LayOutAskingDialog(QDialog* dialog, const QString& title, const QString& caption, QWidget* field,
                           QDialogButtonBox** buttons);
// Shows a refusal in such a label; the dialog grows so that every line of
// it shows. An empty text hides it.
void ShowRefusal(QLabel* label, const QString& text);

// Says a line to screen readers: an object without a place on screen that
// shows itself with the line as its name (a notification). The alarm's
// speaker also raises the alert event.
class TTimerSpeaker : public QObject {
  public:
    TTimerSpeaker(QWidget* window, bool alert);

    void Say(const QString& line);
    const QString& Line() const { return line_; } // the last line said
    int Lines() const { return lines_; }          // how many were said
    bool IsAlert() const { return alert_; }
    QWidget* Window() const { return window_; }

  private:
    QWidget* window_;
    bool alert_;
    QString line_;
    int lines_ = 0;
};

// Whether a tick that took a running timer from before to after seconds is
// told: a count-down at each whole minute and at 30, 10 and 5 seconds left, a
// count-up at each whole minute; a late tick that skipped a mark tells it too.
bool TickTold(int before, int after, bool countUp);
