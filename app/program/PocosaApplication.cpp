#include "PocosaApplication.h"

#include <QMessageBox>
#include <QPointer>

#include <exception>

TPocosaApplication::TPocosaApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TPocosaApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ReportError(QString::fromUtf8(e.what()));
    } catch (...) {
        ReportError(QCoreApplication::translate("TPocosaApplication", "Unknown error"));
    }
    return false;
}

void TPocosaApplication::ReportError(const QString& message)
{
    // A failure that repeats on every tick must not stack up message boxes:
    // while one is open, further failures are not shown.
    if (showingError_)
        return;
    showingError_ = true;
    if (ShowError)
        ShowError(message);
    else
        ShowCritical(message);
    showingError_ = false;
}

// Over the active window; a window closed meanwhile (the box waits in a loop
// of its own) takes the box with it, and the box is then not deleted again.
void TPocosaApplication::ShowCritical(const QString& message)
{
    const QPointer<QMessageBox> box =
        new QMessageBox(QMessageBox::Critical, applicationName(), message, QMessageBox::Ok, activeWindow());
    box->exec();
    delete box.data();
}
