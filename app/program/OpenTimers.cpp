#include "OpenTimers.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <QSize>

#include <algorithm>
#include <cstdio>
#include <map>

#include "StartRequest.h"
#include "TimerAttention.h"
#include "TimerModel.h"
#include "TimerServices.h"
#include "UnitFmTimerMain.h"
#include "vlmFormFunc.h"
#include "vlmGlobal.h"
#include "vlmGraphicSource.h"

namespace {

const QString kFirstBackSection = QStringLiteral("BACK");
const QString kSectionPrefix = QStringLiteral("TIMER-");

// n of "TIMER-<n>" (n from 2, no leading zeros, letter case ignored as in
// every section name); 0 for any other section.
int SectionNumber(const QString& section)
{
    static const QRegularExpression form(QStringLiteral("^TIMER-([1-9][0-9]{0,8})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(section);
    const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
    return n >= 2 ? n : 0;
}

} // namespace

bool TakeUpKeptTimer(TFmTimerMain& window, TTimerAttention& attention, TvlmGlobal& global, bool resume,
                     const TTimerClocks& now, const QString& section)
{
    TTimerModel& timer = window.Model();
    attention.Add(timer);
    const TimerRecord::TTakenUp taken = TimerRecord::ResumeKeptTimer(
        timer, global, resume, now, section,
        [&attention, &timer](const QString& body) { attention.SetNextAlarmBody(timer, body); });
    attention.TakenUp(timer);
    if (!taken.EndedNotice.isEmpty()) {
        // Told in the title too: there may be no notification service.
        window.ShowNotice(taken.EndedNotice);
        attention.ShowEndedNotice(timer, taken.EndedNotice);
    }
    return taken.Rewrite;
}

// One open timer: its state, its picture history, its window and its record.
struct TOpenTimers::TOpenTimer : QObject {
    explicit TOpenTimer(QObject* parent) : QObject(parent) {}
    ~TOpenTimer() override
    {
        // The window first: it follows the timer and the history.
        Recorder.reset();
        Window.reset();
    }

    bool First() const { return Section == TimerRecord::kFirstSection; }
    TBackImages* History() const { return OwnHistory ? OwnHistory.get() : BackImages; }

    QString Section;
    TBootClock Clock;
    TTimerModel* Model = nullptr; // a child object
    std::unique_ptr<TBackImages> OwnHistory; // empty: the program's (the first timer)
    std::unique_ptr<TFmTimerMain> Window;
    std::unique_ptr<TTimerRecorder> Recorder;
};

TOpenTimers::TOpenTimers(TvlmGlobal& global, TTimerAttention& attention, std::function<TTimerClocks()> clocks)
    : global_(global), attention_(attention), clocks_(std::move(clocks)),
      sound_(std::make_unique<TEffectSoundService>())
{
    Tell = [](const QString& message) { std::fprintf(stderr, "pocosa: %s\n", message.toLocal8Bit().constData()); };
}

TOpenTimers::~TOpenTimers()
{
    {
        // Every section written whole, the file once.
        TvlmIniBatch batch(&global_);
        for (TOpenTimer* timer : timers_) {
            if (!timer->First()) {
                WriteWhole(*timer);
                continue;
            }
            // The first timer's record is written as it changes; its place
            // and pictures as they always were, at the end.
            if (userClosedAll_ && timer->Recorder)
                timer->Recorder->Clear();
            timer->Window->vlmFormFunc1->SavePlacement();
            if (TBackImages* history = timer->History())
                history->Save();
        }
        for (TOpenTimer* timer : timers_) {
            attention_.Remove(*timer->Model);
            delete timer;
        }
        timers_.clear();
    }
}

QStringList TOpenTimers::KeptSections(const QStringList& sections)
{
    std::map<int, QString> kept;
    for (const QString& section : sections)
        if (const int n = SectionNumber(section); n > 0)
            kept.emplace(n, section);
    QStringList ordered;
    for (const auto& [n, section] : kept)
        ordered << section;
    return ordered.mid(0, kMaxTimers - 1);
}

QString TOpenTimers::NextSection() const
{
    int highest = 1;
    for (const QString& section : global_.IniSections())
        highest = std::max(highest, SectionNumber(section));
    for (const TOpenTimer* timer : timers_)
        highest = std::max(highest, SectionNumber(timer->Section));
    return kSectionPrefix + QString::number(highest + 1);
}

TOpenTimers::TOpenTimer& TOpenTimers::Make(const QString& section, const TBackImages* pictureFrom)
{
    auto* timer = new TOpenTimer(this);
    timer->Section = section;
    timer->Model = new TTimerModel(timer->Clock, timer);
    if (!timer->First())
        timer->OwnHistory = std::make_unique<TBackImages>(section, pictureFrom);
    TTimerMainHooks hooks;
    hooks.Clock = &timer->Clock;
    hooks.Model = timer->Model;
    hooks.Sound = sound_.get();
    hooks.SoundChannel = nextChannel_++;
    hooks.Backgrounds = timer->OwnHistory.get();
    if (!timer->First())
        hooks.PlacementSection = section;
    hooks.NewTimer = [this](TFmTimerMain& from) { New(&from); };
    hooks.QuitAll = [this] { QuitAll(); };
    hooks.Closed = [this](TFmTimerMain& window) { Closed(window); };
    // A place or picture changed is kept at once: a kill finds it.
    // (The first timer's record is written as it changes, as it always was.)
    hooks.Changed = [this, timer](TFmTimerMain&) { WriteWhole(*timer, !timer->First()); };
    timer->Window = std::make_unique<TFmTimerMain>(hooks);
    // At the session's end the program ends and writes every window's place
    // with the rest, in one write of the file, rather than each window alone.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        disconnect(app, &QGuiApplication::commitDataRequest, timer->Window->vlmFormFunc1, nullptr);
    timers_.push_back(timer);
    return *timer;
}

TFmTimerMain& TOpenTimers::OpenFirst(bool resume)
{
    TOpenTimer& first = Make(TimerRecord::kFirstSection, nullptr);
    const bool rewrite = TakeUpKeptTimer(*first.Window, attention_, global_, resume, clocks_());
    first.Recorder = std::make_unique<TTimerRecorder>(*first.Model, global_, clocks_);
    if (rewrite)
        first.Recorder->Write();
    return *first.Window;
}

void TOpenTimers::OpenKept()
{
    for (const QString& section : KeptSections(global_.IniSections())) {
        if (Count() >= kMaxTimers)
            break;
        TOpenTimer& timer = Make(section, nullptr);
        const bool rewrite = TakeUpKeptTimer(*timer.Window, attention_, global_, true, clocks_(), section);
        timer.Recorder = std::make_unique<TTimerRecorder>(
            *timer.Model, global_, clocks_, [this, t = &timer](const TTimerRecord&) { WriteWhole(*t); });
        if (rewrite)
            WriteWhole(timer);
        timer.Window->show();
    }
}

TFmTimerMain* TOpenTimers::New(TFmTimerMain* from, const QString& name, bool tell)
{
    if (Count() >= kMaxTimers) {
        if (tell && Tell)
            Tell(QCoreApplication::translate("TOpenTimers", "タイマーは %1 個までです").arg(kMaxTimers));
        return nullptr;
    }
    // From the command line: beside the newest window.
    if (!from && !timers_.empty())
        from = timers_.back()->Window.get();
    const int fromIndex = from ? IndexOf(*from) : -1;
    const TBackImages* pictureFrom = fromIndex >= 0 ? timers_[std::size_t(fromIndex)]->History() : nullptr;
    TOpenTimer& timer = Make(NextSection(), pictureFrom);
    timer.Model->SetName(name);
    TFmTimerMain& window = *timer.Window;
    if (from)
        window.move(CascadeFrom(*from, window.size()));
    attention_.Add(*timer.Model);
    timer.Recorder = std::make_unique<TTimerRecorder>(
        *timer.Model, global_, clocks_, [this, t = &timer](const TTimerRecord&) { WriteWhole(*t); });
    // Kept from the start: a kill right after finds it again.
    WriteWhole(timer);
    window.show();
    return &window;
}

QPoint TOpenTimers::CascadeFrom(const TFmTimerMain& from, const QSize& size) const
{
    // Down and to the right of the window it came from, on its screen, to
    // the first place no other timer window has; from the top left of the
    // screen again where the screen ends.
    const QScreen* screen = from.screen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), QSize(1 << 20, 1 << 20));
    const auto taken = [this](const QPoint& at) {
        return std::any_of(timers_.begin(), timers_.end(),
                           [&at](const TOpenTimer* t) { return t->Window->isVisible() && t->Window->pos() == at; });
    };
    QPoint at = from.pos();
    for (int step = 0; step < 4 * kMaxTimers; ++step) {
        at += QPoint(kCascadePx, kCascadePx);
        if (!area.contains(QRect(at, size)))
            at = area.topLeft() + QPoint(step % 8, 0) * kCascadePx;
        if (!taken(at))
            break;
    }
    return at;
}

