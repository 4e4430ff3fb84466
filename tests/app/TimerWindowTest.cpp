// The timer window's layout, context menu, drag veto and the buttons driven
// by simulated mouse input.
#include <gtest/gtest.h>

#include <QAction>
#include <QAccessible>
#include <QApplication>
#include <QFileDialog>
#include <QStandardPaths>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QFontMetrics>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>

#include "AlarmSoundDialog.h"
#include "FuncGraphicWorkLoad.h"
#include "FuncGraphicWorkPng.h"
#include "TestEnv.h"
#include "TimerRig.h"
#include "Translations.h"

namespace {

TEST(TimerLayout, WindowIsBorderlessWhiteAndOfTheLayoutSize)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    EXPECT_EQ(w.size(), QSize(120, 120));
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(w.font().family(), QString("ＭＳ Ｐゴシック"));
    EXPECT_EQ(w.font().pixelSize(), 12);
    EXPECT_EQ(w.Timer1->interval(), 1000);
    EXPECT_EQ(w.Timer1->timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(w.Timer1->isActive());
}

// START begins the tick's phase anew, so the first second counted after it
// is a whole one, however long the tick had been running before.
TEST(TimerTick, StartRestartsThePhase)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    w.SetSeconds(180);
    for (const char* row : {"first START", "START after STOP"}) {
        // The tick runs on, unhandled, for most of its second.
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        w.BTstartClick(w.BTstart);
        ASSERT_TRUE(w.Running()) << row;
        EXPECT_TRUE(w.Timer1->isActive()) << row;
        EXPECT_GT(w.Timer1->remainingTime(), 700) << row;
        w.BTstartClick(w.BTstart);
    }
}

TEST(TimerLayout, ControlsSitWhereTheLayoutPutsThem)
{
    struct Row {
        const char* Name;
        QRect Geometry;
        QString Caption;
        QString Family;
        int PixelSize;
    };
    const Row rows[] = {
        {"BTmin", {0, 48, 34, 28}, "分", "ＭＳ Ｐゴシック", 12},
        {"BTsec", {86, 48, 34, 28}, "秒", "ＭＳ Ｐゴシック", 12},
        {"BTstart", {28, 56, 64, 52}, "START", "Arial Black", 12},
        {"BTreset", {0, 88, 34, 28}, "ﾘｾｯﾄ", "ＭＳ Ｐゴシック", 12},
        {"BTclose", {86, 89, 34, 28}, "終了", "ＭＳ Ｐゴシック", 12},
        {"LBmin0", {5, -4, 25, 48}, "0", "Impact", 43},
        {"LBmin1", {27, -4, 25, 48}, "0", "Impact", 43},
        {"LBcnt", {55, -10, 10, 55}, ":", "Impact", 43},
        {"LBsec0", {66, -4, 25, 48}, "0", "Impact", 43},
        {"LBsec1", {88, -4, 25, 48}, "0", "Impact", 43},
        {"LbCountUp", {31, 44, 57, 12}, "COUNT UP", "Small Fonts", 9},
    };
    TTimerRig rig;
    for (const Row& row : rows) {
        auto* widget = rig.w().findChild<QWidget*>(row.Name);
        ASSERT_NE(widget, nullptr) << row.Name;
        EXPECT_EQ(widget->geometry(), row.Geometry) << row.Name;
        EXPECT_EQ(widget->font().family(), row.Family) << row.Name;
        EXPECT_EQ(widget->font().pixelSize(), row.PixelSize) << row.Name;
        if (auto* button = dynamic_cast<TvlmGctButton*>(widget)) {
            EXPECT_EQ(button->Caption(), row.Caption) << row.Name;
        } else {
            auto* label = dynamic_cast<QLabel*>(widget);
            ASSERT_NE(label, nullptr) << row.Name;
            EXPECT_EQ(label->text(), row.Caption) << row.Name;
            EXPECT_EQ(label->alignment(), Qt::AlignHCenter | Qt::AlignTop) << row.Name;
            EXPECT_FALSE(label->autoFillBackground()) << row.Name;
        }
    }
    TFmTimerMain& w = rig.w();
    EXPECT_TRUE(w.LbCountUp->font().bold());
    EXPECT_TRUE(w.LbCountUp->isHidden());
    EXPECT_TRUE(w.BTmin->ClickRepeat() && w.BTsec->ClickRepeat() && w.BTreset->ClickRepeat());
    EXPECT_FALSE(w.BTstart->ClickRepeat() || w.BTclose->ClickRepeat());
}

