#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

// Stands in for the desktop while alive: every http, https, mailto and file
// URL handed to QDesktopServices is recorded instead of opened.
class UrlRecorder {
public:
    UrlRecorder();
    ~UrlRecorder();
    UrlRecorder(const UrlRecorder&) = delete;
    UrlRecorder& operator=(const UrlRecorder&) = delete;

    QList<QUrl> opened;
    // Called after each recorded URL.
    std::function<void()> onOpen;

private:
    std::unique_ptr<QObject> handler_;
};
