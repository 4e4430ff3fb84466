// The alarm notification, the idle inhibition and the launcher entry against
// a private D-Bus daemon with fake desktop services in this process.
#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <optional>
#include <utility>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTime>

#include "AlarmNotifier.h"
#include "AttentionBus.h"
#include "FakeDesktopBus.h"
#include "LauncherEntry.h"
#include "SleepInhibitor.h"
#include "TimerAttention.h"
#include "TimerRig.h"
#include "Translations.h"

namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");

// What the bus thread of the attention holds, looked at in that thread.
// Logind: 0 no inhibitor made, 1 made without logind's lock, 2 holding it.
struct THeld { bool Notifier = false; uint Id = 0; int Logind = 0; };
THeld Held(TTimerAttention& a)
{
    THeld h;
    a.InBusThread([&](TAttentionBus& b) {
        h = {b.Notifier() != nullptr, b.Notifier() ? b.Notifier()->Id() : 0,
             !b.Inhibitor() ? 0 : b.Inhibitor()->HoldsLogindLock() ? 2 : 1};
    });
    return h;
}
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

struct TNotifyRig {
    TPrivateBus bus;
    QDBusConnection serviceSide = bus.Connect();
    TFakeNotifications service;
    TAlarmNotifier notifier{bus.Connect()};
    int stops = 0;

    TNotifyRig()
    {
        notifier.OnStop = [this] { ++stops; };
    }
    bool Start() { return bus.Running() && Serve(serviceSide, kNotifications, kNotificationsPath, &service); }
};

TEST(AlarmNotifier, NotifiesCriticalWithAStopActionAndWithdraws)
{
    TNotifyRig rig;
    ASSERT_TRUE(rig.Start());
    rig.notifier.Show();
    ASSERT_TRUE(Eventually([&] { return rig.notifier.Id() != 0; }));
    ASSERT_EQ(rig.service.Notified.size(), 1);
    const auto& n = rig.service.Notified.first();
    EXPECT_EQ(n.Summary, QStringLiteral("タイマー終了"));
    EXPECT_EQ(n.App, QStringLiteral("Pocosa"));
    EXPECT_EQ(n.Actions, (QStringList{"default", QStringLiteral("タイマーを表示"), "stop", QStringLiteral("停止"), "plus1",
                                      QStringLiteral("+1 分")}));
    ASSERT_TRUE(n.Hints.contains("urgency"));
    EXPECT_EQ(n.Hints["urgency"].typeId(), QMetaType::UChar) << "urgency is a byte";
    EXPECT_EQ(n.Hints["urgency"].toInt(), 2) << "critical";
    EXPECT_EQ(rig.notifier.Id(), n.Id);

    rig.notifier.Withdraw();
    ASSERT_TRUE(Eventually([&] { return !rig.service.Closed.isEmpty(); }));
    EXPECT_EQ(rig.service.Closed, QList<uint>{n.Id});
    EXPECT_EQ(rig.notifier.Id(), 0u);
}

TEST(AlarmNotifier, OnlySignalsOfOurNotificationCount)
{
    TNotifyRig rig;
    ASSERT_TRUE(rig.Start());
    QString kept;
    rig.notifier.OnKept = [&](const QString& k) { kept = k; };
    rig.notifier.Show();
    ASSERT_TRUE(Eventually([&] { return rig.notifier.Id() != 0; }));
    const uint id = rig.notifier.Id();
    emit rig.service.ActionInvoked(id + 100, "stop");
    emit rig.service.ActionInvoked(id, "default");
    emit rig.service.ActionInvoked(id, "stop");
    ASSERT_TRUE(Eventually([&] { return rig.stops > 0; }));
    Eventually([] { return false; }, 200); // any further signal would arrive by now
    EXPECT_EQ(rig.stops, 1);

    // Another notification closed leaves ours; ours closed by the user is
    // gone, so the next alarm's notification replaces nothing.
    emit rig.service.NotificationClosed(id + 100, 2);
    Eventually([] { return false; }, 200);
    EXPECT_EQ(rig.notifier.Id(), id);
    emit rig.service.NotificationClosed(id, 2);
    ASSERT_TRUE(Eventually([&] { return rig.notifier.Id() == 0; }));
    EXPECT_EQ(kept, "") << "nothing left for a later run to replace";
}