TEST(TimerLayout, HeavyFacesResolveToInstalledHeavyFonts)
{
    TTimerRig rig;
    EXPECT_GE(QFontInfo(rig.w().LBmin0->font()).weight(), int(QFont::Bold));
    EXPECT_GE(QFontInfo(rig.w().BTstart->font()).weight(), int(QFont::Bold));
    EXPECT_NE(QFontInfo(rig.w().LBmin0->font()).family(), QString("Impact")) << "substituted";
}

QStringList Items(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions())
        out << a->objectName() + (a->isSeparator() ? QString("|-") : "|" + a->text());
    return out;
}

TEST(TimerMenu, ItemsCaptionsSeparatorsAndShortcut)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    EXPECT_EQ(Items(w.PopupMenu1),
              QStringList({"N3|背景画像", "MnNew|新しいタイマー", "MnName|名前...", "MnSound|音...",
                           "MnUntil|時刻まで...", "MnMove|移動(&M)", "MnRecent|最近の時間", "MnWarn|終了前に知らせる",
                           "MnRepeat|繰り返し", "N4|-",
                           "N1|ソフトウェア情報(&I)", "N2|終了(&X)"}));
    ASSERT_EQ(w.PopupMenu1->actions().first()->menu(), w.N3);
    EXPECT_EQ(Items(w.N3), QStringList({"MnBackReset|リセット(&R)", "MnBackOpen|読込み(&O)", "N7|-", "MnBack0|0：",
                                        "MnBack1|1：", "MnBack2|2：", "MnBack3|3：", "MnBack4|4："}));
    EXPECT_EQ(w.N2->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4));
    EXPECT_EQ(w.MnNew->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_TRUE(w.actions().contains(w.N2)) << "shortcut active while the menu is closed";
}

// The window with the catalog of a language, loaded as the program does.
struct TLanguageRow {
    const char* Name;
    TLanguage Language;
    QStringList Captions; // 分 秒 ﾘｾｯﾄ 終了
    const char* Open;
    const char* Exit;
};

TEST(TimerLanguage, CaptionsAndMenuSpeakTheCatalogsLanguageAndFitTheButtons)
{
    const TLanguageRow rows[] = {
        {"English", TLanguage::English, {"Min", "Sec", "Clr", "Quit"}, "&Open...", "E&xit"},
        {"Japanese", TLanguage::Japanese, {"分", "秒", "ﾘｾｯﾄ", "終了"}, "読込み(&O)", "終了(&X)"},
    };
    // The layout's own captions are as wide as a round button takes.
    int widest = 0;
    for (const char* caption : {"分", "秒", "ﾘｾｯﾄ", "終了"})
        widest = std::max(widest, QFontMetrics(TTimerRig().w().BTmin->font()).horizontalAdvance(caption));
    for (const TLanguageRow& row : rows) {
        const TTranslations catalogs(row.Language, {pocosa::test::buildDir() + "/bin/translations"});
        ASSERT_TRUE(catalogs.ProgramCatalogLoaded()) << row.Name;
        catalogs.Install();
        TTimerRig rig;
        TFmTimerMain& w = rig.w();
        const QList<TvlmGctButton*> buttons = {w.BTmin, w.BTsec, w.BTreset, w.BTclose};
        for (int i = 0; i < buttons.size(); ++i) {
            EXPECT_EQ(buttons[i]->Caption(), row.Captions[i]) << row.Name;
            EXPECT_LE(QFontMetrics(buttons[i]->font()).horizontalAdvance(buttons[i]->Caption()), widest)
                << row.Name << ": " << buttons[i]->Caption().toStdString() << " is wider than the layout's captions";
        }
        EXPECT_EQ(w.BTstart->Caption(), "START") << row.Name;
        EXPECT_EQ(w.MnBackOpen->text(), row.Open) << row.Name;
        EXPECT_EQ(w.N2->text(), row.Exit) << row.Name;
        EXPECT_EQ(w.N2->shortcut(), QKeySequence(Qt::ALT | Qt::Key_F4)) << row.Name;
    }
}

TEST(TimerMenu, OpeningTheBackgroundSubmenuShowsTheHistory)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    rig.history[4] = "/pics/R&D.png";
    emit w.N3->aboutToShow();
    EXPECT_EQ(Items(w.N3).mid(3), QStringList({"MnBack0|&0: /pics/a.png", "MnBack1|&1: ", "MnBack2|&2: /pics/c.jpg",
                                               "MnBack3|&3: ", "MnBack4|&4: /pics/R&&D.png"}));
    EXPECT_TRUE(w.MnBack0->isEnabled() && !w.MnBack1->isEnabled() && !w.MnBack3->isEnabled()) << "an empty place";
}

