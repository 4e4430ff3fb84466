// Several timers: the settings before, what the user does, the sections after.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRegularExpression>
#include <QSet>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <functional>
#include <memory>

#include "FullDisk.h"
#include "OpenTimers.h"
#include "StartRequest.h"
#include "StatusIcon.h"
#include "TimerAttention.h"
#include "TimerModel.h"
#include "TimerPanel.h"
#include "UnitFmTimerMain.h"
#include "vlmButton.h"
#include "vlmGlobal.h"
#include "vlmGraphicSource.h"

namespace {

// A program folder of its own with the environment and graphics modules
// running on it (its data folder elsewhere when given), and no bus.
struct TOpenTimersRig {
    explicit TOpenTimersRig(const QByteArray& ini, const QString& dataFolder = QString())
    {
        if (!dataFolder.isEmpty())
            QFile::link(dataFolder, dir.filePath("Data"));
        QDir().mkpath(dir.filePath("Data"));
        // Two pictures in the program's picture folder: a history read anew starts with a.bmp.
        QDir().mkpath(dir.filePath("backimage"));
        for (const char* name : {"a.bmp", "b.bmp"})
            QImage(8, 8, QImage::Format_Mono).save(dir.filePath(QString("backimage/") + name));
        QFile file(dir.filePath("Data/application.ini"));
        file.open(QIODevice::WriteOnly);
        file.write(ini);
        file.close();
        TvlmGlobalSetup setup;
        setup.ProgramFile = dir.filePath("pocosa");
        global = std::make_unique<vlmGlobalUnit>(setup);
        graphics = std::make_unique<vlmGraphicSourceUnit>();
        const auto none = [] { return QDBusConnection(QStringLiteral("no-such-connection")); };
        attention = std::make_unique<TTimerAttention>(none, none);
        timers = std::make_unique<TOpenTimers>(*AppGlobal, *attention);
        timers->Tell = [this](TFmTimerMain* from, const QString& message) { told << message, toldTo << from; };
    }

    void Close(int index)
    {
        const QPointer<TFmTimerMain> window = &timers->Window(index);
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(window.isNull(), timers->Count() > 0 && !timers->UserClosedAll()) << "a forgotten window goes";
    }

    // The sections of timers as "section:NAME:SECONDS", in file order, once
    // the program has ended; ":SOUND:VOLUME" follow where a sound is kept.
    QString End()
    {
        timers.reset();
        QStringList out;
        for (const QString& section : AppGlobal->IniSections())
            if (section.startsWith("TIMER", Qt::CaseInsensitive)) {
                const QString sound = AppGlobal->ReadIniString(section, "SOUND", "");
                out << section + ":" + AppGlobal->ReadIniString(section, "NAME", "") + ":" +
                           AppGlobal->ReadIniString(section, "SECONDS", "-") +
                           (sound.isEmpty() ? "" : ":" + sound + ":" + AppGlobal->ReadIniString(section, "VOLUME", ""));
            }
        return out.join(' ');
    }