void TOpenTimers::WriteWhole(TOpenTimer& timer, bool withRecord)
{
    try {
        TvlmIniBatch batch(&global_);
        if (timer.Recorder && withRecord)
            TimerRecord::Write(global_, timer.Recorder->Now(), timer.Section);
        timer.Window->vlmFormFunc1->SavePlacement();
        if (TBackImages* history = timer.History())
            history->Save();
    } catch (const EvlmGlobalError& e) {
        std::fprintf(stderr, "pocosa: %s\n", e.what());
    }
}

void TOpenTimers::Closed(TFmTimerMain& window)
{
    const int index = IndexOf(window);
    if (index < 0)
        return;
    if (Count() == 1) {
        userClosedAll_ = true;
        if (OnLastClosed)
            OnLastClosed();
        return;
    }
    Forget(index);
}

void TOpenTimers::Forget(int index)
{
    TOpenTimer* timer = timers_[std::size_t(index)];
    timers_.erase(timers_.begin() + index);
    attention_.Remove(*timer->Model);
    sound_->Stop(timer->Window->SoundChannel());
    timer->Recorder.reset();
    // Nothing of it is written from now on.
    timer->Window->vlmFormFunc1->SetPreserve(false);
    if (TBackImages* history = timer->History())
        history->Forget();
    {
        TvlmIniBatch batch(&global_);
        if (timer->First()) {
            // The next timer takes the first timer's sections.
            TOpenTimer& next = *timers_.front();
            global_.RemoveIniSection(next.Section);
            next.Section = TimerRecord::kFirstSection;
            next.Window->vlmFormFunc1->SetSectionName(timer->Window->vlmFormFunc1->SectionName());
            if (next.OwnHistory)
                next.OwnHistory->SetSection(kFirstBackSection);
            WriteWhole(next);
        } else {
            try {
                global_.RemoveIniSection(timer->Section);
            } catch (const EvlmGlobalError& e) {
                std::fprintf(stderr, "pocosa: %s\n", e.what());
            }
        }
    }
    timer->Window->hide();
    DeleteWhenFree(timer);
}