// A count-down START began is told (not a count-up, not one resumed); recent times as the menu opens,
// disabled when none; an item, like the "count down to" dialog, sets its time and starts, also over a running one;
// the time until a time of day is no recent length.
TEST(TimerMenu, RecentTimesAndCountDownTo)
{
    QList<int> recent, started;
    std::optional<int> until;
    bool inDialog = false; // while the dialog hook runs
    TTimerRig rig(true, [&](TTimerMainHooks& hooks, TTimerRig& r) {
        hooks.RecentTimes = [&] { return recent; };
        hooks.CountDownStarted = [&](int seconds) { started << seconds; };
        hooks.AskUntil = [&](QWidget*) { return inDialog = r.w().InDialog(), until; };
    });
    TFmTimerMain& w = rig.w();
    const auto press = [&] { w.BTstartClick(w.BTstart); };
    emit w.PopupMenu1->aboutToShow();
    EXPECT_FALSE(w.MnRecent->menuAction()->isEnabled()) << "empty";
    w.SetSeconds(90), press(), rig.Tick(), press(), press(); // started, stopped at 01:29, resumed
    press(), w.BTsecClick(w.BTsec), press(), rig.Tick();     // stopped, changed: 01:30 started
    press(), w.BTresetClick(w.BTreset), press(), press(), w.BTminClick(w.BTmin), press(); // counts up
    press(), w.BTresetClick(w.BTreset), w.BTminClick(w.BTmin), press();                   // 01:00
    EXPECT_EQ(started, QList<int>({90, 90, 60}));
    recent = {300, 45}, emit w.PopupMenu1->aboutToShow();
    EXPECT_EQ(Items(w.MnRecent).mid(0, 2), QStringList({"MnRecent0|05:00", "MnRecent1|00:45"}));
    EXPECT_TRUE(w.MnRecent->menuAction()->isEnabled() && w.MnRecent1->isVisible() && !w.MnRecent2->isVisible());
    w.MnRecent1->trigger(); // over the running 01:00
    EXPECT_TRUE(w.Seconds() == 45 && w.Running() && !w.CountUp() && started.last() == 45);
    w.MnUntil->trigger(); // cancelled
    EXPECT_TRUE(inDialog && w.Seconds() == 45);
    until = 1800, w.MnUntil->trigger();
    EXPECT_TRUE(w.Seconds() == 1800 && w.Running() && !w.CountUp() && !w.InDialog());
    EXPECT_EQ(started.last(), 45);
}

TEST(TimerMenu, BackgroundActionsReachTheBackgroundHook)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    EXPECT_EQ(rig.backgrounds, QStringList({"/pics/a.png"})) << "entry 0 applied at creation";
    rig.backgrounds.clear();

    w.MnBackReset->trigger();
    w.MnBackOpen->trigger(); // cancelled
    rig.chosenFile = "/pics/new.bmp";
    w.MnBackOpen->trigger();
    rig.history[3] = "/pics/late.png"; // read at the time of the click
    w.MnBack3->trigger();
    w.MnBack1->trigger();
    w.vlmFormFunc1DropFile(&w, "/drop/x.png");
    EXPECT_EQ(rig.backgrounds, QStringList({"", "/pics/new.bmp", "/pics/late.png", "", "/drop/x.png"}));

    w.N1->trigger();
    EXPECT_EQ(rig.versionInfoShown, 1);
}

// The decoders' texts say what is wrong; the window's message adds which file.
TEST(TimerMenu, RefusedPictureIsNamedWithTheDecodersText)
{
    TTimerRig rig;
    const std::pair<std::function<void()>, QString> rows[] = {
        {[] { throw EJpegError(53); }, EJpegError(53).what()}, {[] { throw EPngError("png"); }, "png"},
        {[] { throw EBmpError("bmp"); }, "bmp"}, {[] { throw EPictureSize(1, 99999); }, EPictureSize(1, 99999).what()}};
    for (const auto& [refuse, decoder] : rows) {
        rig.refuseBackground = refuse;
        try {
            rig.w().vlmFormFunc1DropFile(&rig.w(), "/drop/x.jpg");
            ADD_FAILURE() << decoder.toStdString();
        } catch (const std::exception& e) {
            EXPECT_TRUE(QString(e.what()).contains("/drop/x.jpg") && QString(e.what()).contains(decoder)) << e.what();
        }
    }
}

