#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QSystemTrayIcon;
class TOpenTimers;
class TTimerPanel;

// The picture of the status icon: a ring that empties clockwise from
// twelve o'clock as the count-down nearest its end runs (`left`, 0..1; a
// negative value: none counts down, an empty ring), and in red with a
// mark in the middle while an alarm rings. Drawn, since digits are too
// small to read in a panel.
QImage StatusPicture(double left, bool ringing, int size);

// Every timer in the desktop's panel (a StatusNotifierItem through
// QSystemTrayIcon): the picture, a tooltip with every timer's line, and a
// menu with an entry per timer and what acts on all of them. Made only
// where the desktop has a place for it (Available): elsewhere the program
// is as it always was. The menu and tooltip exist without the icon, for
// the tests.
//
// Nothing is redrawn on a clock of its own: only when a timer changes (at
// most once a second while one counts), and the picture is handed on only
// when it looks different.
class TStatusIcon : public QObject {
public:
    static constexpr int kPictureSize = 64;

    TStatusIcon(TOpenTimers& timers, TTimerPanel& panel, QObject* parent = nullptr);
    ~TStatusIcon() override;

    // True where a status icon host runs.
    static bool Available();
    // The icon in the panel; until then only the menu and tooltip are kept.
    void Show();

    QMenu& Menu() const { return *menu_; }
    QString ToolTip() const { return toolTip_; }
    QImage Picture() const { return picture_; }

    // Texts, pictures and the menu made again from the timers.
    void Update();

private:
    struct TEntry {
        QMenu* Menu;
        QAction *Show, *StartStop, *Reset, *StopAlarm, *AddMinute;
    };
    void Rebuild();
    // What a timer's entry asks of the panel for timer `index`.
    enum class TAct { Show, StartStop, AddMinute, Reset };
    void Act(int index, TAct act);
    void UpdateEntry(int index);

    TOpenTimers& timers_;
    TTimerPanel& panel_;
    std::unique_ptr<QMenu> menu_;
    std::vector<TEntry> entries_;
    QAction* pauseAll_ = nullptr;
    QAction* resumeAll_ = nullptr;
    QAction* stopAlarms_ = nullptr;
    QAction* hideAll_ = nullptr;
    QAction* showAll_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
    QString toolTip_;
    QImage picture_;
    int pictureKey_ = -2;
};