    QTemporaryDir dir;
    std::unique_ptr<vlmGlobalUnit> global;
    std::unique_ptr<vlmGraphicSourceUnit> graphics;
    std::unique_ptr<TTimerAttention> attention;
    std::unique_ptr<TOpenTimers> timers;
    QStringList told;
    QList<TFmTimerMain*> toldTo;
};

const QByteArray kToday = "[TFMTIMERMAIN]\nTOP=40\nLEFT=50\n[TIMER]\nSECONDS=90\nRUNNING=0\nCOUNTUP=0\n";
const QByteArray kKept = kToday + "[TIMER-7]\nNAME=Eggs\nSECONDS=300\nRUNNING=0\nCOUNTUP=0\nLEFT=300\nTOP=200\n"
                                  "[timer-02]\nSECONDS=1\n[TIMER-3]\nNAME=Tea\nSECONDS=30\nRUNNING=0\nCOUNTUP=0\n";

TEST(OpenTimers, SettingsBeforeAndWhatTheUserDoesGiveTheSectionsAfter)
{
    using TSteps = std::function<void(TOpenTimersRig&)>;
    const auto newTimer = [](const char* name) {
        return [name](TOpenTimersRig& r) { ASSERT_TRUE(r.timers->New(nullptr, name)); };
    };
    const struct {
        const char* Name;
        QByteArray Ini;
        std::vector<TSteps> Steps;
        QStringList Windows; // the timers' names, first window first, before the end
        const char* After;
    } rows[] = {
        {"today's file: read and kept", kToday, {}, {""}, "TIMER::90"},
        {"a new timer keeps a section of its own, and its name is its own", kToday,
         {newTimer("Tea"),
          [](TOpenTimersRig& r) {
              TStartRequest again;
              again.New = true, again.Timer = "tea";
              EXPECT_TRUE(r.timers->Answer(again).Refused.contains("tea"));
          }},
         {"", "Tea"}, "TIMER::90 TIMER-2:Tea:0"},
        {"a closed timer's section goes", kToday,
         {newTimer("Tea"), newTimer("Eggs"), [](TOpenTimersRig& r) { r.Close(1); }}, {"", "Eggs"},
         "TIMER::90 TIMER-3:Eggs:0"},
        {"the first closed: the next takes its sections", kToday,
         {newTimer("Tea"), [](TOpenTimersRig& r) { r.Close(0); }}, {"Tea"}, "TIMER:Tea:0"},
        {"a moved window is kept once it rests", kToday,
         {newTimer("Tea"),
          [](TOpenTimersRig& r) {
              r.timers->Window(1).move(300, 200);
              QTest::qWait(TFmTimerMain::kMoveRestMs * 3 / 2);
              EXPECT_EQ(AppGlobal->ReadIniInteger("TIMER-2", "LEFT", 0), 300) << "before any end";
          }},
         {"", "Tea"}, "TIMER::90 TIMER-2:Tea:0"},
        {"new timers wear the picture of the window they came from, each in a place of its own",
         kToday + "[BACK]\nlist0=b.bmp\n",
         {[](TOpenTimersRig& r) {
             QSet<QPoint> places{r.timers->Window(0).pos()};
             for (int i = 1; i <= 3; ++i) {
                 ASSERT_TRUE(r.timers->New(&r.timers->Window(0)));
                 places << r.timers->Window(i).pos();
             }
             EXPECT_EQ(places.size(), 4);
             EXPECT_EQ(r.timers->Window(3).Backgrounds()->Current(), "b.bmp");
         }},
         {"", "", "", ""}, "TIMER::90 TIMER-2::0 TIMER-3::0 TIMER-4::0"},
        {"the first closed, then the last: nothing kept", kToday,
         {newTimer("Tea"), [](TOpenTimersRig& r) { r.timers->Timer(1).SetSeconds(30), r.Close(0), r.Close(0); }},
         {"Tea"}, "TIMER::0"},
        {"a timer opened before the kept ones is not opened twice", kKept,
         {newTimer("Rice"), [](TOpenTimersRig& r) { r.timers->OpenKept(); }}, {"", "Rice", "Tea", "Eggs"},
         "TIMER::90 TIMER-7:Eggs:300 timer-02::1 TIMER-3:Tea:30 TIMER-2:Rice:0"},
        {"a picture not found at start: the built-in one, told, and its entry kept",
         kToday + "[BACK]\nlist0=/gone/tea.png\n",
         {[](TOpenTimersRig& r) {
             QCoreApplication::processEvents();
             const TFmTimerMain& w = r.timers->Window(0); // not the white 120 x 120 square
             EXPECT_TRUE(w.windowTitle().contains("/gone/tea.png") && w.size() != QSize(120, 120));
             EXPECT_EQ(w.Backgrounds()->Items().value(0), "/gone/tea.png");
         }},
         {""}, "TIMER::90"},
        {"the last window closed clears the timer", kToday, {[](TOpenTimersRig& r) { r.Close(0); }}, {""},
         "TIMER::0"},
        {"Ctrl+Q forgets every timer, not the first one's sound", kToday,
         {newTimer("Tea"), newTimer(""),
          [](TOpenTimersRig& r) { r.timers->Timer(0).SetSound("/bell.ogg", 30), r.timers->QuitAll(); }},
         {""}, "TIMER::0:/bell.ogg:30"},
        {"kept timers come back in the order of their numbers", kKept,
         {[](TOpenTimersRig& r) {
             r.timers->OpenKept();
             EXPECT_TRUE(r.timers->Window(1).isVisible() && r.timers->Window(2).isVisible());
         }},
         {"", "Tea", "Eggs"},
         "TIMER::90 TIMER-7:Eggs:300 timer-02::1 TIMER-3:Tea:30"},
        {"a kept timer that cannot be read is written anew at once", kToday + "[TIMER-4]\nNAME=Rice\nSECONDS=x\n",
         {[](TOpenTimersRig& r) {
             r.timers->OpenKept();
             EXPECT_EQ(AppGlobal->ReadIniString("TIMER-4", "SECONDS", ""), "0");
         }},
         {"", "Rice"}, "TIMER::90 TIMER-4:Rice:0"},
        {"kept places that meet on a smaller screen are moved apart; a new timer at the screen's corner opens beside it",
         kToday + "[TIMER-2]\nLEFT=9000\nTOP=9000\n[TIMER-3]\nLEFT=9000\nTOP=9000\n",
         {[](TOpenTimersRig& r) {
             r.timers->OpenKept(), r.timers->New(&r.timers->Window(1));
             const QPoint one = r.timers->Window(1).pos(), beside = r.timers->Window(3).pos() - one;
             EXPECT_NE(one, r.timers->Window(2).pos());
             EXPECT_TRUE(r.timers->Window(1).screen()->availableGeometry().contains(r.timers->Window(3).geometry()));
             EXPECT_LE(beside.manhattanLength(), 4 * TOpenTimers::kCascadePx);
         }},
         {"", "", "", ""}, "TIMER::90 TIMER-2::- TIMER-3::- TIMER-4::0"},
        {"a new timer after kept ones takes the lowest free number", kKept,
         {[](TOpenTimersRig& r) { r.timers->OpenKept(); }, newTimer("Rice"), [](TOpenTimersRig& r) { r.Close(1); },
          newTimer("Beans")},
         {"", "Eggs", "Rice", "Beans"}, "TIMER::90 TIMER-7:Eggs:300 timer-02::1 TIMER-2:Rice:0 TIMER-3:Beans:0"},
        {"beside the highest number read, new timers take the lowest free ones",
         kToday + "[TIMER-999999999]\nNAME=Last\n",
         {newTimer("Tea"), newTimer("Eggs")}, {"", "Tea", "Eggs"},
         "TIMER::90 TIMER-999999999:Last:- TIMER-2:Tea:0 TIMER-3:Eggs:0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TOpenTimersRig rig(row.Ini);
        rig.timers->OpenFirst(true);
        for (const TSteps& step : row.Steps)
            step(rig);
        QStringList windows;
        for (int i = 0; i < rig.timers->Count(); ++i)
            windows << rig.timers->Timer(i).Name();
        EXPECT_EQ(windows, row.Windows);
        EXPECT_EQ(rig.End(), row.After);
    }
}

// The recent count-down lengths are the program's, kept at once in a section of their own; a count-down
// until a time of day (--until) is none.
TEST(OpenTimers, RecentTimesAreSharedAndKept)
{
    TOpenTimersRig rig(kToday + "[RECENT]\ntime0=300\ntime1=x\ntime2=60\n");
    TFmTimerMain &first = rig.timers->OpenFirst(true), *other = rig.timers->New(&first);
    other->SetSeconds(60), other->BTstartClick(other->BTstart), emit first.PopupMenu1->aboutToShow();
    TStartRequest until{2833, true};
    until.Until = true;
    EXPECT_TRUE(rig.timers->Answer(until).Applied && first.Running());
    EXPECT_EQ(first.MnRecent0->text() + AppGlobal->ReadIniString("RECENT", "time0", "") +
                  AppGlobal->ReadIniString("RECENT", "time1", "") + AppGlobal->ReadIniString("RECENT", "time2", "-"),
              "01:0060300");
}

// A repeat is the addressed timer's; --status tells its round.
TEST(OpenTimers, ARepeatIsTheAddressedTimersAndStatusTellsItsRound)
{
    TOpenTimersRig rig(kToday);
    rig.timers->New(&rig.timers->OpenFirst(true))->Model().SetName("Tea");
    TStartRequest repeat, status;
    repeat.Timer = "Tea", repeat.Seconds = 300, repeat.Start = status.Status = status.Ask = true, repeat.Repeat = 3;
    EXPECT_TRUE(rig.timers->Answer(repeat).Applied);
    EXPECT_TRUE(rig.timers->Answer(status).Timers.join('|').endsWith("stopped|05:00 counting down (1/3)\tTea"));
}

// A request done on a full disk is told as not kept; once the disk clears,
// the new timer is kept whole.
TEST(OpenTimers, ARequestTheDiskCannotTakeIsToldAndKeptLater)
{
    const FullDisk disk;
    if (!disk.mounted)
        GTEST_SKIP() << "cannot mount a tmpfs";
    TOpenTimersRig rig(kToday, disk.dir.path());
    rig.timers->OpenFirst(true);
    disk.Fill();
    TStartRequest request;
    request.New = true, request.Timer = "Tea", request.Seconds = 65;
    const TInstanceAnswer answer = rig.timers->Answer(request);
    QCoreApplication::removePostedEvents(nullptr, QEvent::MetaCall); // the message box for the failed write
    EXPECT_TRUE(answer.Applied);
    EXPECT_TRUE(answer.Refused.endsWith(qt_error_string(ENOSPC))) << qPrintable(answer.Refused);
    EXPECT_EQ(rig.timers->Count(), 2);
    disk.Clear();
    EXPECT_EQ(rig.End(), "TIMER::90 TIMER-2:Tea:65");
}

TEST(OpenTimers, AtMostSixteenTimersAndNamesFoundForTheCommandLine)
{
    QByteArray ini = kToday; // more kept than may be open beside a new one
    for (int n = 2; n <= TOpenTimers::kMaxTimers + 1; ++n)
        ini += "[TIMER-" + QByteArray::number(n) + "]\nNAME=" + QByteArray::number(n - 1) + "\n";
    TOpenTimersRig rig(ini);
    TFmTimerMain& first = rig.timers->OpenFirst(true);
    ASSERT_TRUE(rig.timers->New(&first, "new")); // a request before the kept ones came
    rig.timers->OpenKept();
    ASSERT_EQ(rig.timers->Count(), TOpenTimers::kMaxTimers);
    EXPECT_TRUE(first.windowTitle().contains("2") && first.windowTitle().contains("16")) << "the two kept but not opened are told";

    EXPECT_FALSE(rig.timers->New(&first));
    EXPECT_EQ(rig.told.size(), 1) << "the user is told";
    EXPECT_EQ(rig.toldTo.value(0), &first) << "in the window asked";
    TStartRequest request;
    request.New = true;
    EXPECT_FALSE(rig.timers->Answer(request).Refused.isEmpty());
    EXPECT_EQ(rig.told.size(), 1) << "the command line is told on its own";
    request = {};
    request.Timer = "14", request.Seconds = 65;
    EXPECT_TRUE(rig.timers->Answer(request).Applied);
    EXPECT_EQ(rig.timers->Find("14")->Seconds(), 65);
    request.Timer = "Tea";
    const TInstanceAnswer refused = rig.timers->Answer(request);
    EXPECT_FALSE(refused.Applied);
    EXPECT_TRUE(refused.Refused.contains("new, 1, 2")) << "the names there are";
    request = {};
    request.Status = request.Ask = true;
    EXPECT_EQ(rig.timers->Answer(request).Timers.value(15), "01:05 stopped\t14");
    rig.timers.reset();
    EXPECT_EQ(AppGlobal->ReadIniString("TIMER-17", "NAME", ""), "16") << "a timer not opened stays kept";
}

// Unnamed timers beside others are told apart by their section's number; the name dialog refuses a name
// another timer has, as the command line does, and takes no more characters than a name has. A ringing
// timer comes to the front, but the windows in use (one with a dialog, the keyboard's last) go back above it.
TEST(OpenTimers, TimersAreToldApartAndTheWindowsInUseStayOnTop)
{
    TOpenTimersRig rig(kToday);
    TFmTimerMain& first = rig.timers->OpenFirst(true);
    TFmTimerMain &second = *rig.timers->New(&first), &tea = *rig.timers->New(&first, "Tea");
    EXPECT_EQ(StatusLine(first.Model()) + "|" + StatusLine(second.Model()), "01:30 stopped|00:00 stopped\tTimer 2");
    EXPECT_EQ(first.windowTitle() + "|" + second.windowTitle(), "01:30 \u2013 Pocosa|Timer 2 \u2013 Pocosa");
    EXPECT_TRUE(second.TimeText->accessibleDescription().startsWith("Timer 2: ") && rig.timers->Find("timer 2") == &second);
    QList<QWidget*> raised;
    rig.timers->RaiseWindow = [&](QWidget& w) { raised << &w; };
    first.show(), second.MnName->trigger(), tea.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tea));
    first.SetSeconds(1), first.BTstartClick(nullptr), first.SetSeconds(0);
    auto* dialog = second.findChild<QDialog*>();
    EXPECT_EQ(raised, QList<QWidget*>({&first, &second, dialog, &tea}));
    auto* edit = dialog->findChild<QLineEdit*>();
    QTest::keyClicks(edit, QString(45, 'x'));
    EXPECT_EQ(edit->text().size(), TTimerModel::kMaxNameLength);
    for (const char* name : {" TEA ", "Eggs"})
        edit->setText(name), QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_TRUE(dialog->findChildren<QLabel*>().last()->text().contains("open already"));
    EXPECT_EQ(second.Model().Name(), "Eggs");
    rig.Close(0); // the next one is the first now
    EXPECT_EQ(rig.timers->Window(0).windowTitle(), "Eggs \u2013 Pocosa");
}

