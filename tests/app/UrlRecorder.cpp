#include "UrlRecorder.h"

#include <QDesktopServices>

namespace {

constexpr const char* kSchemes[] = {"http", "https", "mailto", "file"};

// QDesktopServices calls its handlers by slot name.
class UrlHandler : public QObject {
    Q_OBJECT

public:
    explicit UrlHandler(UrlRecorder& recorder) : recorder_(recorder) {}

public Q_SLOTS:
    void open(const QUrl& url)
    {
        recorder_.opened.append(url);
        if (recorder_.onOpen)
            recorder_.onOpen();
    }

private:
    UrlRecorder& recorder_;
};

} // namespace

UrlRecorder::UrlRecorder() : handler_(std::make_unique<UrlHandler>(*this))
{
    for (const char* scheme : kSchemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), handler_.get(), "open");
}

UrlRecorder::~UrlRecorder()
{
    for (const char* scheme : kSchemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

#include "UrlRecorder.moc"
