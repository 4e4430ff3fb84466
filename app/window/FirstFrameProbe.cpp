#include "FirstFrameProbe.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <utility>

namespace {

class TFirstFrameProbe : public QObject {
public:
    explicit TFirstFrameProbe(QObject* parent) : QObject(parent) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("first-frame %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fflush(stdout);
            watched->removeEventFilter(this);
            deleteLater();
        }
        return false;
    }
};

// Calls its function once, after the first paint of the watched window has
// been handled, or when its time is up.
class TAfterFirstFrame : public QObject {
public:
    static constexpr int kLongestWaitMs = 1000;

    TAfterFirstFrame(QObject* window, std::function<void()> then) : QObject(window), then_(std::move(then))
    {
        window->installEventFilter(this);
        QTimer::singleShot(kLongestWaitMs, this, [this] { Fire(); });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, this, [this] { Fire(); });
        return false;
    }

private:
    void Fire()
    {
        if (!then_)
            return;
        parent()->removeEventFilter(this);
        const std::function<void()> then = std::exchange(then_, nullptr);
        deleteLater();
        then();
    }

    std::function<void()> then_;
};

} // namespace

void AfterFirstFrame(QObject* window, std::function<void()> then)
{
    new TAfterFirstFrame(window, std::move(then));
}

void WatchFirstFrame(QObject* window)
{
    if (qEnvironmentVariableIsSet("POCOSA_FIRST_FRAME"))
        window->installEventFilter(new TFirstFrameProbe(window));
}