TEST(TimerMenu, TheFileDialogOffersPicturesWhereThePictureIs)
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    ASSERT_TRUE(QDir().mkpath(pictures + "/in"));
    QFile(pictures + "/in/a.png").open(QIODevice::WriteOnly);
    for (const QString& current : {pictures + "/in/a.png", QString()}) {
        const std::unique_ptr<QFileDialog> dialog(TFmTimerMain::ChoosePicture(nullptr, current));
        const QStringList seen = dialog->nameFilters() << dialog->directory().absolutePath() << dialog->windowTitle();
        ASSERT_EQ(seen.size(), 4);
        EXPECT_NE(seen[3], QFileDialog().windowTitle()) << "titled for its purpose";
        EXPECT_TRUE(seen[0].endsWith(" (*.png *.jpg *.jpeg *.jpx *.bmp)") && seen[1].endsWith(" (*)"));
        EXPECT_EQ(seen[2], current.isEmpty() ? pictures : pictures + "/in");
    }
}

// The "count down to" dialog refuses in itself what the command line does; a later time gives the seconds.
TEST(TimerMenu, TheCountDownToDialogRefusesNowAndGivesTheSecondsAhead)
{
    QStringList said;
    QTimer::singleShot(0, [&] {
        auto* dialog = QApplication::activeModalWidget();
        auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
        dialog->findChild<QTimeEdit*>()->setTime(QTime::currentTime());
        ok->click();
        for (QLabel* label : dialog->findChildren<QLabel*>()) {
            if (QAccessible::queryAccessibleInterface(label)->role() == QAccessible::AlertMessage &&
                label->height() >= label->heightForWidth(label->width()))
                said << "alert:" + label->text();
            said << label->text();
        }
        dialog->findChild<QTimeEdit*>()->setTime(QTime::currentTime().addSecs(600));
        ok->click();
    });
    std::optional<int> seconds;
    const std::unique_ptr<QDialog> dialog(TFmTimerMain::AskUntil(nullptr, [&](int s) { seconds = s; }));
    dialog->exec();
    EXPECT_TRUE(said.join('|').contains("alert:") && said.join('|').contains("now")) << said.join('|').toStdString();
    EXPECT_TRUE(seconds > 540 && seconds <= 600);
}

TEST(TimerMenu, ExitItemClosesTheWindow)
{
    TTimerRig rig;
    rig.w().show();
    rig.w().N2->trigger();
    EXPECT_FALSE(rig.w().isVisible());
}

TEST(TimerDrag, PointInControlIsStrictOnAllFourSides)
{
    TTimerRig rig;
    for (const TvlmGctButton* b :
         {rig.w().BTmin, rig.w().BTsec, rig.w().BTstart, rig.w().BTreset, rig.w().BTclose}) {
        const QRect g = b->geometry();
        const int midX = g.left() + g.width() / 2, midY = g.top() + g.height() / 2;
        const std::string n = b->objectName().toStdString();
        EXPECT_FALSE(TFmTimerMain::PointInControl(g.left(), midY, b)) << n << " left column";
        EXPECT_FALSE(TFmTimerMain::PointInControl(midX, g.top(), b)) << n << " top row";
        EXPECT_TRUE(TFmTimerMain::PointInControl(g.left() + g.width() - 1, midY, b)) << n << " right column";
        EXPECT_TRUE(TFmTimerMain::PointInControl(midX, g.top() + g.height() - 1, b)) << n << " bottom row";
        EXPECT_FALSE(TFmTimerMain::PointInControl(g.left() + g.width(), midY, b)) << n << " right of it";
        EXPECT_FALSE(TFmTimerMain::PointInControl(midX, g.top() + g.height(), b)) << n << " below it";
    }
}

TEST(TimerDrag, DragStartsOnTheBodyAndOnButtonsLeftAndTopEdgesOnly)
{
    struct Row {
        const char* Name;
        int X, Y;
        bool Drag;
    };
    const Row rows[] = {
        {"digits", 40, 20, true},
        {"BTclose left column (below BTstart)", 86, 112, true},
        {"BTclose top row", 100, 89, true},
        {"BTclose right column", 119, 100, false},
        {"BTclose bottom row", 100, 116, false},
        {"BTstart inside", 60, 80, false},
        {"BTmin right column (BTstart is not under it there)", 33, 50, false},
        {"between BTmin and BTsec", 60, 50, true},
    };
    TTimerRig rig;
    for (const Row& row : rows) {
        bool drag = !row.Drag;
        rig.w().vlmFormFunc1CanDragMove(&rig.w(), row.X, row.Y, drag);
        EXPECT_EQ(drag, row.Drag) << row.Name;
    }
}

