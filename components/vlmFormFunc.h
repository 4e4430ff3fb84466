#pragma once

#include "Bitmap.h"
#include "vlmFormFuncGeometry.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QDropEvent;
class QMouseEvent;
class QWidget;
class TRegion;

// Z-order of the owner window.
enum TwindowPosition { wpNormal, wpTop, wpBottom };

// Events are plain callables, raised only when assigned, with the component as Sender.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TNotifyFilenameEvent = std::function<void(QObject* Sender, const QString& filename)>;
// Asked before every window drag; setting DragMove to false vetoes it. MouseX
// and MouseY are client coordinates of the owner window.
using TCanDragMove = std::function<void(QObject* Sender, int MouseX, int MouseY, bool& DragMove)>;

// A background picture the component refuses to show.
class EFormFuncError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where window placements are remembered: integers and strings by section
// and key, every read with the caller's default.
class TBackImages;

class TPlacementStore {
public:
    virtual ~TPlacementStore() = default;
    virtual int ReadInteger(const QString& section, const QString& key, int defaultValue) = 0;
    virtual QString ReadString(const QString& section, const QString& key, const QString& defaultValue) = 0;
    virtual void WriteInteger(const QString& section, const QString& key, int value) = 0;
    virtual void WriteString(const QString& section, const QString& key, const QString& value) = 0;
};

// The program's settings store (application.ini).
TPlacementStore& ProgramPlacementStore();

// Gives a borderless top-level window what a caption and frame would: drag by
// the body, optional edge resizing, position memory, edge snapping, z-order,
// rounded corners, a background picture that shapes the window (or a
// per-pixel-alpha presentation) and dropped-file events. It watches the
// owner and every child widget of it through an event filter, so mouse input
// that Qt hands to a child is seen as the owner's.
class TvlmFormFunc : public QObject {
public:
    explicit TvlmFormFunc(QWidget* owner);
    ~TvlmFormFunc() override;
    TvlmFormFunc(const TvlmFormFunc&) = delete;
    TvlmFormFunc& operator=(const TvlmFormFunc&) = delete;

    // Master switch of position memory: without it nothing is read or written.
    bool Preserve() const { return preserve_; }
    void SetPreserve(bool value) { preserve_ = value; }
    // With it and no picture the owner erases with its own colour.
    bool EraseBackGround() const { return eraseBackGround_; }
    void SetEraseBackGround(bool value) { eraseBackGround_ = value; }
    bool KeepSize() const { return keepSize_; }
    void SetKeepSize(bool value) { keepSize_ = value; }
    bool KeepLocation() const { return keepLocation_; }
    void SetKeepLocation(bool value) { keepLocation_ = value; }
    // The owner accepts dropped files exactly while this is on.
    bool DragDrop() const { return dragDrop_; }
    void SetDragDrop(bool value);
    bool DropNamesEnabled() const { return dropNamesEnabled_; }
    void SetDropNamesEnabled(bool value) { dropNamesEnabled_ = value; }
    bool WindowDrag() const { return windowDrag_; }
    void SetWindowDrag(bool value) { windowDrag_ = value; }
    bool WindowResize() const { return windowResize_; }
    void SetWindowResize(bool value) { windowResize_ = value; }
    bool WindowRound() const { return windowRound_; }
    void SetWindowRound(bool value);
    TwindowPosition WindowPosition() const { return windowPosition_; }
    void SetWindowPosition(TwindowPosition value);
    // Snap distance in pixels to the work area's edges after a move; 0 = off.
    int FitScreenPx() const { return fitScreenPx_; }
    void SetFitScreenPx(int value) { fitScreenPx_ = value; }
    bool Layered() const { return layered_; }
    void SetLayered(bool value);
    // Keep the design layout centred on a picture of another size.
    bool BGrelocation() const { return bgRelocation_; }
    void SetBGrelocation(bool value) { bgRelocation_ = value; }

    TNotifyEvent OnDropFinish;
    TNotifyFilenameEvent OnDropFile;
    TNotifyEvent OnWindowMoved;
    TNotifyEvent OnColorReset;
    TNotifyEvent OnEraseBackGround;
    TCanDragMove OnCanDragMove;
    TNotifyEvent OnEndSession;
    // The owner's destroy handler, called after the placement is saved when
    // the session ends.
    TNotifyEvent OnOwnerDestroy;