// The timers at a glance: labels, the nearest count-down, Pause all and
// Resume all, hidden windows and what of them is kept, and the icon's menu.
TEST(OpenTimers, PanelPausesResumesAndHidesAndTheIconFollows)
{
    TOpenTimersRig rig(kKept); // first 01:30, then Tea 00:30 (TIMER-3), Eggs 05:00 (TIMER-7)
    TFmTimerMain& first = rig.timers->OpenFirst(true);
    rig.timers->OpenKept();
    TTimerPanel panel(*rig.timers);
    TStatusIcon icon(*rig.timers, panel);
    panel.OnChanged = [&icon] { icon.Update(); };
    TFmTimerMain& unnamed = *rig.timers->New(&first);
    first.show();
    ASSERT_EQ(rig.timers->Count(), 4);
    EXPECT_EQ(panel.Label(0) + "," + panel.Label(1) + "," + panel.Label(2) + "," + panel.Label(3),
              "Timer 1,Tea,Eggs,Timer 2");
    TTimerModel &one = rig.timers->Timer(0), &tea = rig.timers->Timer(1), &eggs = rig.timers->Timer(2);
    EXPECT_EQ(panel.Nearest(), -1);
    eggs.StartStop(), one.StartStop();
    EXPECT_EQ(panel.Nearest(), 0) << "01:30 before 05:00";
    one.SetCountDownLength(180);
    EXPECT_DOUBLE_EQ(panel.LeftFraction(0), 0.5);
    one.SetCountDownLength(0);
    EXPECT_DOUBLE_EQ(panel.LeftFraction(0), 90.0 / 3600) << "a length not known: an hour";
    const QList<QAction*> entries = icon.Menu().actions().mid(0, 5);
    EXPECT_TRUE(entries[3]->menu() && !entries[4]->menu()) << "one entry per timer";
    EXPECT_EQ(entries[1]->menu()->title(), panel.Line(1));
    EXPECT_EQ(icon.ToolTip().split('\n').size(), 4);
    unnamed.SetSeconds(5);
    EXPECT_TRUE(entries[3]->menu()->title().contains("00:05")) << "a new timer's entry follows it";

    const auto trigger = [&icon](const char* text) {
        for (QAction* action : icon.Menu().actions())
            if (action->text() == QCoreApplication::translate("TStatusIcon", text))
                return action->isEnabled() ? (action->trigger(), true) : false;
        return false;
    };
    ASSERT_TRUE(trigger("Pause all"));
    EXPECT_FALSE(one.Running() || eggs.Running() || trigger("Pause all"));
    tea.StartStop(), eggs.SetSeconds(10); // the user's own since
    ASSERT_TRUE(trigger("Resume all"));
    EXPECT_TRUE(one.Running() && tea.Running() && !eggs.Running()) << "only those Pause all stopped, unchanged";
    EXPECT_FALSE(trigger("Resume all"));
    EXPECT_TRUE(icon.Menu().actions()[1]->menu()->title().startsWith("Tea  00:30 ")) << "titles follow";

    // Hidden windows: kept in the section, shown by the click, by the
    // "Timers" menu of another window, and by their alarm.
    panel.HideAll();
    EXPECT_TRUE(panel.Hidden(0) && panel.Hidden(3) && tea.Running());
    EXPECT_EQ(AppGlobal->ReadIniString("TIMER-3", TTimerPanel::kHiddenKey, ""), "1");
    panel.Activate();
    EXPECT_TRUE(panel.AllShown());
    EXPECT_EQ(AppGlobal->ReadIniString("TIMER-3", TTimerPanel::kHiddenKey, ""), "0");
    panel.Activate();
    EXPECT_FALSE(first.isVisible());
    emit unnamed.PopupMenu1->aboutToShow();
    ASSERT_EQ(unnamed.MnTimers->actions().size(), 3) << "the other timers";
    unnamed.MnTimers->actions()[0]->trigger();
    EXPECT_TRUE(first.isVisible() && !unnamed.isVisible());
    eggs.Reset(), eggs.SetSeconds(1), eggs.StartStop();
    EXPECT_FALSE(rig.timers->Window(2).isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return eggs.Ringing(); }, 3000));
    EXPECT_TRUE(rig.timers->Window(2).isVisible()) << "the alarm shows its window";
    EXPECT_EQ(AppGlobal->ReadIniString("TIMER-7", TTimerPanel::kHiddenKey, ""), "0");
    QMenu& eggsMenu = *icon.Menu().actions()[2]->menu();
    EXPECT_TRUE(eggsMenu.title().contains("00:00")) << "the entry follows the tick";
    panel.Activate();
    EXPECT_TRUE(panel.AllShown()) << "a click while one rings shows all";
    const auto shown = [&eggsMenu](const char* text) {
        for (QAction* action : eggsMenu.actions())
            if (action->isVisible() && action->text() == QCoreApplication::translate("TStatusIcon", text))
                return action;
        return static_cast<QAction*>(nullptr);
    };
    ASSERT_TRUE(shown("+1 min") && shown("Stop") && !shown("Start"));
    shown("+1 min")->trigger();
    EXPECT_TRUE(eggs.Running() && !eggs.Ringing() && eggs.Seconds() == 60) << "snoozed a minute";
    EXPECT_FALSE(shown("+1 min"));
}

