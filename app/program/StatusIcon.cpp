#include "StatusIcon.h"

#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <cmath>

#include "MainIcon.h"
#include "OpenTimers.h"
#include "TimerModel.h"
#include "TimerPanel.h"
#include "UnitFmTimerMain.h"

namespace {

// Steps of the ring: a picture is handed to the panel only when it moved by one.
constexpr int kRingSteps = 60;
const QColor kTrackColour(128, 128, 128, 110);
const QColor kRingColour(0x2e, 0x86, 0xde);
const QColor kRingingColour(0xe0, 0x1b, 0x24);

QString Tr(const char* text)
{
    return QCoreApplication::translate("TStatusIcon", text);
}

} // namespace

QImage StatusPicture(double left, bool ringing, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal width = size / 6.0;
    const QRectF ring = QRectF(0, 0, size, size).adjusted(width / 2, width / 2, -width / 2, -width / 2);
    painter.setPen(QPen(ringing ? kRingingColour : kTrackColour, width, Qt::SolidLine, Qt::FlatCap));
    painter.drawEllipse(ring);
    if (ringing) {
        // The mark: a filled dot in the middle.
        painter.setPen(Qt::NoPen);
        painter.setBrush(kRingingColour);
        const qreal r = size / 5.0;
        painter.drawEllipse(QPointF(size / 2.0, size / 2.0), r, r);
    } else if (left > 0) {
        // Qt's angles run counter-clockwise from three o'clock in 1/16 degrees.
        painter.setPen(QPen(kRingColour, width, Qt::SolidLine, Qt::FlatCap));
        painter.drawArc(ring, 90 * 16, -int(std::lround(std::min(left, 1.0) * 360 * 16)));
    }
    return image;
}

TStatusIcon::TStatusIcon(TOpenTimers& timers, TTimerPanel& panel, QObject* parent)
    : QObject(parent), timers_(timers), panel_(panel), menu_(std::make_unique<QMenu>())
{
    Rebuild();
}

TStatusIcon::~TStatusIcon() = default;

bool TStatusIcon::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TStatusIcon::Show()
{
    if (icon_)
        return;
    icon_ = new QSystemTrayIcon(this);
    icon_->setContextMenu(menu_.get());
    connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            panel_.Activate();
    });
    pictureKey_ = -2;
    Update();
    icon_->show();
}

// One submenu per timer, then what acts on all of them.
void TStatusIcon::Rebuild()
{
    // Later, not now: the entry chosen (New timer, Quit Pocosa) may be
    // the one whose signal is under way.
    for (QAction* action : menu_->actions()) {
        menu_->removeAction(action);
        if (action->menu())
            action->menu()->deleteLater();
        else if (action->parent() == menu_.get())
            action->deleteLater();
    }
    entries_.clear();
    for (int i = 0; i < timers_.Count(); ++i) {
        TEntry entry{};
        entry.Menu = menu_->addMenu(QString());
        const auto on = [this, i](const char* text, TAct act) {
            return entries_.back().Menu->addAction(Tr(text), this, [this, i, act] { Act(i, act); });
        };
        entries_.push_back(entry);
        TEntry& e = entries_.back();
        e.Show = on(QT_TRANSLATE_NOOP("TStatusIcon", "Show"), TAct::Show);
        e.StartStop = on(QT_TRANSLATE_NOOP("TStatusIcon", "Start"), TAct::StartStop);
        e.StopAlarm = on(QT_TRANSLATE_NOOP("TStatusIcon", "Stop"), TAct::StartStop);
        e.AddMinute = on(QT_TRANSLATE_NOOP("TStatusIcon", "+1 min"), TAct::AddMinute);
        e.Reset = on(QT_TRANSLATE_NOOP("TStatusIcon", "Reset"), TAct::Reset);
    }
    menu_->addSeparator();
    pauseAll_ =
        menu_->addAction(Tr(QT_TRANSLATE_NOOP("TStatusIcon", "Pause all")), this, [this] { panel_.PauseAll(); });
    resumeAll_ =
        menu_->addAction(Tr(QT_TRANSLATE_NOOP("TStatusIcon", "Resume all")), this, [this] { panel_.ResumeAll(); });
    stopAlarms_ = menu_->addAction(Tr(QT_TRANSLATE_NOOP("TStatusIcon", "Stop all alarms")), this,
                                   [this] { panel_.StopAllAlarms(); });
    menu_->addSeparator();
    hideAll_ =
        menu_->addAction(Tr(QT_TRANSLATE_NOOP("TStatusIcon", "Hide all windows")), this, [this] { panel_.HideAll(); });
    showAll_ =
        menu_->addAction(Tr(QT_TRANSLATE_NOOP("TStatusIcon", "Show all windows")), this, [this] { panel_.ShowAll(); });
    menu_->addAction(Tr(QT_TRANSLATE_NOOP("TStatusIcon", "New timer")), this, [this] { timers_.New(nullptr); });
    menu_->addSeparator();
    menu_->addAction(Tr(QT_TRANSLATE_NOOP("TStatusIcon", "Quit Pocosa")), this, [this] { timers_.QuitAll(); });
}