// A click on the notification brings its timer. The notification a killed
// run left is never replaced on a notification service started since (the
// same service: TimerRecorderTest); the icon's file is named for services
// without an icon theme.
TEST(AlarmNotifier, AClickBringsItsTimerAndAnotherServicesNotificationIsLeftAlone)
{
    TNotifyRig rig;
    ASSERT_TRUE(rig.Start());
    QString kept;
    int fronts = 0;
    rig.notifier.OnKept = [&](const QString& k) { kept = k; };
    rig.notifier.OnFront = [&] { ++fronts; };
    rig.notifier.Show();
    ASSERT_TRUE(Eventually([&] { return !kept.isEmpty(); }));
    emit rig.service.ActionInvoked(rig.notifier.Id(), "default");
    EXPECT_TRUE(Eventually([&] { return fronts == 1; }));
    rig.serviceSide.unregisterService(kNotifications);
    QDBusConnection otherSide = rig.bus.Connect();
    TFakeNotifications restarted;
    ASSERT_TRUE(Serve(otherSide, kNotifications, kNotificationsPath, &restarted));
    TAlarmNotifier after(rig.bus.Connect(), nullptr, "/usr/share/pocosa.png");
    after.Show({}, true, {}, kept);
    ASSERT_TRUE(Eventually([&] { return after.Id() != 0; }));
    EXPECT_EQ(restarted.Notified.last().Replaces, 0u);
    EXPECT_EQ(restarted.Notified.last().Hints.value("image-path"), "/usr/share/pocosa.png");
    QTemporaryDir prefix; // as installed: <prefix>/lib/pocosa and <prefix>/share/icons
    const QString icon = prefix.filePath("share/icons/hicolor/128x128/apps/pocosa.png");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(icon).path()) && QFile(icon).open(QIODevice::WriteOnly));
    EXPECT_EQ(TAlarmNotifier::InstalledIconPath(prefix.filePath("lib/pocosa")), icon);
}

TEST(AlarmNotifier, WithdrawnBeforeTheIdArrivesStillCloses)
{
    TNotifyRig rig;
    ASSERT_TRUE(rig.Start());
    rig.notifier.Show();
    rig.notifier.Withdraw(); // the reply with the id has not been read yet
    ASSERT_TRUE(Eventually([&] { return !rig.service.Closed.isEmpty(); }));
    ASSERT_EQ(rig.service.Notified.size(), 1);
    EXPECT_EQ(rig.service.Closed.first(), rig.service.Notified.first().Id);
    EXPECT_EQ(rig.notifier.Id(), 0u);
}

TEST(AlarmNotifier, NoServiceOrNoBusIsNotAnError)
{
    TNotifyRig rig; // service never registered
    ASSERT_TRUE(rig.bus.Running());
    int untold = 0;
    rig.notifier.OnUntold = [&untold] { ++untold; };
    rig.notifier.Show();
    EXPECT_TRUE(Eventually([&] { return untold == 1; })) << "the alarm is told another way";
    rig.notifier.Show(QString(), false); // a notice is not the alarm
    Eventually([] { return false; }, 300);
    EXPECT_EQ(rig.notifier.Id(), 0u);
    EXPECT_EQ(untold, 1);
    rig.notifier.Withdraw();

    TAlarmNotifier unconnected(QDBusConnection(QStringLiteral("no-such-connection")));
    unconnected.Show();
    unconnected.Withdraw();
    EXPECT_EQ(unconnected.Id(), 0u);
}

