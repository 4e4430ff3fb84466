#include <gtest/gtest.h>

#include "NotifiedChild.h"
#include "vlmFormFunc.h"
#include "vlmMessages.h"

#include <QGuiApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif
#include <QWidget>

#include <malloc.h>

#include <map>
#include <memory>
#include <utility>

namespace {

// An owner window with its own class name, as the settings section takes it.
class TFormProbe : public QWidget {
public:
    TFormProbe() { setWindowFlags(Qt::Window | Qt::FramelessWindowHint); }
};

class TMemoryStore : public TPlacementStore {
public:
    std::map<std::pair<QString, QString>, QString> values;
    QStringList writes; // "SECTION/KEY=value" in call order

    int ReadInteger(const QString& s, const QString& k, int d) override
    {
        const auto it = values.find({s, k});
        return it == values.end() ? d : it->second.toInt();
    }
    QString ReadString(const QString& s, const QString& k, const QString& d) override
    {
        const auto it = values.find({s, k});
        return it == values.end() ? d : it->second;
    }
    void WriteInteger(const QString& s, const QString& k, int v) override { WriteString(s, k, QString::number(v)); }
    void WriteString(const QString& s, const QString& k, const QString& v) override
    {
        values[{s, k}] = v;
        writes.append(s + QLatin1Char('/') + k + QLatin1Char('=') + v);
    }
};

class FormFunc : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner = std::make_unique<TFormProbe>();
        owner->setGeometry(200, 150, 120, 120);
        first = new TNotifiedChild(owner.get());
        first->setGeometry(0, 48, 34, 28);
        second = new TNotifiedChild(owner.get());
        second->setGeometry(86, 89, 34, 28);
        func = new TvlmFormFunc(owner.get());
        func->SetPlacementStore(&store);
        func->SetLayered(false);
        func->SetWindowDrag(true);
    }

    // Sends a mouse event to `target` at its local point, as the window system would.
    static void Mouse(QWidget* target, QEvent::Type type, QPoint local, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QMouseEvent e(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons, modifiers);
        QCoreApplication::sendEvent(target, &e);
    }
    void Press(QWidget* w, QPoint p) { Mouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void MoveHeld(QWidget* w, QPoint p) { Mouse(w, QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
    void Release(QWidget* w, QPoint p) { Mouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }

    TMemoryStore store;
    std::unique_ptr<TFormProbe> owner;
    TNotifiedChild* first = nullptr;
    TNotifiedChild* second = nullptr;
    TvlmFormFunc* func = nullptr;
};

TEST_F(FormFunc, DragFollowsTheMouseUntilReleaseWhenNoWindowManagerMovesIt)
{
    int moved = 0;
    func->OnWindowMoved = [&](QObject* sender) {
        EXPECT_EQ(sender, func);
        ++moved;
    };
    Press(owner.get(), {60, 20});
    MoveHeld(owner.get(), {62, 21});
    MoveHeld(owner.get(), {90, 40}); // 30 right, 20 down of the press
    EXPECT_EQ(owner->pos(), QPoint(230, 170));
    EXPECT_EQ(moved, 0);
    Release(owner.get(), {63, 22}); // beyond the last movement seen
    EXPECT_EQ(moved, 1);
    MoveHeld(owner.get(), {70, 30}); // a stray event after release moves nothing
    EXPECT_EQ(owner->pos(), QPoint(233, 172));
    Release(owner.get(), {70, 30});
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(owner.get(), &enter);
    EXPECT_EQ(moved, 2) << "the pointer coming in ends no move that is not running";

    // A move whose release was lost ends with the first move without the
    // button (seen by an owner that tracks the mouse).
    owner->setMouseTracking(true);
    Press(owner.get(), {60, 20});
    MoveHeld(owner.get(), {61, 20});
    MoveHeld(owner.get(), {70, 20});
    Mouse(owner.get(), QEvent::MouseMove, {75, 20}, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(moved, 3);
    MoveHeld(owner.get(), {90, 20});
    EXPECT_EQ(owner->pos(), QPoint(243, 172));
}

// The child that took the press of a drag lets go of it, as it would losing
// the mouse: it is not left pressed and does not click.
TEST_F(FormFunc, ADragStartedOnAChildTakesThePressFromIt)
{
    auto* button = new QPushButton(owner.get());
    button->setGeometry(40, 40, 30, 20);
    int clicks = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++clicks; });
    Press(button, {5, 5});
    ASSERT_TRUE(button->isDown());
    MoveHeld(button, {6, 5});
    MoveHeld(button, {15, 5});
    EXPECT_EQ(owner->pos(), QPoint(210, 150));
    EXPECT_FALSE(button->isDown());
    Release(button, {5, 5});
    EXPECT_EQ(clicks, 0);
}

// With WindowResize, the pointer over an edge band shows that edge's resize
// cursor, and the middle of the window the owner's own (for an owner that
// tracks the mouse: Qt hands buttonless moves on only then).
TEST_F(FormFunc, ResizeBandsShowTheirCursor)
{
    owner->setMouseTracking(true);
    func->SetWindowResize(true);
    struct Row {
        const char* name;
        QPoint at;
        Qt::CursorShape shape;
    };
    const Row rows[] = {
        {"top-left", {1, 1}, Qt::SizeFDiagCursor},     {"bottom-right", {118, 118}, Qt::SizeFDiagCursor},
        {"top-right", {118, 1}, Qt::SizeBDiagCursor},  {"bottom-left", {1, 118}, Qt::SizeBDiagCursor},
        {"top", {60, 1}, Qt::SizeVerCursor},           {"bottom", {60, 118}, Qt::SizeVerCursor},
        {"left", {1, 60}, Qt::SizeHorCursor},          {"right", {118, 60}, Qt::SizeHorCursor},
        {"middle", {60, 60}, Qt::ArrowCursor},
    };
    for (const Row& row : rows) {
        Mouse(owner.get(), QEvent::MouseMove, row.at, Qt::NoButton, Qt::NoButton);
        EXPECT_EQ(owner->cursor().shape(), row.shape) << row.name;
    }
    // A press away from the bands is left to the window.
    auto* button = new QPushButton(owner.get());
    button->setGeometry(40, 40, 30, 20);
    Press(button, {5, 5});
    EXPECT_TRUE(button->isDown());
}

TEST_F(FormFunc, VetoedDragStaysVetoedUntilTheLeftButtonIsReleased)
{
    QList<QPoint> asked;
    func->OnCanDragMove = [&](QObject*, int x, int y, bool& drag) {
        asked.append({x, y});
        drag = x >= 50;
    };
    Press(owner.get(), {10, 10});
    MoveHeld(owner.get(), {11, 10});
    MoveHeld(owner.get(), {80, 10}); // onto a free spot, button still held
    MoveHeld(owner.get(), {90, 10});
    EXPECT_EQ(owner->pos(), QPoint(200, 150));
    EXPECT_EQ(asked, QList<QPoint>({{11, 10}}));

    Release(owner.get(), {90, 10});
    Press(owner.get(), {80, 10});
    MoveHeld(owner.get(), {81, 10});
    MoveHeld(owner.get(), {90, 10});
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(owner->pos(), QPoint(210, 150));
    Release(owner.get(), {80, 10});
}

TEST_F(FormFunc, OnlyTheLeftButtonAloneStartsADrag)
{
    struct Row {
        const char* name;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
    };
    const Row rows[] = {
        {"shift held", Qt::LeftButton, Qt::ShiftModifier},
        {"ctrl held", Qt::LeftButton, Qt::ControlModifier},
        {"second button held", Qt::LeftButton | Qt::RightButton, Qt::NoModifier},
        {"right button alone", Qt::RightButton, Qt::NoModifier},
    };
    int asked = 0;
    func->OnCanDragMove = [&](QObject*, int, int, bool&) { ++asked; };
    for (const Row& row : rows) {
        Mouse(owner.get(), QEvent::MouseMove, {40, 40}, Qt::NoButton, row.buttons, row.modifiers);
        Mouse(owner.get(), QEvent::MouseMove, {70, 60}, Qt::NoButton, row.buttons, row.modifiers);
        EXPECT_EQ(owner->pos(), QPoint(200, 150)) << row.name;
        EXPECT_EQ(asked, 0) << row.name;
    }
    func->SetWindowDrag(false);
    MoveHeld(owner.get(), {40, 40});
    EXPECT_EQ(asked, 0) << "WindowDrag off";
}

TEST_F(FormFunc, MouseOnAChildIsAskedAboutInOwnerCoordinates)
{
    QPoint asked;
    func->OnCanDragMove = [&](QObject*, int x, int y, bool& drag) {
        asked = {x, y};
        drag = false;
    };
    MoveHeld(second, {2, 3});
    EXPECT_EQ(asked, QPoint(88, 92));
    // A child created after the component is watched as well.
    auto* late = new QWidget(owner.get());
    late->setGeometry(50, 5, 10, 10);
    Release(second, {2, 3});
    MoveHeld(late, {1, 1});
    EXPECT_EQ(asked, QPoint(51, 6));
}

TEST_F(FormFunc, MoveSnapsToTheWorkAreaEdgesWithinFitScreenPx)
{
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    func->SetFitScreenPx(10);
    owner->move(work.left() + 300, work.top() + 200);
    // Drag the top to 7 pixels below the work area's top.
    const auto drag = [&](int dy) {
        Press(owner.get(), {60, 60});
        MoveHeld(owner.get(), {60, 60});
        MoveHeld(owner.get(), {60, 60 + dy});
        Release(owner.get(), {60, 60}); // the point pressed, carried along
    };
    drag(-193);
    EXPECT_EQ(owner->pos(), QPoint(work.left() + 300, work.top()));
    // Exactly 10 pixels away stays.
    drag(10);
    EXPECT_EQ(owner->pos(), QPoint(work.left() + 300, work.top() + 10));
}

TEST_F(FormFunc, PlacementIsRememberedPerWindowClass)
{
    func->SetPreserve(true);
    func->SetKeepLocation(true);
    EXPECT_EQ(func->SectionName(), QStringLiteral("TFORMPROBE"));
    func->RestorePlacement();
    // No settings yet: centred on the primary screen.
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(owner->pos(), QPoint((screen.width() - 120) / 2, (screen.height() - 120) / 2));

    owner->move(33, 44);
    func->SavePlacement();
    EXPECT_EQ(store.writes, QStringList({"TFORMPROBE/TOP=44", "TFORMPROBE/LEFT=33", "TFORMPROBE/DOCKSITE="}));

    store.writes.clear();
    func->SetKeepSize(true);
    owner->resize(130, 124);
    func->SavePlacement();
    EXPECT_EQ(store.writes, QStringList({"TFORMPROBE/TOP=44", "TFORMPROBE/LEFT=33", "TFORMPROBE/WIDTH=130",
                                         "TFORMPROBE/HEIGHT=124", "TFORMPROBE/DOCKSITE="}));

    TFormProbe other;
    other.resize(50, 60);
    TvlmFormFunc otherFunc(&other);
    EXPECT_TRUE(otherFunc.Layered()) << "layered from construction on";
    otherFunc.SetPlacementStore(&store);
    otherFunc.SetPreserve(true);
    otherFunc.SetKeepLocation(true);
    otherFunc.SetKeepSize(true);
    otherFunc.RestorePlacement();
    EXPECT_EQ(QRect(other.pos(), other.size()), QRect(33, 44, 130, 124));

    // A maximized window saves the place it had before it was maximized.
    owner->show();
    owner->showMaximized();
    QCoreApplication::processEvents();
    ASSERT_NE(owner->size(), QSize(130, 124));
    store.writes.clear();
    func->SavePlacement();
    EXPECT_EQ(store.writes, QStringList({"TFORMPROBE/TOP=44", "TFORMPROBE/LEFT=33", "TFORMPROBE/WIDTH=130",
                                         "TFORMPROBE/HEIGHT=124", "TFORMPROBE/DOCKSITE="}));
}

TEST_F(FormFunc, PreserveWithoutLocationOrSizeWritesOnlyTheDockSite)
{
    func->SetPreserve(true);
    func->SavePlacement();
    EXPECT_EQ(store.writes, QStringList({"TFORMPROBE/DOCKSITE="}));
    store.writes.clear();
    func->SetPreserve(false);
    func->SetKeepLocation(true);
    func->SavePlacement();
    EXPECT_TRUE(store.writes.isEmpty());

    // It saves once more as it goes.
    func->SetPreserve(true);
    func->SetKeepLocation(false);
    delete func;
    func = nullptr;
    EXPECT_EQ(store.writes, QStringList({"TFORMPROBE/DOCKSITE="}));
}

TEST_F(FormFunc, ASavedPlaceOffEveryScreenIsBroughtBack)
{
    store.values[{"TFORMPROBE", "LEFT"}] = "-5000";
    store.values[{"TFORMPROBE", "TOP"}] = "7000";
    func->SetPreserve(true);
    func->SetKeepLocation(true);
    func->RestorePlacement();
    EXPECT_TRUE(QGuiApplication::primaryScreen()->geometry().contains(QRect(owner->pos(), owner->size())));
    // Partly off, as a place saved at a smaller scale is: brought wholly on.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    store.values[{"TFORMPROBE", "LEFT"}] = QString::number(screen.right() - 60);
    store.values[{"TFORMPROBE", "TOP"}] = QString::number(screen.bottom() - 60);
    func->RestorePlacement();
    EXPECT_TRUE(screen.contains(QRect(owner->pos(), owner->size())));
}

TEST_F(FormFunc, PlacementIsRestoredByItselfAtTheFirstShow)
{
    store.values[{"TFORMPROBE", "LEFT"}] = "40";
    store.values[{"TFORMPROBE", "TOP"}] = "30";
    func->SetPreserve(true);
    func->SetKeepLocation(true);
    owner->show();
    EXPECT_EQ(owner->pos(), QPoint(40, 30));
    owner->move(90, 90);
    owner->hide();
    owner->show();
    EXPECT_EQ(owner->pos(), QPoint(90, 90)) << "read once only";
}

TEST_F(FormFunc, DroppedFilesRaiseOneEventEachThenOneFinish)
{
    QStringList events;
    func->OnDropFile = [&](QObject* sender, const QString& name) {
        EXPECT_EQ(sender, func);
        events.append(name);
    };
    func->OnDropFinish = [&](QObject*) { events.append(QStringLiteral("finish")); };
    const QStringList names{QStringLiteral("/tmp/b.png"), QStringLiteral("/tmp/a.png")};

    func->DropFiles(names);
    EXPECT_TRUE(events.isEmpty()) << "DragDrop off";

    func->SetDragDrop(true);
    EXPECT_TRUE(owner->acceptDrops());
    func->DropFiles(names);
    EXPECT_EQ(events, QStringList({"/tmp/b.png", "/tmp/a.png", "finish"}));
    EXPECT_TRUE(func->DropNames().isEmpty());

    func->SetDropNamesEnabled(true);
    func->DropFiles(names);
    EXPECT_EQ(func->DropNames(), names);
    func->SetDragDrop(false);
    func->DropFiles(names);
    EXPECT_TRUE(func->DropNames().isEmpty()) << "cleared by every drop";
}

TEST_F(FormFunc, ADropOnTheWindowDeliversLongLocalNamesWhole)
{
    QStringList got;
    func->OnDropFile = [&](QObject*, const QString& name) { got.append(name); };
    func->SetDragDrop(true);
    const QString longName = QStringLiteral("/tmp/") + QString(300, QLatin1Char('x')) + QStringLiteral(".png");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(longName), QUrl(QStringLiteral("https://example.org/a.png"))});
    // Shift proposes a move: taken as a copy all the same, or the source would delete the file.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(owner.get(), &enter);
    EXPECT_TRUE(enter.isAccepted() && enter.dropAction() == Qt::CopyAction);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::ShiftModifier);
    QCoreApplication::sendEvent(owner.get(), &drop);
    EXPECT_TRUE(drop.isAccepted() && drop.dropAction() == Qt::CopyAction);
    EXPECT_TRUE(got.isEmpty()) << "the files are handled after the drop is over";
    QCoreApplication::processEvents();
    EXPECT_EQ(got, QStringList({longName}));
}

