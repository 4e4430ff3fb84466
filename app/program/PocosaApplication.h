#pragma once

#include <QApplication>

#include <functional>

// The program's application object. An exception that escapes an event
// handler is caught here and shown to the user with its message; the
// program goes on.
class TPocosaApplication : public QApplication {
public:
    TPocosaApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of a caught failure; a message box unless replaced.
    std::function<void(const QString& message)> ShowError;

private:
    void ReportError(const QString& message);
    void ShowCritical(const QString& message);

    bool showingError_ = false;
};