struct TInhibitRig {
    TPrivateBus bus;
    QDBusConnection serviceSide = bus.Connect();
    TFakeLogind logind;
    TFakeScreenSaver screenSaver;
    bool Serve(bool withLogind)
    {
        return bus.Running() &&
               (!withLogind ||
                ::Serve(serviceSide, "org.freedesktop.login1", "/org/freedesktop/login1", &logind)) &&
               ::Serve(serviceSide, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", &screenSaver);
    }
};

TEST(SleepInhibitor, LogindIdleLockIsHeldUntilTurnedOff)
{
    TInhibitRig rig;
    ASSERT_TRUE(rig.Serve(true));
    TSleepInhibitor inhibitor(rig.bus.Connect(), rig.bus.Connect());
    inhibitor.SetInhibited(true);
    ASSERT_TRUE(Eventually([&] { return inhibitor.HoldsLogindLock(); }));
    EXPECT_EQ(rig.logind.Calls, QStringList{"idle Pocosa block"});
    EXPECT_FALSE(rig.logind.Released(0));
    EXPECT_TRUE(rig.screenSaver.Inhibited.isEmpty()) << "logind is enough";

    inhibitor.SetInhibited(true);
    Eventually([] { return false; }, 100);
    EXPECT_EQ(rig.logind.Calls.size(), 1) << "no second lock for the same run";

    inhibitor.SetInhibited(false);
    EXPECT_FALSE(inhibitor.HoldsLogindLock());
    EXPECT_TRUE(Eventually([&] { return rig.logind.Released(0); }));
}

TEST(SleepInhibitor, TurnedOffBeforeLogindAnswersLetsTheLateLockGo)
{
    TInhibitRig rig;
    ASSERT_TRUE(rig.Serve(true));
    TSleepInhibitor inhibitor(rig.bus.Connect(), rig.bus.Connect());
    inhibitor.SetInhibited(true);
    inhibitor.SetInhibited(false);
    ASSERT_TRUE(Eventually([&] { return rig.logind.ReadEnds.size() == 1; }));
    EXPECT_TRUE(Eventually([&] { return rig.logind.Released(0); }));
    EXPECT_FALSE(inhibitor.HoldsLogindLock());
}

TEST(SleepInhibitor, ScreenSaverWhereLogindIsAbsent)
{
    TInhibitRig rig;
    ASSERT_TRUE(rig.Serve(false));
    TSleepInhibitor inhibitor(rig.bus.Connect(), rig.bus.Connect());
    inhibitor.SetInhibited(true);
    ASSERT_TRUE(Eventually([&] { return inhibitor.ScreenSaverCookie() != 0; }));
    EXPECT_EQ(rig.screenSaver.Inhibited, QList<uint>{7});
    inhibitor.SetInhibited(false);
    ASSERT_TRUE(Eventually([&] { return !rig.screenSaver.UnInhibited.isEmpty(); }));
    EXPECT_EQ(rig.screenSaver.UnInhibited, QList<uint>{7});
    // The next count-down holds the screen saver again.
    inhibitor.SetInhibited(true);
    EXPECT_TRUE(Eventually([&] { return inhibitor.ScreenSaverCookie() != 0; }));

    // No system bus at all: straight to the screen saver.
    TSleepInhibitor noSystem(QDBusConnection(QStringLiteral("no-such-connection")), rig.bus.Connect());
    noSystem.SetInhibited(true);
    EXPECT_TRUE(Eventually([&] { return noSystem.ScreenSaverCookie() != 0; }));
}

TEST(SleepInhibitor, NoServicesIsNotAnError)
{
    TPrivateBus bus;
    ASSERT_TRUE(bus.Running());
    TSleepInhibitor inhibitor(bus.Connect(), bus.Connect());
    inhibitor.SetInhibited(true);
    Eventually([] { return false; }, 300);
    EXPECT_FALSE(inhibitor.HoldsLogindLock());
    EXPECT_EQ(inhibitor.ScreenSaverCookie(), 0u);
    inhibitor.SetInhibited(false);
}

// The window's count-down drives both: inhibited while it runs, notified at
// the first alarm step only, withdrawn and released on STOP from the
// notification.
TEST(TimerAttention, CountDownInhibitsAndTheAlarmNotifiesOnce)
{
    TInhibitRig desk;
    ASSERT_TRUE(desk.Serve(true));
    TFakeNotifications notifications;
    ASSERT_TRUE(Serve(desk.serviceSide, kNotifications, kNotificationsPath, &notifications));
    TTimerRig rig;
    TTimerAttention attention([&] { return desk.bus.Connect(); }, [&] { return desk.bus.Connect(); });
    int untold = 0;
    attention.OnUntold = [&untold](TTimerModel&) { ++untold; };

    attention.Add(rig.w().Model());

    rig.w().Model().SetSound("/music/bell.ogg", 50);
    rig.w().SetSeconds(2);
    rig.w().BTstartClick(rig.w().BTstart);
    ASSERT_TRUE(Eventually([&] { return Held(attention).Logind == 2; }));
    rig.Tick();
    EXPECT_FALSE(Held(attention).Notifier) << "no notification before the alarm";
    const auto clock = [] { return UserLanguageLocale().toString(QTime::currentTime(), QLocale::ShortFormat); };
    const QString before = clock();
    rig.Tick(); // 00:00: first alarm step
    const QString after = clock();
    rig.Tick();
    rig.Tick();
    ASSERT_TRUE(Eventually([&] { return Held(attention).Id != 0; }));
    ASSERT_EQ(notifications.Notified.size(), 1) << "one notification per alarm";
    EXPECT_EQ(untold, 0) << "it tells the alarm";
    const QString body = notifications.Notified.first().Body;
    EXPECT_TRUE(body.contains("0:02") && (body.contains(before) || body.contains(after))) << "what ended, and when";
    // The sound's file is deleted while it rings: the next sound step tells it there.
    rig.sound.Refused << "/music/bell.ogg";
    for (int i = 0; i < TTimerModel::kAlarmSoundSteps; ++i)
        rig.Tick();
    ASSERT_TRUE(Eventually([&] { return notifications.Notified.size() == 2; }));
    EXPECT_EQ(notifications.Notified[1].Replaces, notifications.Notified[0].Id) << "the same notification";
    EXPECT_TRUE(notifications.Notified[1].Body.startsWith(body + "\n") && notifications.Notified[1].Body.contains("not audio"));

    ASSERT_TRUE(Eventually([&] { return Held(attention).Id == notifications.Notified[1].Id; })) << "its id is back";
    emit notifications.ActionInvoked(Held(attention).Id, "stop");
    ASSERT_TRUE(Eventually([&] { return !rig.w().Running(); })) << "the action stops the timer";
    EXPECT_TRUE(rig.w().CountUp()) << "as STOP does";
    EXPECT_TRUE(Eventually([&] { return notifications.Closed.size() == 1; }));
    EXPECT_TRUE(Eventually([&] { return desk.logind.Released(0); }));
}

TEST(TimerAttention, ResetWithdrawsAndCountUpDoesNotInhibit)
{
    TInhibitRig desk;
    ASSERT_TRUE(desk.Serve(true));
    TFakeNotifications notifications;
    ASSERT_TRUE(Serve(desk.serviceSide, kNotifications, kNotificationsPath, &notifications));
    TTimerRig rig;
    TTimerAttention attention([&] { return desk.bus.Connect(); }, [&] { return desk.bus.Connect(); });

    attention.Add(rig.w().Model());

    rig.w().BTstartClick(rig.w().BTstart); // from 00:00: counts up
    rig.Tick();
    EXPECT_EQ(Held(attention).Logind, 0) << "a count-up keeps nobody awake";
    rig.w().BTresetClick(rig.w().BTreset);

    rig.w().SetSeconds(1);
    rig.w().BTstartClick(rig.w().BTstart);
    rig.Tick();
    ASSERT_TRUE(Eventually([&] { return Held(attention).Id != 0; }));
    rig.w().BTresetClick(rig.w().BTreset);
    EXPECT_TRUE(Eventually([&] { return notifications.Closed.size() == 1; }));
    EXPECT_TRUE(Eventually([&] { return desk.logind.Released(0); }));
    attention.ShowEndedNotice(rig.w().Model(), "ended"); // a count-down that ended while away: only told
    ASSERT_TRUE(Eventually([&] { return notifications.Notified.size() == 2; }));
    EXPECT_EQ(notifications.Notified[1].Actions.size(), 2) << "no stop, only the click on it";
}

// The end lets go of what the bus thread holds.
TEST(TimerAttention, TheEndLetsGoOfWhatTheBusThreadHolds)
{
    TInhibitRig desk;
    ASSERT_TRUE(desk.Serve(true));
    TTimerRig rig;
    {
        TTimerAttention attention([&] { return desk.bus.Connect(); }, [&] { return desk.bus.Connect(); });
        attention.Add(rig.w().Model());
        rig.w().SetSeconds(5), rig.w().BTstartClick(rig.w().BTstart);
        ASSERT_TRUE(Eventually([&] { return Held(attention).Logind == 2; }));
    }
    EXPECT_FALSE(ThreadLeftBehind());
    EXPECT_TRUE(Eventually([&] { return desk.logind.Released(0); }));
}

// The status icon is made only once the bus answered in the bus thread: a
// frozen bus says no in time, and the window's thread never waits.
TEST(TimerAttention, StatusWatcherAskedInTheBusThreadAnswersInTime)
{
    TPrivateBus bus;
    ASSERT_TRUE(bus.Running());
    for (const bool frozen : {false, true}) {
        TTimerAttention attention([&] { return bus.Connect(); }, [&] { return bus.Connect(); });
        std::optional<bool> answer;
        bus.Freeze(frozen);
        QElapsedTimer waited;
        waited.start();
        attention.AskStatusWatcher([&answer](bool answered) { answer = answered; });
        EXPECT_LT(waited.elapsed(), 100) << "asked without waiting";
        ASSERT_TRUE(Eventually([&] { return answer.has_value(); })) << frozen;
        EXPECT_EQ(*answer, !frozen) << "no watcher is an answer too";
        EXPECT_LE(waited.elapsed(), 2 * TTimerAttention::kStatusWatcherMs);
        bus.Freeze(false);
    }
}

} // namespace

