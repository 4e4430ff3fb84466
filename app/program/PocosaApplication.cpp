#include "PocosaApplication.h"

#include <QMessageBox>

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
        QMessageBox::critical(activeWindow(), applicationName(), message);
    showingError_ = false;
}