    // Reads the saved placement once (also done by itself at the owner's first show).
    void RestorePlacement();
    void SavePlacement();
    // Moves the window as little as needed for all of it to lie on one
    // screen's work area (done by RestorePlacement; again by an owner whose
    // size changes after it).
    void KeepWholeOnScreen();
    // The end of the user's session: OnEndSession, SavePlacement, OnOwnerDestroy.
    void EndSession();

    // Selects `name` (empty: the built-in picture) through the background
    // history and applies it with the window's top-left corner kept. Throws
    // (the window and the history unchanged) when the picture fails to load
    // or has no visible pixel.
    void SetBackground(const QString& name);
    // Applies the built-in picture without touching the history.
    void SetDefaultBackground();
    // Presents `picture` with the window's top-left corner at screen (x, y).
    // A 24-bit picture is keyed to 32 bits in place.
    void ApplyBackground(TBitmap& picture, int x, int y);

    // Raises OnDropFile per name and OnDropFinish once, as a drop on the owner does.
    void DropFiles(const QStringList& names);
    // Names of the last drop, kept only with DropNamesEnabled.
    const QStringList& DropNames() const { return dropNames_; }

    // The prepared background (null before the first picture).
    const TBitmap* Background() const { return background_.get(); }
    // The settings section: the owner's class name in upper case.
    QString SectionName() const { return section_; }
    // The settings section of the window's place (before RestorePlacement);
    // by default the owner's class name in capitals.
    void SetSectionName(const QString& section) { section_ = section; }
    // The background history the window's pictures come from and go into;
    // null: the program's (BackImages).
    void SetBackImages(TBackImages* history) { backImages_ = history; }
    TBackImages* BackImagesInUse() const;
    // Redirects position memory (tests); null means the program's settings.
    void SetPlacementStore(TPlacementStore* store) { store_ = store; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watch(QWidget* widget);
    bool ownerEvent(QEvent* event);
    bool mouseMove(QWidget* widget, QMouseEvent* event);
    bool mousePress(QWidget* widget, QMouseEvent* event);
    bool mouseRelease(QMouseEvent* event);
    void startMove(QWidget* widget, QPoint globalPos);
    void endMoveLoop();
    void ownerGeometryChanged(bool resized);
    void applyWindowRound();
    void paintBackground();
    bool dragEvent(QDropEvent* event, bool drop);
    TPlacementStore& store() const;
    static int OSMajorVersion();
    QList<QWidget*> childControls() const;

    void saveChildPositions();
    void moveChildren(QPoint offset);
    void notifyChildren();
    void updateLayered(int x, int y);
    void refuseInvisible(TBitmap& picture, const QString& name) const;

    QPointer<QWidget> owner_;
    TPlacementStore* store_ = nullptr;
    TBackImages* backImages_ = nullptr;
    QString section_;

    bool preserve_ = false;
    bool eraseBackGround_ = false;
    bool keepSize_ = false;
    bool keepLocation_ = false;
    bool dragDrop_ = false;
    bool dropNamesEnabled_ = false;
    bool windowDrag_ = false;
    bool windowResize_ = false;
    bool windowRound_ = false;
    TwindowPosition windowPosition_ = wpNormal;
    int fitScreenPx_ = 0;
    bool layered_ = false;
    bool bgRelocation_ = false;

    // Cleared when a drag is vetoed, set again by every left-button release.
    bool dragArmed_ = true;
    bool restored_ = false;
    bool maximized_ = false;
    // Screen rectangle of the window while it was last not maximized.
    QRect normalRect_;
    QString dockSite_;

    // A move the component runs by hand because the window system offered none.
    bool manualMove_ = false;
    QPoint grabOffset_;
    // Where the held left button was pressed, relative to the window's position.
    std::optional<QPoint> pressOffset_;
    // A move handed to the window manager; it ends with the next mouse event seen.
    bool systemMove_ = false;

    std::unique_ptr<TBitmap> background_;
    std::unique_ptr<TRegion> region_;
    // Children's positions in the form layout, the base of every relocation.
    std::vector<QPoint> designPositions_;
    QSize referenceClientSize_;
    bool referenceRecorded_ = false;
    bool layeredReady_ = false;
    // What a layered presentation shows (premultiplied), kept for repainting.
    QImage layeredImage_;
    QStringList dropNames_;
};
