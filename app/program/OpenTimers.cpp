#include "OpenTimers.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QSize>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

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
    if (!section.startsWith(kSectionPrefix, Qt::CaseInsensitive))
        return 0;
    const QStringView digits = QStringView(section).sliced(kSectionPrefix.size());
    if (digits.isEmpty() || digits.size() > 9 || digits[0] == u'0')
        return 0;
    int n = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return 0;
        n = n * 10 + (c.unicode() - u'0');
    }
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
    if (!taken.EndedNotice.isEmpty()) {
        // Told in the title too: there may be no notification service.
        window.ShowNotice(taken.EndedNotice);
        attention.ShowEndedNotice(timer, taken.EndedNotice);
    }
    const QString notice = timer.Notification();
    attention.TakenUp(timer);
    // A notification closed there is not closed again at the next start.
    return taken.Rewrite || timer.Notification() != notice;
}

// One open timer: its state, its picture history, its window and its record.
struct TOpenTimers::TOpenTimer : QObject {
    explicit TOpenTimer(QObject* parent) : QObject(parent) {}
    ~TOpenTimer() override
    {
        // The window first: it follows the timer and the history; the timer
        // before the clock it counts on.
        Recorder.reset();
        Window.reset();
        delete Model;
    }

    bool First() const { return Section == TimerRecord::kFirstSection; }
    TBackImages* History() const { return OwnHistory ? OwnHistory.get() : BackImages; }

    QString Section;
    bool Forgotten = false; // closed: nothing of it is written any more
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
    Tell = [](TFmTimerMain* from, const QString& message) {
        if (from)
            from->Tell(message);
        else
            std::fprintf(stderr, "pocosa: %s\n", message.toLocal8Bit().constData());
    };
    RaiseWindow = [](QWidget& window) { window.raise(); };
    attention_.OnUntold = [this](TTimerModel& model) {
        for (TOpenTimer* timer : timers_)
            if (timer->Model == &model && timer->Window)
                timer->Window->TellAlarm();
    };
    QStringList recent;
    for (int n = 0; n < TRecentTimes::kMax; ++n)
        recent << global_.ReadIniString(QString::fromLatin1(kRecentSection), QStringLiteral("time%1").arg(n), QString());
    recent_ = TRecentTimes::FromTexts(recent);
}

void TOpenTimers::RememberCountDown(int seconds)
{
    if (!recent_.Push(seconds))
        return;
    std::vector<std::pair<QString, QString>> keys;
    const QStringList texts = recent_.Texts();
    for (int n = 0; n < int(texts.size()); ++n)
        keys.emplace_back(QStringLiteral("time%1").arg(n), texts[n]);
    try {
        global_.WriteIniStrings(QString::fromLatin1(kRecentSection), keys);
    } catch (const EvlmGlobalError& e) {
        std::fprintf(stderr, "pocosa: %s\n", e.what());
    }
}