void TStatusIcon::Act(int index, TAct act)
{
    if (index >= timers_.Count())
        return; // the menu is rebuilt as timers come and go
    switch (act) {
    case TAct::Show:
        panel_.Show(index);
        break;
    case TAct::StartStop:
        panel_.StartStop(index);
        break;
    case TAct::AddMinute:
        panel_.AddMinute(index);
        break;
    case TAct::Reset:
        panel_.Reset(index);
        break;
    }
}

void TStatusIcon::UpdateEntry(int index)
{
    const TEntry& e = entries_[std::size_t(index)];
    const TTimerModel& timer = timers_.Timer(index);
    e.Menu->setTitle(panel_.Line(index).replace(QLatin1Char('&'), QStringLiteral("&&")));
    const bool ringing = timer.Ringing();
    e.StartStop->setText(
        Tr(timer.Running() ? QT_TRANSLATE_NOOP("TStatusIcon", "Stop") : QT_TRANSLATE_NOOP("TStatusIcon", "Start")));
    e.StartStop->setVisible(!ringing);
    e.StopAlarm->setVisible(ringing);
    e.AddMinute->setVisible(ringing);
    e.Reset->setEnabled(!timer.Running() || timer.AlarmReached());
}

void TStatusIcon::Update()
{
    if (int(entries_.size()) != timers_.Count())
        Rebuild();
    QStringList lines;
    for (int i = 0; i < timers_.Count(); ++i) {
        UpdateEntry(i);
        lines << panel_.Line(i);
    }
    pauseAll_->setEnabled(panel_.AnyCounting());
    resumeAll_->setEnabled(panel_.CanResume());
    stopAlarms_->setEnabled(panel_.AnyRinging());
    hideAll_->setEnabled(timers_.Count() > 0);
    showAll_->setEnabled(!panel_.AllShown());
    toolTip_ = lines.join(QLatin1Char('\n'));

    const int nearest = panel_.Nearest();
    const bool ringing = panel_.AnyRinging();
    const int key = ringing       ? -1
                    : nearest < 0 ? kRingSteps + 1
                                  : int(std::lround(panel_.LeftFraction(nearest) * kRingSteps));
    if (key != pictureKey_) {
        pictureKey_ = key;
        picture_ = StatusPicture(nearest < 0 || ringing ? -1 : double(key) / kRingSteps, ringing, kPictureSize);
        if (icon_)
            icon_->setIcon(nearest < 0 && !ringing ? MainIcon() : QIcon(QPixmap::fromImage(picture_)));
    }
    if (icon_ && icon_->toolTip() != toolTip_)
        icon_->setToolTip(toolTip_);
}