namespace {

void Start(TTimerRig& r) { r.w().BTstartClick(r.w().BTstart); }
void Reset(TTimerRig& r) { r.w().BTresetClick(r.w().BTreset); }
void Set(TTimerRig& r, int seconds)
{
    for (int i = 0; i < seconds; ++i)
        r.w().BTsecClick(r.w().BTsec);
}
void Ticks(TTimerRig& r, int n)
{
    for (int i = 0; i < n; ++i)
        r.Tick();
}

// Beyond the plain count-down the signal test runs: pauses, new times and
// a timer taken up from an earlier run. Each row starts from a fresh window.
TEST(LauncherEntry, ProgressIsTheShareOfTheCountDownAsStarted)
{
    const struct {
        const char* Name;
        std::function<void(TTimerRig&)> Steps;
        TLauncherState After;
        int Length = -1; // the count-down's length as the alarm names it; -1: not looked at
        int Kept = -1;   // the same as the timer keeps it for a later run; -1: not looked at
    } rows[] = {
        {"paused a second in", [](TTimerRig& r) { Set(r, 4), Start(r), r.Tick(), Start(r); }, {0.25, true, false}},
        {"started again keeps the length",
         [](TTimerRig& r) { Set(r, 4), Start(r), r.Tick(), Start(r), Start(r), r.Tick(); }, {0.5, true, false}, 4, 4},
        {"stopped at its start time", [](TTimerRig& r) { Set(r, 4), Start(r), Start(r); }, {0, false, false}},
        {"a time set while paused", [](TTimerRig& r) { Set(r, 4), Start(r), r.Tick(), Start(r), Set(r, 1); },
         {0, false, false}, -1, 0},
        {"reset while paused, a shorter time started",
         [](TTimerRig& r) { Set(r, 4), Start(r), r.Tick(), Start(r), Reset(r), Set(r, 2), Start(r), r.Tick(); },
         {0.5, true, false}, -1, 2},
        {"alarm, reset", [](TTimerRig& r) { Set(r, 2), Start(r), Ticks(r, 2), Reset(r); }, {0, false, false}},
        {"kept count-down taken up", [](TTimerRig& r) { r.w().ResumeRunning(120, false, 500), Ticks(r, 2); },
         {2.0 / 120, true, false}, 0},
        {"kept alarm taken up", [](TTimerRig& r) { r.w().SetRunning(true), r.w().SetSeconds(0); }, {1, true, true}},
    };
    for (const auto& row : rows) {
        TTimerRig rig;
        TCountDownProgress progress;
        TLauncherState state;
        bool takenUp = false; // a row of length 0 was taken up from an earlier run
        QObject::connect(&rig.w().Model(), &TTimerModel::Changed, &rig.w(), [&] {
            state = progress.Follow(rig.w().Seconds(), rig.w().Running(), rig.w().CountUp());
            if (row.Length == 0 && rig.w().Running() && !std::exchange(takenUp, true))
                progress.TakenUp();
        });
        row.Steps(rig);
        EXPECT_DOUBLE_EQ(state.Progress, row.After.Progress) << row.Name;
        EXPECT_EQ(state.ProgressVisible, row.After.ProgressVisible) << row.Name;
        EXPECT_EQ(state.Urgent, row.After.Urgent) << row.Name;
        if (row.Length >= 0) {
            EXPECT_EQ(progress.Length(), row.Length) << row.Name;
        }
        if (row.Kept >= 0) {
            EXPECT_EQ(rig.w().Model().CountDownLength(), row.Kept) << row.Name;
        }
    }
}

TEST(LauncherEntry, ACountDownSendsEachChangeOnceOnTheSessionBus)
{
    TPrivateBus bus;
    ASSERT_TRUE(bus.Running());
    QDBusConnection dockSide = bus.Connect();
    TFakeDock dock;
    ASSERT_TRUE(dock.Listen(dockSide));
    TTimerRig rig;
    int sessionAsked = 0;
    TTimerAttention attention([&] { return ++sessionAsked, bus.Connect(); }, [&] { return bus.Connect(); });

    attention.Add(rig.w().Model());

    Set(rig, 3);
    EXPECT_EQ(sessionAsked, 0) << "the bus waits for a count-down";
    Start(rig);
    Ticks(rig, 5); // the alarm from the third on
    Start(rig);    // STOP
    Start(rig);    // counting up: nothing to show
    ASSERT_TRUE(Eventually([&] { return dock.Updates.size() >= 5; }));
    Eventually([] { return false; }, 200); // a further signal would be here by now
    const struct {
        double Progress;
        bool Visible;
        bool Urgent;
    } sent[] = {{0, true, false}, {1.0 / 3, true, false}, {2.0 / 3, true, false}, {1, true, true}, {0, false, false}};
    ASSERT_EQ(dock.Updates.size(), std::size(sent)) << "each state once";
    for (std::size_t i = 0; i < std::size(sent); ++i) {
        const TFakeDock::TUpdate& u = dock.Updates.at(qsizetype(i));
        EXPECT_EQ(u.AppUri, "application://org.velmora.Pocosa.desktop");
        EXPECT_EQ(u.Properties.value("progress").typeId(), QMetaType::Double);
        EXPECT_DOUBLE_EQ(u.Properties.value("progress").toDouble(), sent[i].Progress) << i;
        EXPECT_EQ(u.Properties.value("progress-visible"), QVariant(sent[i].Visible)) << i;
        EXPECT_EQ(u.Properties.value("urgent"), QVariant(sent[i].Urgent)) << i;
    }
}

// Several timers: one launcher entry for the count-down nearest its end,
// urgent while any alarm rings; a notification each, named, whose stop
// action stops that timer alone.
TEST(TimerAttention, SeveralTimersShareTheLauncherAndEachHasItsNotification)
{
    TPrivateBus bus;
    QDBusConnection serviceSide = bus.Connect();
    TFakeNotifications notifications;
    ASSERT_TRUE(Serve(serviceSide, kNotifications, kNotificationsPath, &notifications));
    TTimerRig tea, eggs;
    TTimerAttention attention([&] { return bus.Connect(); }, [&] { return bus.Connect(); });
    attention.Add(tea.w().Model());
    attention.Add(eggs.w().Model());
    tea.w().Model().SetName("Tea");
    const struct {
        const char* Name;
        std::function<void()> Step;
        TLauncherState Launcher;
    } rows[] = {
        {"one counts down", [&] { Set(tea, 4), Start(tea), tea.Tick(); }, {0.25, true, false}},
        {"the other, nearer its end", [&] { Set(eggs, 2), Start(eggs), eggs.Tick(); }, {0.5, true, false}},
        {"the nearer stopped: the one that runs shows", [&] { Start(eggs); }, {0.25, true, false}},
        {"and again the nearer once it runs", [&] { Start(eggs); }, {0.5, true, false}},
        {"the nearer rings", [&] { eggs.Tick(); }, {1, true, true}},
        {"urgent while it rings", [&] { Ticks(tea, 2); }, {1, true, true}},
        {"it is reset: the other shows", [&] { Reset(eggs); }, {0.75, true, false}},
        {"the other rings", [&] { tea.Tick(); }, {1, true, true}},
        {"none rings", [&] { Reset(tea); }, {0, false, false}},
    };
    for (const auto& row : rows) {
        row.Step();
        EXPECT_EQ(attention.Launcher().Sent(), row.Launcher) << row.Name;
    }
    ASSERT_TRUE(Eventually([&] { return notifications.Notified.size() == 2; }));
    EXPECT_FALSE(notifications.Notified[0].Summary.contains(':')) << "an unnamed one as always";
    EXPECT_TRUE(notifications.Notified[1].Summary.startsWith("Tea: ")) << "the named one says its name";
    Set(tea, 1), Start(tea), tea.Tick(), Set(eggs, 1), Start(eggs), eggs.Tick();
    ASSERT_TRUE(Eventually([&] { return notifications.Notified.size() == 4; }));
    uint lastId = 0; // the id of a timer's notification once the server's answer is in
    const auto id = [&](int key) {
        Eventually([&] {
            return attention.InBusThread([&](TAttentionBus& b) { lastId = b.Notifier(key)->Id(); }), lastId;
        });
        return std::exchange(lastId, 0u);
    };
    const uint teaId = id(0);
    TTimerModel* front = nullptr;
    attention.OnFront = [&front](TTimerModel& timer) { front = &timer; };
    emit notifications.ActionInvoked(teaId, "default");
    EXPECT_TRUE(Eventually([&] { return front == &tea.w().Model(); })) << "a click brings that timer";
    emit notifications.ActionInvoked(teaId, "stop");
    ASSERT_TRUE(Eventually([&] { return !tea.w().Running(); }));
    EXPECT_TRUE(eggs.w().Running()) << "the other rings on";
    // A minute more for the other: it counts down 01:00, the first stays stopped.
    const uint eggsId = id(1);
    emit notifications.ActionInvoked(eggsId, "plus1");
    ASSERT_TRUE(Eventually([&] { return eggs.w().Seconds() == 60; }));
    EXPECT_TRUE(eggs.w().Running() && !eggs.w().CountUp() && !eggs.w().Model().AlarmReached());
    EXPECT_FALSE(tea.w().Running());
    EXPECT_TRUE(Eventually([&] { return notifications.Closed.contains(eggsId); })) << "the alarm's notice goes";
    attention.Remove(tea.w().Model()); // closed: not followed any more
    const qsizetype shown = notifications.Notified.size();
    Set(tea, 1), Start(tea), tea.Tick(), eggs.Tick();
    Eventually([] { return false; }, 200);
    EXPECT_EQ(notifications.Notified.size(), shown);
}

// The warning: a notification of normal urgency that the alarm's replaces, the launcher urgent meanwhile.
TEST(TimerAttention, AWarningNotifiesSoftlyAndMarksTheLauncherUntilTheEnd)
{
    TInhibitRig desk;
    TFakeNotifications n;
    ASSERT_TRUE(Serve(desk.serviceSide, kNotifications, kNotificationsPath, &n));
    TTimerRig tea;
    TTimerAttention attention([&] { return desk.bus.Connect(); }, [&] { return desk.bus.Connect(); });
    attention.Add(tea.w().Model()), tea.w().Model().SetName("Tea"), tea.w().Model().SetWarning(60);
    Set(tea, 61), Start(tea), tea.Tick();
    ASSERT_TRUE(Eventually([&] { return n.Notified.size() == 1 && Held(attention).Id == n.Notified[0].Id; }));
    EXPECT_EQ(n.Notified[0].Summary, "Tea: 1 minute left");
    EXPECT_EQ(n.Notified[0].Hints["urgency"].toInt() * 10 + n.Notified[0].Actions.size(), 12) << "normal, no STOP";
    EXPECT_TRUE(attention.Launcher().Sent().Urgent);
    Ticks(tea, 60);
    EXPECT_TRUE(Eventually([&] { return n.Notified.size() == 2 && n.Notified[1].Replaces == n.Notified[0].Id; }));
    // A repeat's next round is told in the same notification, and the warning's mark is over.
    tea.w().BTresetClick(tea.w().BTreset), tea.w().Model().SetRepeat(2), Set(tea, 61), Start(tea), tea.Tick();
    ASSERT_TRUE(Eventually([&] { return n.Notified.size() == 3 && Held(attention).Id == n.Notified[2].Id; }));
    Ticks(tea, 60);
    ASSERT_TRUE(Eventually([&] { return n.Notified.size() == 4; }));
    EXPECT_TRUE(n.Notified[3].Summary == "Tea: round 2 of 2 begins" && n.Notified[3].Replaces == n.Notified[2].Id);
    EXPECT_FALSE(attention.Launcher().Sent().Urgent);
}

int gMessages = 0;

TEST(LauncherEntry, WithoutABusACountDownRunsQuietly)
{
    TTimerRig rig;
    const auto none = [] { return QDBusConnection(QStringLiteral("no-such-connection")); };
    TTimerAttention attention(none, none);
    attention.Add(rig.w().Model());
    gMessages = 0;
    const QtMessageHandler before =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) { ++gMessages; });
    Set(rig, 2), Start(rig), Ticks(rig, 4), Start(rig);
    qInstallMessageHandler(before);
    EXPECT_EQ(gMessages, 0);
}

} // namespace
