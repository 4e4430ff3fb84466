// The layout of the about window: the window's own properties and one row per
// control, in client pixels.
#include "UnitFormVersionInfo.h"

#include "FontSubstitutions.h"
#include "LinkLabel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>

namespace {

constexpr int kFormWidth = 247;
constexpr int kFormHeight = 222;
constexpr TColor kFormColor = 0x00FFFFFF;
constexpr int kFontHeight = 12;

constexpr TColor kLabelColor = 0x00604040;
constexpr TColor kLinkColor = 0x00FF0000;

constexpr char kMakerLine[] = "Copyright (C) Velmora";
// The maker's web address; it has to fit the link label's 88 pixels.
constexpr char kMakerAddress[] = "vlm.example";

enum class TControlKind { Picture, Label, LinkLabel, Button };

struct TControlRow {
    const char* Name;
    TControlKind Kind;
    int Left, Top, Width, Height;
    const char* Caption;
    TColor FontColor;
    Qt::Alignment Align;
    const char* AccessibleName = nullptr; // a picture's words for screen readers
};

const TControlRow kControls[] = {
    {"ImgAppTitle", TControlKind::Picture, 4, 0, 173, 32, "", 0, Qt::AlignLeft | Qt::AlignTop, "Pocosa"},
    {"Image1", TControlKind::Picture, 180, 4, 56, 56, "", 0, Qt::AlignLeft | Qt::AlignTop,
     QT_TRANSLATE_NOOP("TFormVersionInfo", "Velmora logo")},
    {"ImgIcon", TControlKind::Picture, 12, 40, 32, 32, "", 0, Qt::AlignLeft | Qt::AlignTop,
     QT_TRANSLATE_NOOP("TFormVersionInfo", "Pocosa icon")},
    {"LBexe", TControlKind::Label, 52, 40, 176, 12, "ExeName", kLabelColor, Qt::AlignLeft | Qt::AlignTop},
    {"LBversion", TControlKind::Label, 52, 52, 176, 12, "Version", kLabelColor, Qt::AlignLeft | Qt::AlignTop},
    {"Label1", TControlKind::Label, 52, 68, 176, 12, kMakerLine, kLabelColor, Qt::AlignLeft | Qt::AlignTop},
    {"LinkLabel1", TControlKind::LinkLabel, 148, 80, 88, 12, kMakerAddress, kLinkColor, Qt::AlignRight | Qt::AlignTop},
    {"BtClose", TControlKind::Button, 162, 190, 75, 20, QT_TRANSLATE_NOOP("TFormVersionInfo", "閉じる"), 0, {}},
};

// The maker's logo, a 56 x 56 24-bit picture kept with the layout.
constexpr char kLogoResource[] = ":/layouts/FormVersionInfo.Image1.bmp";

// A push button that keeps every mouse move it gets, as a control with a
// window of its own does: a move with the button held, on it or off it, never
// goes on to the window behind it, so it never starts a drag of the window.
class TOwnMouseButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void mouseMoveEvent(QMouseEvent* event) override
    {
        QPushButton::mouseMoveEvent(event);
        event->accept();
    }
};

QColor toQColor(TColor c)
{
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}


QWidget* createControl(const TControlRow& row, QWidget* parent)
{
    QWidget* control = nullptr;
    const QString caption = QString::fromUtf8(row.Caption);
    switch (row.Kind) {
    case TControlKind::Picture:
    case TControlKind::Label:
    case TControlKind::LinkLabel: {
        QLabel* label = row.Kind == TControlKind::LinkLabel ? new TLinkLabel(parent) : new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(row.Align);
        label->setText(caption);
        if (row.Kind != TControlKind::Picture) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText, toQColor(row.FontColor));
            label->setPalette(palette);
        }
        control = label;
        break;
    }
    case TControlKind::Button:
        control = new TOwnMouseButton(QCoreApplication::translate("TFormVersionInfo", row.Caption), parent);
        break;
    }
    if (row.AccessibleName)
        control->setAccessibleName(QCoreApplication::translate("TFormVersionInfo", row.AccessibleName));
    control->setObjectName(QString::fromLatin1(row.Name));
    control->setGeometry(row.Left, row.Top, row.Width, row.Height);
    return control;
}

} // namespace

void TFormVersionInfo::CreateControls()
{
    setObjectName(QStringLiteral("FormVersionInfo"));
    // Not drawn (the window has no frame), but it names the window for
    // screen readers and window lists.
    setWindowTitle(tr("About Pocosa"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    resize(kFormWidth, kFormHeight);
    // The character height is the cell's, as the labels are exactly that
    // high: with the em instead, descenders would fall below them.
    setFont(LayoutFontInCell(QStringLiteral("ＭＳ Ｐゴシック"), kFontHeight, false));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, toQColor(kFormColor));
    setPalette(palette);
    setAutoFillBackground(true);

    for (const TControlRow& row : kControls)
        createControl(row, this);
    ImgAppTitle = findChild<QLabel*>(QStringLiteral("ImgAppTitle"));
    Image1 = findChild<QLabel*>(QStringLiteral("Image1"));
    ImgIcon = findChild<QLabel*>(QStringLiteral("ImgIcon"));
    LBexe = findChild<QLabel*>(QStringLiteral("LBexe"));
    LBversion = findChild<QLabel*>(QStringLiteral("LBversion"));
    Label1 = findChild<QLabel*>(QStringLiteral("Label1"));
    LinkLabel1 = findChild<TLinkLabel*>(QStringLiteral("LinkLabel1"));
    BtClose = findChild<QPushButton*>(QStringLiteral("BtClose"));

    // Image1 is sized to its picture.
    const QImage logo(QString::fromLatin1(kLogoResource));
    Image1->setPixmap(QPixmap::fromImage(TransparentByBottomLeft(logo)));
    Image1->resize(logo.size());

    // The window opens with the focus on its close button; Tab reaches the link.
    BtClose->setFocus();
    closeButtonBottomGap_ = kFormHeight - BtClose->y();
    connect(BtClose, &QPushButton::clicked, this, [this] { BtCloseClick(BtClose); });
}