TEST_F(FormFunc, AFailingDroppedFileDoesNotStopTheOthers)
{
    QStringList got;
    int finished = 0;
    func->SetDragDrop(true);
    func->OnDropFile = [&](QObject*, const QString& name) {
        if (name == QLatin1String("bad"))
            throw EFormFuncError("bad picture");
        got.append(name);
    };
    func->OnDropFinish = [&](QObject*) { ++finished; };
    EXPECT_THROW(func->DropFiles({"one", "bad", "two"}), EFormFuncError);
    EXPECT_EQ(got, QStringList({"one", "two"}));
    EXPECT_EQ(finished, 1);
}

TEST_F(FormFunc, WindowPositionSetToItsValueDoesNothing)
{
    ASSERT_FALSE(owner->isVisible());
    func->SetWindowPosition(wpNormal);
    EXPECT_FALSE(owner->isVisible()) << "an unchanged value must not show the window";
    struct TZOrderCounter : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            count += e->type() == QEvent::ZOrderChange;
            return false;
        }
    } zOrder;
    owner->installEventFilter(&zOrder);
    func->SetWindowPosition(wpTop);
    EXPECT_TRUE(owner->isVisible());
    EXPECT_TRUE(owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(owner->pos(), QPoint(200, 150));
    zOrder.count = 0;
    func->SetWindowPosition(wpBottom);
    EXPECT_EQ(zOrder.count, 1) << "lowered below the other windows";
    EXPECT_FALSE(owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(owner->windowFlags().testFlag(Qt::WindowStaysOnBottomHint));
    func->SetWindowPosition(wpNormal);
    EXPECT_FALSE(owner->windowFlags() & (Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint));
}

TEST_F(FormFunc, WindowRoundCutsTheCornersOfABorderlessWindow)
{
    owner->show();
    func->SetWindowRound(true);
    EXPECT_FALSE(owner->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(owner->mask().contains(QPoint(4, 0)));
    owner->resize(60, 50);
    EXPECT_FALSE(owner->mask().contains(QPoint(59, 49))) << "follows the window's size";
    EXPECT_TRUE(owner->mask().contains(QPoint(55, 49)));
    func->SetWindowRound(false);
    EXPECT_TRUE(owner->mask().isEmpty());
}

TEST_F(FormFunc, ColourResetMessageRaisesOnColorReset)
{
    int raised = 0;
    func->OnColorReset = [&](QObject*) { ++raised; };
    QEvent reset(kColorResetEvent);
    QCoreApplication::sendEvent(owner.get(), &reset);
    EXPECT_EQ(raised, 1);
    QEvent other(QEvent::User);
    QCoreApplication::sendEvent(owner.get(), &other);
    EXPECT_EQ(raised, 1) << "only the colour reset message";
}

TEST_F(FormFunc, EndOfSessionSavesAndCallsTheOwnersDestroyHandler)
{
    QStringList order;
    func->SetPreserve(true);
    func->OnEndSession = [&](QObject*) { order.append(QStringLiteral("end")); };
    func->OnOwnerDestroy = [&](QObject*) { order.append(QString::number(store.writes.size())); };
    func->EndSession();
    EXPECT_EQ(order, QStringList({"end", "1"}));
#if QT_CONFIG(sessionmanager)
    // The session manager's request reaches it by itself. The manager is
    // only passed through, never looked at.
    alignas(QSessionManager) unsigned char manager[sizeof(QSessionManager)] = {};
    emit qGuiApp->commitDataRequest(*reinterpret_cast<QSessionManager*>(manager));
    EXPECT_EQ(order, QStringList({"end", "1", "end", "2"}));
#endif
}

TEST_F(FormFunc, ComponentsComeAndGoWithoutLeaking)
{
    const auto inUse = [] { return mallinfo2().uordblks; };
    for (int i = 0; i < 10; ++i)
        delete new TvlmFormFunc(owner.get());
    const std::size_t before = inUse();
    for (int i = 0; i < 2000; ++i)
        delete new TvlmFormFunc(owner.get());
    EXPECT_LT(inUse(), before + 16000);
}

} // namespace