TEST(TimerMouse, ButtonsDriveTheTimer)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    w.show();
    QTest::mouseClick(w.BTmin, Qt::LeftButton);
    QTest::mouseClick(w.BTsec, Qt::LeftButton);
    QTest::mouseClick(w.BTsec, Qt::LeftButton);
    EXPECT_EQ(rig.Display(), "01:02");
    QTest::mouseClick(w.BTsec, Qt::RightButton);
    EXPECT_EQ(rig.Display(), "01:02") << "right button does not click";

    QTest::mouseClick(w.BTstart, Qt::LeftButton);
    EXPECT_EQ(w.BTstart->Caption(), "STOP");
    QTest::mouseClick(w.BTsec, Qt::LeftButton);
    EXPECT_EQ(rig.Display(), "01:02") << "disabled while counting down";
    rig.Tick();
    EXPECT_EQ(rig.Display(), "01:01");
    QTest::mouseClick(w.BTstart, Qt::LeftButton);
    QTest::mouseClick(w.BTreset, Qt::LeftButton);
    EXPECT_EQ(rig.Display(), "00:00");
    EXPECT_EQ(w.BTstart->Caption(), "START");

    QTest::mouseClick(w.BTclose, Qt::LeftButton);
    EXPECT_FALSE(w.isVisible());
}

TEST(TimerMouse, HoldingTheSecondsButtonRepeats)
{
    TTimerRig rig;
    TFmTimerMain& w = rig.w();
    w.show();
    QTest::mousePress(w.BTsec, Qt::LeftButton);
    QTest::qWait(800); // first repeat at 500 ms, then every 80 ms
    QTest::mouseRelease(w.BTsec, Qt::LeftButton);
    EXPECT_GE(w.Seconds(), 2) << "at least one repeat and the release click";
}

} // namespace

namespace {

// The alarm sound dialog tells at once of a file that cannot be played, goes
// back to the program's sound with Default, and previews at the volume set.
TEST(TimerMenu, TheSoundDialogTellsPreviewsAndGoesBackToTheDefault)
{
    TTimerRig rig;
    rig.sound.Refused << "/music/notes.txt";
    TAlarmSoundDialog dialog(&rig.w(), rig.sound, 3, "/prog/timer.wav");
    dialog.SetChoice("/music/bell.ogg", 80);
    dialog.show();
    dialog.Choose("/music/notes.txt");
    EXPECT_TRUE(dialog.Problem().contains("not audio"));
    QAccessibleInterface* told = QAccessible::queryAccessibleInterface(dialog.ProblemLabel);
    EXPECT_TRUE(told->role() == QAccessible::AlertMessage && told->text(QAccessible::Name) == dialog.Problem());
    EXPECT_GE(dialog.ProblemLabel->height(), dialog.ProblemLabel->heightForWidth(dialog.ProblemLabel->width()))
        << "every line of the refusal shows";
    for (QWidget* control : std::initializer_list<QWidget*>{dialog.ChooseButton, dialog.FileEdit})
        EXPECT_FALSE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).contains(QRegularExpression("[(:]")));
    QString chooserTitle;
    QTimer::singleShot(0, &dialog, [&] {
        chooserTitle = QApplication::activeModalWidget()->windowTitle();
        QApplication::activeModalWidget()->close();
    });
    dialog.ChooseButton->click();
    EXPECT_NE(chooserTitle, QFileDialog().windowTitle()) << "titled for its purpose";
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.isAncestorOf(QApplication::focusWidget()); }, 2000))
        << "the keyboard is back in the dialog";
    dialog.Choose("/music/two\nlines.ogg"); // the settings could not keep it: not taken
    EXPECT_EQ(dialog.File(), "/music/notes.txt");
    EXPECT_FALSE(dialog.Problem().isEmpty());
    dialog.DefaultButton->click();
    EXPECT_TRUE(dialog.File().isEmpty() && dialog.Problem().isEmpty() && !dialog.DefaultButton->isEnabled());
    dialog.VolumeSlider->setValue(25);
    dialog.PreviewButton->click();
    EXPECT_EQ(rig.sound.Played.last(), "/prog/timer.wav");
    EXPECT_EQ(rig.sound.Volumes.last(), 25);
    EXPECT_EQ(dialog.VolumeLabel->text(), "25 %");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(dialog.VolumeSlider)->text(QAccessible::Value), "25 %");
    rig.w().Model().SetSound("/music/bell.ogg", 80);
    rig.w().MnSound->trigger(); // the real dialog, cancelled
    rig.w().findChildren<TAlarmSoundDialog*>().value(1)->reject();
    EXPECT_EQ(rig.w().Model().SoundFile(), "/music/bell.ogg");
}

