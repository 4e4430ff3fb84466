// The timer window's behaviour component and its background picture: drag,
// position memory, shape, the background menu and dropped files.
#include "UnitFmTimerMain.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QStandardPaths>
#include <QTimer>
#include <QValidator>

#include <cstdio>
#include <exception>
#include <stdexcept>

#include "FuncGraphicWorkLoad.h"
#include "FuncGraphicWorkPng.h"
#include "TimerAccessible.h"
#include "vlmButton.h"
#include "vlmFormFunc.h"
#include "vlmGraphicSource.h"

namespace {

// The decoders say what is wrong with a picture but not which file it is.
[[noreturn]] void RefusePicture(const QString& name, const std::exception& e)
{
    throw std::runtime_error(QCoreApplication::translate("TFmTimerMain", "画像 \"%1\" を表示できません (%2)")
                                 .arg(name, QString::fromUtf8(e.what()))
                                 .toStdString());
}

// At most the longest name, counted as the timer counts it: a name is never
// cut behind the user's back, and an accent stays with its letter.
class TNameValidator final : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override
    {
        return TTimerModel::NameLength(input) <= TTimerModel::kMaxNameLength ? Acceptable : Invalid;
    }
};

// The region less `k` pixels all round (a square eroded step by step).
QRegion Eroded(QRegion region, int k)
{
    for (int step = 0; step < k; ++step) {
        region &= region.translated(1, 0) & region.translated(-1, 0);
        region &= region.translated(0, 1) & region.translated(0, -1);
    }
    return region;
}

constexpr int kRingPx = 3; // each of the mark's two bands: more than the 2 pixels asked of a mark

} // namespace

// The window with the keyboard shows it at a glance on any picture: a band
// of white and, inside it, one of black along its outline, so that wherever
// the picture is dark or light one of them stands out from it at more than
// 4.5:1. The buttons are left out: they capture what lies under them, and a
// mark there would stay in them after the window lost the keyboard.
void TFmTimerMain::paintEvent(QPaintEvent*)
{
    if (!isActiveWindow())
        return;
    const QRegion shape = mask().isEmpty() ? QRegion(rect()) : mask();
    if (shape != ringShape_) {
        ringShape_ = shape;
        QRegion buttons;
        for (const TvlmGctButton* button : {BTmin, BTsec, BTstart, BTreset, BTclose})
            buttons += button->geometry();
        const QRegion inner = Eroded(shape, kRingPx);
        ringOuter_ = shape.subtracted(inner).subtracted(buttons);
        ringInner_ = inner.subtracted(Eroded(inner, kRingPx)).subtracted(buttons);
    }
    QPainter painter(this);
    for (const QRect& r : ringOuter_)
        painter.fillRect(r, Qt::white);
    for (const QRect& r : ringInner_)
        painter.fillRect(r, Qt::black);
}

void TFmTimerMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        update();
}

void TFmTimerMain::BuildFormFunc()
{
    vlmFormFunc1 = new TvlmFormFunc(this);
    vlmFormFunc1->setObjectName(QStringLiteral("vlmFormFunc1"));
    if (!hooks_.PlacementSection.isEmpty())
        vlmFormFunc1->SetSectionName(hooks_.PlacementSection);
    vlmFormFunc1->SetBackImages(hooks_.Backgrounds);
    vlmFormFunc1->SetPreserve(true);
    vlmFormFunc1->SetEraseBackGround(false);
    vlmFormFunc1->SetKeepSize(false);
    vlmFormFunc1->SetKeepLocation(true);
    vlmFormFunc1->SetDragDrop(true);
    vlmFormFunc1->SetDropNamesEnabled(false);
    vlmFormFunc1->SetWindowDrag(true);
    vlmFormFunc1->SetWindowResize(false);
    vlmFormFunc1->SetWindowRound(false);
    vlmFormFunc1->SetWindowPosition(wpNormal);
    vlmFormFunc1->SetFitScreenPx(0);
    vlmFormFunc1->SetLayered(false);
    vlmFormFunc1->SetBGrelocation(true);
    vlmFormFunc1->OnDropFile = [this](QObject* sender, const QString& filename) {
        vlmFormFunc1DropFile(sender, filename);
    };
    vlmFormFunc1->OnCanDragMove = [this](QObject* sender, int x, int y, bool& dragMove) {
        vlmFormFunc1CanDragMove(sender, x, y, dragMove);
    };
}

