#include "TimerPanel.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <cstdio>

#include "OpenTimers.h"
#include "StartRequest.h"
#include "TimerModel.h"
#include "UnitFmTimerMain.h"
#include "vlmButton.h"
#include "vlmGlobal.h"

namespace {

// A count-down whose length is not known empties over an hour.
constexpr int kUnknownLengthSeconds = 3600;

} // namespace

TTimerPanel::TTimerPanel(TOpenTimers& timers, QObject* parent) : QObject(parent), timers_(timers)
{
    timers_.OnListChanged = [this] {
        Follow();
        if (OnChanged)
            OnChanged();
    };
    timers_.OtherTimers = [this](TFmTimerMain& from) {
        std::vector<std::pair<QString, std::function<void()>>> others;
        for (int i = 0; i < timers_.Count(); ++i)
            if (&timers_.Window(i) != &from)
                others.emplace_back(Line(i), [this, timer = &timers_.Timer(i)] {
                    if (const int index = IndexOf(timer); index >= 0)
                        Show(index);
                });
        return others;
    };
    timers_.ActOnAll = [this](TTimerAct act) {
        if (act == TTimerAct::PauseAll)
            PauseAll();
        else if (act == TTimerAct::ResumeAll)
            ResumeAll();
        else if (act == TTimerAct::ShowAll)
            ShowAll();
    };
    Follow();
}

TTimerPanel::~TTimerPanel()
{
    // The user closed every timer: the next start has none hidden.
    if (timers_.UserClosedAll() && timers_.Count() > 0)
        SetHidden(0, false);
    timers_.OnListChanged = nullptr;
    timers_.OtherTimers = nullptr;
    timers_.ActOnAll = nullptr;
}

// Each timer's changes, once: the icon follows them, and a hidden window
// comes back when its timer rings.
void TTimerPanel::Follow()
{
    std::vector<TTimerModel*> open;
    for (int i = 0; i < timers_.Count(); ++i)
        open.push_back(&timers_.Timer(i));
    std::erase_if(paused_,
                  [&open](const TPaused& p) { return std::find(open.begin(), open.end(), p.Timer) == open.end(); });
    for (TTimerModel* timer : open) {
        if (std::find(followed_.begin(), followed_.end(), timer) != followed_.end())
            continue;
        const auto changed = [this] {
            if (OnChanged)
                OnChanged();
        };
        // However it comes back (a request, the alarm, the menu), a window
        // shown is no longer kept hidden.
        const int index = IndexOf(timer);
        if (AppGlobal->ReadIniString(timers_.Section(index), QString::fromLatin1(kHiddenKey), QString()) ==
            QLatin1String("1"))
            keptHidden_.push_back(timer);
        timers_.Window(index).installEventFilter(this);
        connect(timer, &TTimerModel::Changed, this, changed);
        connect(timer, &TTimerModel::NameChanged, this, changed);
        connect(timer, &TTimerModel::AlarmStep, this, [this, timer] {
            const int index = IndexOf(timer);
            if (index >= 0 && Hidden(index)) {
                // Shown where it was, but the keyboard stays where the user put it.
                timers_.Window(index).show();
            }
        });
    }
    followed_ = std::move(open);
}

bool TTimerPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show)
        for (int i = 0; i < timers_.Count(); ++i)
            if (&timers_.Window(i) == watched &&
                std::find(keptHidden_.begin(), keptHidden_.end(), &timers_.Timer(i)) == keptHidden_.end())
                SetHidden(i, false);
    return QObject::eventFilter(watched, event);
}

int TTimerPanel::IndexOf(const TTimerModel* timer) const
{
    for (int i = 0; i < timers_.Count(); ++i)
        if (&timers_.Timer(i) == timer)
            return i;
    return -1;
}

QString TTimerPanel::Label(int index) const
{
    // As --status --json labels it.
    return timers_.Label(index);
}

QString TTimerPanel::Line(int index) const
{
    return Label(index) + QStringLiteral("  ") + StateForUser(TimerStateText(timers_.Timer(index)));
}

int TTimerPanel::Nearest() const
{
    std::vector<const TTimerModel*> models;
    for (int i = 0; i < timers_.Count(); ++i)
        models.push_back(&timers_.Timer(i));
    // The one the task bar's launcher shows as well.
    return IndexOf(NearestCountDown(models));
}

double TTimerPanel::LeftFraction(int index) const
{
    const TTimerModel& timer = timers_.Timer(index);
    const int length = timer.CountDownLength() > 0 ? timer.CountDownLength() : kUnknownLengthSeconds;
    return std::clamp(double(timer.Seconds()) / double(std::max(length, 1)), 0.0, 1.0);
}