// Not while the window's own handlers may still be under way: a dialog of
// the window waits in an event loop of its own, in which a deferred delete
// posted there would be carried out.
void TOpenTimers::DeleteWhenFree(TOpenTimer* timer)
{
    if (!timer->Window->InDialog()) {
        timer->deleteLater();
        return;
    }
    QTimer::singleShot(kDialogPollMs, timer, [this, timer] { DeleteWhenFree(timer); });
}

void TOpenTimers::QuitAll()
{
    userClosedAll_ = true;
    while (Count() > 1)
        Forget(Count() - 1);
    if (OnLastClosed)
        OnLastClosed();
}

int TOpenTimers::IndexOf(const TFmTimerMain& window) const
{
    for (std::size_t i = 0; i < timers_.size(); ++i)
        if (timers_[i]->Window.get() == &window)
            return int(i);
    return -1;
}

TFmTimerMain& TOpenTimers::Window(int index) const
{
    return *timers_.at(std::size_t(index))->Window;
}

TTimerModel& TOpenTimers::Timer(int index) const
{
    return *timers_.at(std::size_t(index))->Model;
}

QString TOpenTimers::Section(int index) const
{
    return timers_.at(std::size_t(index))->Section;
}

TFmTimerMain* TOpenTimers::Find(const QString& name) const
{
    for (const TOpenTimer* timer : timers_)
        if (!timer->Model->Name().isEmpty() && timer->Model->Name().compare(name, Qt::CaseInsensitive) == 0)
            return timer->Window.get();
    return nullptr;
}

TInstanceAnswer TOpenTimers::Answer(const TStartRequest& request)
{
    TInstanceAnswer answer;
    TFmTimerMain* target = timers_.empty() ? nullptr : timers_.front()->Window.get();
    if (request.New) {
        target = New(nullptr, request.Timer.value_or(QString()), false);
        if (!target) {
            answer.Applied = false;
            answer.Refused = QCoreApplication::translate("TOpenTimers", "タイマーは %1 個までです").arg(kMaxTimers);
        }
    } else if (request.Timer) {
        target = Find(*request.Timer);
        if (!target) {
            QStringList names;
            for (const TOpenTimer* timer : timers_)
                if (!timer->Model->Name().isEmpty())
                    names << timer->Model->Name();
            answer.Applied = false;
            answer.Refused =
                names.isEmpty()
                    ? QCoreApplication::translate("TOpenTimers", "there is no timer named \"%1\"; no timer has a name")
                          .arg(*request.Timer)
                    : QCoreApplication::translate("TOpenTimers", "there is no timer named \"%1\"; the names are: %2")
                          .arg(*request.Timer, names.join(QStringLiteral(", ")));
        }
    }
    if (target && !request.Status) {
        answer.Applied = ApplyStartRequest(*target, request);
        BringToFront(*target);
    }
    if (target)
        answer.State = TimerStateText(target->Model());
    if (request.Ask) {
        answer.Knows = {QStringLiteral("new"), QStringLiteral("timer"), QStringLiteral("sound")};
        for (const TOpenTimer* timer : timers_)
            answer.Timers << StatusLine(*timer->Model);
    }
    return answer;
}