// What a script asks of the running program: every timer's facts as one
// JSON array, and an act on one timer (by name, else the first) or on all.
TEST(OpenTimers, ScriptsReadEveryTimerAndActOnOneOrAll)
{
    TOpenTimersRig rig(kKept); // first 01:30, then Tea 00:30 (TIMER-3), Eggs 05:00 (TIMER-7)
    TFmTimerMain& first = rig.timers->OpenFirst(true);
    rig.timers->OpenKept();
    TTimerPanel panel(*rig.timers);
    first.show();
    TTimerModel &tea = rig.timers->Timer(1), &eggs = rig.timers->Timer(2);
    tea.StartStop(), eggs.StartStop();
    TStartRequest ask;
    ask.Status = ask.Ask = true;
    const TInstanceAnswer answer = rig.timers->Answer(ask);
    QJsonParseError error{};
    const QJsonArray all = QJsonDocument::fromJson(JsonStatusLine(answer.Facts), &error).array();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    ASSERT_EQ(all.size(), 3);
    const QJsonObject one = all[0].toObject(), second = all[1].toObject();
    EXPECT_EQ(one["name"].toString() + "|" + one["label"].toString() + "|" + one["state"].toString(),
              "|" + panel.Label(0) + "|stopped") << "as the icon labels it";
    EXPECT_TRUE(one["ends"].isNull() && one["section"] == "TIMER" && one["seconds"] == 90);
    EXPECT_EQ(second["name"].toString() + "|" + second["state"].toString() + "|" + second["section"].toString(),
              "Tea|counting down|TIMER-3");
    const QString ends = second["ends"].toString();
    EXPECT_TRUE(QRegularExpression("T\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$").match(ends).hasMatch()) << ends.toStdString();
    EXPECT_NEAR(QDateTime::currentDateTime().secsTo(QDateTime::fromString(ends, Qt::ISODate)), 30, 1);
    EXPECT_TRUE(answer.Knows.contains("pause-all") && answer.Knows.contains("close"));

    const auto act = [&rig](TTimerAct what, const char* timer = nullptr) {
        TStartRequest request;
        request.Act = what;
        if (timer)
            request.Timer = timer;
        return rig.timers->Answer(request);
    };
    EXPECT_TRUE(act(TTimerAct::Stop, "tea").Applied);
    EXPECT_TRUE(!tea.Running() && eggs.Running());
    act(TTimerAct::PauseAll);
    EXPECT_FALSE(eggs.Running());
    act(TTimerAct::ResumeAll);
    EXPECT_TRUE(eggs.Running() && !tea.Running()) << "only what Pause all stopped";
    first.hide();
    act(TTimerAct::Show);
    EXPECT_TRUE(first.isVisible()) << "the first timer, hidden";
    panel.HideAll();
    act(TTimerAct::ShowAll);
    EXPECT_TRUE(panel.AllShown());
    const TInstanceAnswer missing = act(TTimerAct::Reset, "Soup");
    EXPECT_TRUE(!missing.Applied && missing.Refused.contains("Tea, Eggs")) << "the names there are";
    eggs.SetSeconds(0);
    const TTimerFacts ringing = rig.timers->Answer(ask).Facts.at(2);
    EXPECT_TRUE(ringing.State == "alarm" && ringing.Ends.isEmpty()) << "it has ended";
    act(TTimerAct::Stop, "Eggs");
    EXPECT_FALSE(eggs.Ringing());
    eggs.SetSeconds(20);
    act(TTimerAct::Reset, "Eggs");
    EXPECT_TRUE(!eggs.Running() && eggs.Seconds() == 0);
    eggs.SetSeconds(60), eggs.StartStop();
    act(TTimerAct::Close, "Eggs");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(rig.timers->Count(), 2) << "closed while counting, without a question";
    EXPECT_TRUE(first.findChildren<QDialog*>().isEmpty());
}