bool TTimerPanel::AnyRinging() const
{
    for (int i = 0; i < timers_.Count(); ++i)
        if (timers_.Timer(i).Ringing())
            return true;
    return false;
}

bool TTimerPanel::AnyCounting() const
{
    for (int i = 0; i < timers_.Count(); ++i)
        if (timers_.Timer(i).Running() && !timers_.Timer(i).Ringing())
            return true;
    return false;
}

void TTimerPanel::PauseAll()
{
    for (int i = 0; i < timers_.Count(); ++i) {
        TTimerModel& timer = timers_.Timer(i);
        if (!timer.Running() || timer.Ringing())
            continue;
        timer.StartStop(); // STOP: the next START takes it up again
        std::erase_if(paused_, [&timer](const TPaused& p) { return p.Timer == &timer; });
        paused_.push_back({&timer, timer.Seconds()});
    }
    if (OnChanged)
        OnChanged();
}

void TTimerPanel::ResumeAll()
{
    const std::vector<TPaused> paused = std::move(paused_);
    paused_.clear();
    for (const TPaused& p : paused) {
        const int index = IndexOf(p.Timer);
        if (index >= 0 && !p.Timer->Running() && p.Timer->Seconds() == p.Seconds)
            p.Timer->StartStop();
    }
    if (OnChanged)
        OnChanged();
}

bool TTimerPanel::CanResume() const
{
    return std::any_of(paused_.begin(), paused_.end(), [this](const TPaused& p) {
        return IndexOf(p.Timer) >= 0 && !p.Timer->Running() && p.Timer->Seconds() == p.Seconds;
    });
}

void TTimerPanel::StopAllAlarms()
{
    for (int i = 0; i < timers_.Count(); ++i)
        if (timers_.Timer(i).Ringing())
            timers_.Timer(i).StartStop();
}

void TTimerPanel::Show(int index)
{
    BringToFront(timers_.Window(index));
}

void TTimerPanel::StartStop(int index)
{
    timers_.Timer(index).StartStop();
}

void TTimerPanel::Reset(int index)
{
    timers_.Timer(index).Reset();
}

void TTimerPanel::AddMinute(int index)
{
    // As the notification's +1 min: the alarm stops and the same timer
    // counts down 01:00.
    TTimerModel& timer = timers_.Timer(index);
    if (timer.Ringing())
        timer.OneMinuteMore();
}

bool TTimerPanel::Hidden(int index) const
{
    return !timers_.Window(index).isVisible();
}

bool TTimerPanel::AllShown() const
{
    for (int i = 0; i < timers_.Count(); ++i)
        if (Hidden(i))
            return false;
    return true;
}

void TTimerPanel::SetHidden(int index, bool hidden)
{
    TFmTimerMain& window = timers_.Window(index);
    if (hidden)
        window.hide();
    const QString section = timers_.Section(index);
    const QString key = QString::fromLatin1(kHiddenKey);
    // A file that never had a hidden window keeps the keys it had; a key
    // already right is not written again (a Show event comes often).
    const QString value = hidden ? QStringLiteral("1") : QStringLiteral("0");
    const QString kept = AppGlobal->ReadIniString(section, key, QString());
    if ((!hidden && kept.isEmpty()) || kept == value)
        return;
    try {
        AppGlobal->WriteIniString(section, key, value);
    } catch (const EvlmGlobalError& e) {
        std::fprintf(stderr, "pocosa: %s\n", e.what());
    }
}

void TTimerPanel::HideAll()
{
    for (int i = 0; i < timers_.Count(); ++i)
        if (!timers_.Timer(i).Ringing())
            SetHidden(i, true);
    if (OnChanged)
        OnChanged();
}

void TTimerPanel::ShowAll()
{
    for (int i = 0; i < timers_.Count(); ++i) {
        if (Hidden(i))
            timers_.Window(i).show();
    }
    // The first timer takes the keyboard, as at the start.
    if (timers_.Count() > 0)
        BringToFront(timers_.Window(0));
    if (OnChanged)
        OnChanged();
}

void TTimerPanel::Activate()
{
    if (AllShown() && !AnyRinging())
        HideAll();
    else
        ShowAll();
}

void TTimerPanel::HideKept(bool hide)
{
    const std::vector<TTimerModel*> kept = std::move(keptHidden_);
    keptHidden_.clear();
    for (TTimerModel* timer : kept) {
        const int index = IndexOf(timer);
        if (index < 0)
            continue;
        if (hide && !timer->Ringing())
            timers_.Window(index).hide();
        else
            SetHidden(index, false);
    }
    if (OnChanged)
        OnChanged();
}