// Each dialog of a timer window locks that window only (window-modal, without a loop of its own that
// would hold up the caller) and names its timer.
TEST(TimerDialogs, ADialogLocksOnlyItsOwnWindowAndNamesItsTimer)
{
    const std::pair<const char*, std::function<void(TFmTimerMain&)>> rows[] = {
        {"Name...", [](TFmTimerMain& w) { w.MnName->trigger(); }},
        {"Count down to...", [](TFmTimerMain& w) { w.MnUntil->trigger(); }},
        {"the picture chooser", [](TFmTimerMain& w) { w.MnBackOpen->trigger(); }},
        {"a message", [](TFmTimerMain& w) { w.Tell("At most 16 timers"); }},
        {"Alarm sound... and its chooser",
         [](TFmTimerMain& w) { w.MnSound->trigger(), w.findChild<TAlarmSoundDialog*>()->ChooseButton->click(); }},
    };
    TTimerRig rig(true, [](TTimerMainHooks& hooks, TTimerRig&) { hooks.ChooseFile = nullptr, hooks.AskName = nullptr; });
    rig.w().Model().SetNumber(2);
    rig.w().show();
    for (const auto& [name, open] : rows) {
        QStringList seen; // each dialog open: its title, "W" when window-modal, "N" when in a loop of its own
        bool returned = false;
        QTimer::singleShot(0, [&] {
            for (QDialog* dialog : rig.w().findChildren<QDialog*>())
                if (dialog->isVisible())
                    seen << dialog->windowTitle() + (dialog->windowModality() == Qt::WindowModal ? "W" : "") +
                                (returned ? "" : "N");
            for (QDialog* dialog : rig.w().findChildren<QDialog*>())
                dialog->reject();
        });
        open(rig.w());
        returned = true;
        QTest::qWait(20);
        EXPECT_TRUE(seen.value(0).endsWith("Timer 2W") && seen.filter("W", Qt::CaseSensitive).size() == seen.size() &&
                    !rig.w().InDialog())
            << name << ": " << seen.join('|').toStdString();
    }
}

// Closing a counting timer asks first (Cancel the default), however it is closed; a stopped or ringing
// one closes at once.
TEST(TimerClose, ACountingTimerAsksBeforeItCloses)
{
    const std::function<void(TFmTimerMain&)> ways[] = {
        [](TFmTimerMain& w) { QTest::keyClick(w.BTclose, Qt::Key_Space); }, // on the focused Quit button
        [](TFmTimerMain& w) { QTest::keyClick(&w, Qt::Key_Q, Qt::ControlModifier); },
        [](TFmTimerMain& w) { w.close(); }, // the window manager
    };
    // Seconds started (1: ringing, -1: not started), and the time the question names (empty: none is asked).
    const std::pair<int, QString> states[] = {{252, "04:12"}, {0, "00:00"}, {-1, ""}, {1, ""}};
    for (std::size_t way = 0; way < std::size(ways); ++way) {
        for (const auto& [seconds, asks] : states) {
            const std::string row = std::to_string(way) + " " + std::to_string(seconds);
            TTimerRig rig;
            TFmTimerMain& w = rig.w();
            w.Model().SetName("Tea"), w.show(), w.SetSeconds(std::abs(seconds));
            seconds >= 0 ? w.BTstartClick(nullptr) : void(), seconds == 1 ? rig.Tick() : void();
            for (const auto answer : {QMessageBox::Cancel, QMessageBox::Close}) {
                ways[way](w);
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                auto* question = w.findChild<QMessageBox*>();
                ASSERT_EQ(question && question->text().contains("Tea") && question->text().contains(asks), !asks.isEmpty());
                EXPECT_EQ(w.isVisible(), !asks.isEmpty()) << row;
                if (!question)
                    break;
                EXPECT_EQ(question->defaultButton(), question->button(QMessageBox::Cancel)) << row;
                question->button(answer)->click();
            }
            EXPECT_FALSE(w.isVisible()) << row;
        }
    }
}

} // namespace