TOpenTimers::~TOpenTimers()
{
    attention_.OnUntold = nullptr;
    {
        // Every section written whole, the file once. Records are written as
        // they change; the user who closed every window forgets the first
        // timer's too.
        TvlmIniBatch batch(&global_);
        for (TOpenTimer* timer : timers_) {
            if (timer->First() && userClosedAll_ && timer->Recorder)
                timer->Recorder->Clear();
            KeepPlace(*timer);
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

// The lowest number no section and no open timer has: never one beyond what
// SectionNumber takes, so a section written is always read again.
QString TOpenTimers::NextSection() const
{
    std::set<int> taken;
    for (const QString& section : global_.IniSections())
        taken.insert(SectionNumber(section));
    for (const TOpenTimer* timer : timers_)
        taken.insert(SectionNumber(timer->Section));
    int n = 2;
    while (taken.count(n) > 0)
        ++n;
    return kSectionPrefix + QString::number(n);
}

TOpenTimers::TOpenTimer& TOpenTimers::Make(const QString& section, const TBackImages* pictureFrom)
{
    auto* timer = new TOpenTimer(this);
    timer->Section = section;
    timer->Model = new TTimerModel(timer->Clock, timer);
    timer->Model->SetNumber(SectionNumber(section));
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
    hooks.RecentTimes = [this] { return recent_.Times(); };
    // Whoever started it: its window, a later start, the status icon.
    connect(timer->Model, &TTimerModel::CountDownStarted, this, [this](int seconds) { RememberCountDown(seconds); });
    hooks.NotificationTellsAlarm = true; // else attention_.OnUntold

    hooks.Closed = [this](TFmTimerMain& window) { Closed(window); };
    // The rule of the command line: letter case and outer blanks ignored.
    hooks.NameRefusal = [this](const TFmTimerMain& window, const QString& name) {
        const TFmTimerMain* other = Find(TTimerModel::CleanName(name));
        return other && other != &window ? NameTakenText(TTimerModel::CleanName(name)) : QString();
    };
    hooks.CountingTimers = [this] {
        QStringList counting;
        for (const TOpenTimer* t : timers_)
            if (t->Window->Counting())
                counting << t->Window->CountingText();
        return counting;
    };
    hooks.RaiseForAlarm = [this](TFmTimerMain& window) { RaiseForAlarm(window); };
    hooks.OtherTimers = [this](TFmTimerMain& from) {
        return OtherTimers ? OtherTimers(from) : std::vector<std::pair<QString, std::function<void()>>>();
    };
    // A place or picture changed is kept at once: a kill finds it.
    hooks.Changed = [this, timer](TFmTimerMain&) { KeepPlace(*timer); };
    timer->Window = std::make_unique<TFmTimerMain>(hooks);
    // At the session's end the program ends and writes every window's place
    // with the rest, in one write of the file, rather than each window alone.
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        disconnect(app, &QGuiApplication::commitDataRequest, timer->Window->vlmFormFunc1, nullptr);
    timers_.push_back(timer);
    if (OnListChanged)
        OnListChanged();
    return *timer;
}

TFmTimerMain& TOpenTimers::OpenFirst(bool resume)
{
    TOpenTimer& first = Make(TimerRecord::kFirstSection, nullptr);
    const bool rewrite = TakeUpKeptTimer(*first.Window, attention_, global_, resume, clocks_());
    Record(first, rewrite);
    return *first.Window;
}

void TOpenTimers::OpenKept()
{
    const auto open = [this](const QString& section) {
        return std::any_of(timers_.begin(), timers_.end(), [&section](const TOpenTimer* t) {
            return t->Section.compare(section, Qt::CaseInsensitive) == 0;
        });
    };
    for (const QString& section : KeptSections(global_.IniSections())) {
        // (A timer opened by a request before now is one of these already.)
        if (Count() >= kMaxTimers || quitAll_)
            break;
        if (open(section))
            continue;
        TOpenTimer& timer = Make(section, nullptr);
        const bool rewrite = TakeUpKeptTimer(*timer.Window, attention_, global_, true, clocks_(), section);
        Record(timer, rewrite);
        // Places kept on a larger screen may have come to the same corner
        // of this one.
        if (PlaceTaken(timer.Window->pos()))
            timer.Window->move(CascadeFrom(*timer.Window, timer.Window->size()));
        timer.Window->show();
    }
    // Timers kept beyond those that may be open stay in the file untouched
    // and come back once fewer are open; the user is told once, here.
    int left = 0;
    for (const QString& section : global_.IniSections())
        left += SectionNumber(section) > 0 && !open(section) ? 1 : 0;
    if (left > 0 && !quitAll_) {
        const QString line = QCoreApplication::translate(
                                 "TOpenTimers", "%1 個のタイマーは開けません (同時に %2 個まで)。設定には残ります")
                                 .arg(left)
                                 .arg(kMaxTimers);
        std::fprintf(stderr, "pocosa: %s\n", line.toLocal8Bit().constData());
        timers_.front()->Window->ShowNotice(line);
    }
}

void TOpenTimers::Record(TOpenTimer& timer, bool writeNow)
{
    timer.Recorder = std::make_unique<TTimerRecorder>(
        *timer.Model, global_, clocks_, [this, t = &timer](const TTimerRecord& record) { WriteRecord(*t, record); });
    if (writeNow)
        timer.Recorder->Write();
}

QString TOpenTimers::NameTakenText(const QString& name)
{
    return QCoreApplication::translate("TOpenTimers", "a timer named \"%1\" is open already").arg(name);
}

QString TOpenTimers::TooManyText()
{
    return QCoreApplication::translate("TOpenTimers", "タイマーは %1 個までです").arg(kMaxTimers);
}

TFmTimerMain* TOpenTimers::New(TFmTimerMain* from, const QString& name, bool tell)
{
    if (Count() >= kMaxTimers) {
        if (tell && Tell)
            Tell(from, TooManyText());
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
    // Kept from the start: a kill right after finds it again.
    Record(timer, true);
    window.show();
    return &window;
}

// A record of the timer: the first timer's section holds it alone, as it
// always did; another timer's section is written whole with it. A refused
// write raises, for the recorder to tell the user.
void TOpenTimers::WriteRecord(TOpenTimer& timer, const TTimerRecord& record)
{
    if (timer.Forgotten)
        return;
    if (timer.First()) {
        TimerRecord::Write(global_, record, timer.Section);
        return;
    }
    global_.BeginIniBatch();
    try {
        TimerRecord::Write(global_, record, timer.Section);
        timer.Window->vlmFormFunc1->SavePlacement();
        if (TBackImages* history = timer.History())
            history->Save();
    } catch (...) {
        global_.EndIniBatch();
        throw;
    }
    global_.EndIniBatch();
}

// The place and pictures, with every other key of the timer's section as it
// stands, in one write.
void TOpenTimers::KeepPlace(TOpenTimer& timer)
{
    if (timer.Forgotten)
        return;
    TvlmIniBatch batch(&global_);
    timer.Window->vlmFormFunc1->SavePlacement();
    if (TBackImages* history = timer.History())
        history->Save();
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
    timer->Forgotten = true;
    timer->Window->vlmFormFunc1->SetPreserve(false);
    if (TBackImages* history = timer->History())
        history->Forget();
    try {
        TvlmIniBatch batch(&global_);
        if (timer->First()) {
            // The next timer takes the first timer's sections, with its
            // record as it was kept.
            TOpenTimer& next = *timers_.front();
            const std::optional<TTimerRecord> kept = TimerRecord::Read(global_, nullptr, next.Section);
            global_.RemoveIniSection(next.Section);
            next.Section = TimerRecord::kFirstSection;
            next.Model->SetNumber(0);
            next.Window->vlmFormFunc1->SetSectionName(timer->Window->vlmFormFunc1->SectionName());
            if (next.OwnHistory)
                next.OwnHistory->SetSection(kFirstBackSection);
            TimerRecord::Write(global_, kept.value_or(next.Recorder->Now()), next.Section);
            KeepPlace(next);
        } else {
            global_.RemoveIniSection(timer->Section);
        }
    } catch (const EvlmGlobalError& e) {
        std::fprintf(stderr, "pocosa: %s\n", e.what());
    }
    timer->Window->hide();
    DeleteWhenFree(timer);
    if (OnListChanged)
        OnListChanged();
}

// Not while a dialog of the window is open: it ends with a handler of the
// window.
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
    userClosedAll_ = quitAll_ = true;
    {
        TvlmIniBatch batch(&global_);
        while (Count() > 1)
            Forget(Count() - 1);
        // Timers kept but not yet open (a quit before the first frame) go too.
        try {
            for (const QString& section : KeptSections(global_.IniSections()))
                global_.RemoveIniSection(section);
        } catch (const EvlmGlobalError& e) {
            std::fprintf(stderr, "pocosa: %s\n", e.what());
        }
    }
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
    // An unnamed timer beside others also by what --status calls it.
    for (const TOpenTimer* timer : timers_)
        if (timer->Model->Name().isEmpty() && timer->Model->Number() > 0 &&
            StatusLine(*timer->Model).section(QLatin1Char('\t'), 1).compare(name, Qt::CaseInsensitive) == 0)
            return timer->Window.get();
    return nullptr;
}

TInstanceAnswer TOpenTimers::Answer(const TStartRequest& request)
{
    const std::uint64_t failuresBefore = global_.SaveFailures();
    TInstanceAnswer answer = AnswerNow(request);
    // Done, but gone at the next start unless the disk takes it later: the
    // caller hears so (the window shows what was asked all the same).
    if (global_.SaveFailures() != failuresBefore && answer.Refused.isEmpty())
        answer.Refused = QCoreApplication::translate("TOpenTimers", "done, but not kept: %1: %2")
                             .arg(global_.IniFileName(), global_.UnsavedReason());
    return answer;
}

TInstanceAnswer TOpenTimers::AnswerNow(const TStartRequest& request)
{
    TInstanceAnswer answer;
    TFmTimerMain* target = timers_.empty() ? nullptr : timers_.front()->Window.get();
    if (request.New) {
        const QString name = request.Timer.value_or(QString());
        target = name.isEmpty() || !Find(name) ? New(nullptr, name, false) : nullptr;
        if (!target) {
            answer.Applied = false;
            answer.Refused = name.isEmpty() || !Find(name) ? TooManyText() : NameTakenText(name);
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
        answer.Knows = {QStringLiteral("new"), QStringLiteral("timer"), QStringLiteral("sound"), QStringLiteral("warn"),
                        QStringLiteral("repeat")};
        for (const TOpenTimer* timer : timers_)
            answer.Timers << StatusLine(*timer->Model);
    }
    return answer;
}
