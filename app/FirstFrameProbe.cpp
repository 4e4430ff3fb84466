#include "FirstFrameProbe.h"

#include <QEvent>

#include <cstdio>
#include <ctime>

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

} // namespace

void WatchFirstFrame(QObject* window)
{
    if (qEnvironmentVariableIsSet("POCOSA_FIRST_FRAME"))
        window->installEventFilter(new TFirstFrameProbe(window));
}