void TFmTimerMain::ApplyStartBackground()
{
    // A picture deleted or on a drive not mounted: the built-in one stands
    // in, the user is told, and the entry stays for when the drive is back.
    const QString name = CurrentBackground();
    if (const TBackImages* history = Backgrounds(); !name.isEmpty() && history && history->FileOf(name).isEmpty()) {
        const QString line =
            QCoreApplication::translate("TFmTimerMain", "画像 \"%1\" が見つかりません。組み込みの画像を表示します").arg(name);
        std::fprintf(stderr, "pocosa: %s\n", line.toLocal8Bit().constData());
        vlmFormFunc1->SetDefaultBackground();
        // After the kept timer is taken up, whose change would drop it.
        QTimer::singleShot(0, this, [this, line] { ShowNotice(line); });
        return;
    }
    try {
        SetBackground(CurrentBackground());
    } catch (const std::exception& e) {
        // A picture that fails at start must not keep the timer from starting:
        // the built-in picture stands in and the history stays as it is.
        std::fprintf(stderr, "pocosa: %s\n", e.what());
        vlmFormFunc1->SetDefaultBackground();
    }
}

void TFmTimerMain::SetBackground(const QString& name)
{
    try {
        if (hooks_.SetBackground)
            hooks_.SetBackground(name);
        else
            vlmFormFunc1->SetBackground(name);
    } catch (const EJpegError& e) {
        RefusePicture(name, e);
    } catch (const EPngError& e) {
        RefusePicture(name, e);
    } catch (const EBmpError& e) {
        RefusePicture(name, e);
    } catch (const EPictureSize& e) {
        RefusePicture(name, e);
    }
    // Before the window is shown this is the picture it starts with.
    if (isVisible() && hooks_.Changed)
        hooks_.Changed(*this);
}

QString TFmTimerMain::HistoryEntry(int n) const
{
    if (hooks_.HistoryEntry)
        return hooks_.HistoryEntry(n);
    const TBackImages* history = Backgrounds();
    return history && n < history->Count() ? (*history)[n] : QString();
}

QString TFmTimerMain::CurrentBackground() const
{
    if (hooks_.CurrentBackground)
        return hooks_.CurrentBackground();
    return Backgrounds() ? Backgrounds()->Current() : QString();
}

// The file of the picture on show; empty for the built-in one.
QString TFmTimerMain::CurrentBackgroundFile() const
{
    const TBackImages* history = Backgrounds();
    return history ? history->FileOf(history->Current()) : QString();
}

TBackImages* TFmTimerMain::Backgrounds() const
{
    return hooks_.Backgrounds ? hooks_.Backgrounds : BackImages;
}

QDialog* TFmTimerMain::AskName(QWidget* parent, const QString& current, std::function<QString(const QString&)> take)
{
    auto* dialog = new QDialog(parent);
    auto* edit = new QLineEdit(current, dialog);
    edit->setValidator(new TNameValidator(edit));
    QDialogButtonBox* buttons = nullptr;
    QLabel* refusal = LayOutAskingDialog(dialog, QCoreApplication::translate("TFmTimerMain", "名前"),
                                         QCoreApplication::translate("TFmTimerMain", "タイマーの名前 (空欄: 名前なし):"),
                                         edit, &buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, edit, refusal, take = std::move(take)] {
        // A refused name is not taken; the dialog stays open to change it.
        const QString why = take(edit->text());
        if (why.isEmpty()) {
            dialog->accept();
            return;
        }
        ShowRefusal(refusal, why);
        edit->selectAll();
        edit->setFocus();
    });
    edit->selectAll();
    edit->setFocus();
    return dialog;
}

QFileDialog* TFmTimerMain::ChoosePicture(QWidget* parent, const QString& currentFile)
{
    QString folder = QFileInfo(currentFile).absolutePath();
    if (currentFile.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    const QString filters = QCoreApplication::translate("TFmTimerMain", "画像") +
                            QStringLiteral(" (*.png *.jpg *.jpeg *.jpx *.bmp);;") +
                            QCoreApplication::translate("TFmTimerMain", "すべてのファイル") + QStringLiteral(" (*)");
    auto* dialog = new QFileDialog(parent, QCoreApplication::translate("TFmTimerMain", "画像を開く"), folder, filters);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return dialog;
}