TEST(OpenTimers, WindowsHiddenAtTheEndAreHiddenAgain)
{
    for (const bool icon : {true, false}) {
        TOpenTimersRig rig(kKept + "[TIMER-3]\nHIDDEN=1\n[TIMER-7]\nHIDDEN=0\n");
        TTimerPanel panel(*rig.timers);
        rig.timers->OpenFirst(true).show();
        rig.timers->OpenKept();
        panel.HideKept(icon);
        EXPECT_TRUE(!panel.Hidden(0) && panel.Hidden(1) == icon && !panel.Hidden(2));
        EXPECT_EQ(AppGlobal->ReadIniString("TIMER-3", TTimerPanel::kHiddenKey, ""), icon ? "1" : "0");
        panel.Show(1);
        rig.timers->QuitAll();
        EXPECT_EQ(AppGlobal->ReadIniString("TIMER-3", TTimerPanel::kHiddenKey, ""), "") << "forgotten with its timer";
    }
}

// The ring empties clockwise from twelve o'clock; an alarm fills the middle.
TEST(OpenTimers, StatusPictureShowsWhatIsLeft)
{
    const int size = TStatusIcon::kPictureSize, inner = size / 12, mid = size / 2;
    const QImage quarter = StatusPicture(0.25, false, size);
    // On the ring: right of twelve o'clock (in the quarter left) and left of it.
    const QRgb right = quarter.pixel(mid + size / 4, inner), left = quarter.pixel(mid - size / 4, inner);
    EXPECT_NE(right, left);
    EXPECT_EQ(StatusPicture(-1, false, size).pixel(mid + size / 4, inner), left) << "no count-down: no arc";
    EXPECT_EQ(quarter.pixel(mid + size / 4, size - 1 - inner), left) << "past a quarter: empty";
    EXPECT_EQ(qAlpha(quarter.pixel(mid, mid)), 0);
    EXPECT_NE(qAlpha(StatusPicture(-1, true, size).pixel(mid, mid)), 0) << "the ringing mark";
}

} // namespace
