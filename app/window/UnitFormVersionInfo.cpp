#include "UnitFormVersionInfo.h"

#include "FontSubstitutions.h"
#include "FuncGraphicWorkLoad.h"
#include "FuncGraphicWorkPixels.h"
#include "LinkLabel.h"
#include "MainIcon.h"
#include "ShellFileUtils.h"
#include "vlmFormFunc.h"
#include "vlmGlobal.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIODevice>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

QPointer<TFormVersionInfo> FormVersionInfo;

namespace {

constexpr char kInformationPage[] = "/contents/software/information.php?name=";

// The title is written at twice its shown size and halved for smooth edges.
constexpr int kTitleDrawWidth = 320;
constexpr int kTitleDrawHeight = 64;
constexpr int kTitleFontHeight = 64;

constexpr TColor kFrameGrey = 0x00808080;
constexpr TColor kFrameBlack = 0x00000000;

// The title's font height is its character cell (ascent plus descent), not
// its em.
QFont TitleFont()
{
    return LayoutFontInCell(QStringLiteral("Arial Black"), kTitleFontHeight, false);
}

} // namespace

QString VersionInfoLinkURL(const QString& internalName)
{
    return QString::fromLatin1(kMakerSite) + QString::fromLatin1(kInformationPage) + internalName.toLower();
}

void DrawAppTitle(TBitmap& picture, const QString& productName)
{
    picture.SetSize(0, 0);
    picture.SetPixelFormat(pf32bit);
    TCanvas& canvas = picture.Canvas();
    canvas.BrushColor = 0x00FFFFFF;
    picture.SetHeight(kTitleDrawHeight);
    picture.SetWidth(kTitleDrawWidth);
    canvas.BrushStyle = TCanvas::bsClear;
    canvas.Font = TitleFont();
    canvas.TextOut(2, 0, productName);
    canvas.Release();
    HalveBitmap32(picture);
    picture.SetHeight(kTitleDrawHeight / 2);
    picture.SetWidth(kTitleDrawWidth / 2);
}

QImage TransparentByBottomLeft(const QImage& picture)
{
    if (picture.isNull())
        return {};
    QImage image = picture.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, image.height() - 1);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (row[x] == key)
                row[x] = 0;
    }
    return image;
}

TFormVersionInfo::TFormVersionInfo(QWidget* owner) : QDialog(owner)
{
    CreateControls();
    CreateFormFunc();
    // Centred on the primary screen when shown, every time: the position is
    // not remembered.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QSize s = screen->geometry().size();
        move((s.width() - width()) / 2, (s.height() - height()) / 2);
    }
    FormCreate(this);
}

// The component goes first, while the window is still a TFormVersionInfo:
// it saves its placement under the window's class name.
TFormVersionInfo::~TFormVersionInfo()
{
    delete vlmFormFunc1;
}

void TFormVersionInfo::CreateFormFunc()
{
    vlmFormFunc1 = new TvlmFormFunc(this);
    vlmFormFunc1->SetPreserve(true);
    vlmFormFunc1->SetEraseBackGround(true);
    vlmFormFunc1->SetKeepSize(false);
    vlmFormFunc1->SetKeepLocation(false);
    vlmFormFunc1->SetDragDrop(false);
    vlmFormFunc1->SetDropNamesEnabled(false);
    vlmFormFunc1->SetWindowDrag(true);
    vlmFormFunc1->SetWindowResize(false);
    vlmFormFunc1->SetWindowRound(true);
    vlmFormFunc1->SetWindowPosition(wpNormal);
    vlmFormFunc1->SetFitScreenPx(0);
    vlmFormFunc1->SetLayered(true);
    vlmFormFunc1->SetBGrelocation(false);
    // The close button keeps its mouse input as a control with a window of
    // its own does: it never reaches the component, so pressing on it and
    // moving, on it or off it, does not drag the window.
    BtClose->removeEventFilter(vlmFormFunc1);
}

void TFormVersionInfo::FormCreate(QObject*)
{
    LBexe->setText(QStringLiteral("ExeName ") + AppGlobal->ExeFileName());
    LBversion->setText(QStringLiteral("Version ") + AppGlobal->FileVersion());
    // The captions carry the program's own keys; screen readers get words.
    LBexe->setAccessibleName(tr("Program file %1").arg(AppGlobal->ExeFileName()));
    LBversion->setAccessibleName(tr("Version %1").arg(AppGlobal->FileVersion()));
    LinkLabel1->SetLinkURL(VersionInfoLinkURL(AppGlobal->InternalName()));
    LoadAppTitle();
    ImgAppTitle->setPixmap(QPixmap::fromImage(TransparentByBottomLeft(appTitle_.ToImage())));
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = MainIcon();
    ImgIcon->setPixmap(icon.pixmap(ImgIcon->size()));
}

// A compiled-in "AppTitle" picture takes the place of the drawn title.
void TFormVersionInfo::LoadAppTitle()
{
    if (const std::unique_ptr<QIODevice> stream = OpenResourceData(QStringLiteral("AppTitle"))) {
        LoadGraphicFromStream(appTitle_, QStringLiteral("AppTitle.png"), *stream);
        return;
    }
    DrawAppTitle(appTitle_, AppGlobal->ProductName());
}

// The frame: a grey inner box under the title and a grey ring just inside
// the black outline, whose rounded corners follow the window's cut corners.
void TFormVersionInfo::FormPaint(QObject*)
{
    const int w = width();
    const int h = height();
    // Lines only: the rest stays transparent over the erased window colour.
    TBitmap surface(w, h, pf32bit);
    FillPixels32(surface, 0);
    TCanvas& canvas = surface.Canvas();
    canvas.PenColor = kFrameGrey;
    DrawFrameShape(canvas, TRect(5, 32, w - 5, h - 5), 2);
    DrawFrameShape(canvas, TRect(1, 1, w - 1, h - 1), 3);
    canvas.PenColor = kFrameBlack;
    DrawFrameShape(canvas, TRect(0, 0, w, h), 4);
    DrawFrameShape(canvas, TRect(1, 1, w - 1, h - 1), 2);
    canvas.Release();
    QPainter painter(this);
    painter.drawImage(0, 0, surface.ImageView());
}

void TFormVersionInfo::BtCloseClick(QObject*)
{
    close();
}

void TFormVersionInfo::paintEvent(QPaintEvent*)
{
    FormPaint(this);
}

void TFormVersionInfo::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (BtClose)
        BtClose->move(BtClose->x(), height() - closeButtonBottomGap_);
}

void ShowVersionInfo(QWidget*)
{
    // One window for the whole program, not modal: the timers' windows stay
    // usable, and closing the window it was opened from does not take it along.
    if (FormVersionInfo) {
        FormVersionInfo->raise();
        FormVersionInfo->activateWindow();
        return;
    }
    auto* form = new TFormVersionInfo(nullptr);
    FormVersionInfo = form;
    // Released once the events already queued for it are handled.
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->show();
}
