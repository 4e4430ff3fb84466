#pragma once

#include "Bitmap.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;
class QPushButton;
class TLinkLabel;
class TvlmFormFunc;

// The maker's web site (scheme and host), the package's home page as well;
// the information page about a program lies below it.
inline constexpr char kMakerSite[] = "https://vlm.example";

// The software-information window: title, icon, program file name, version,
// the maker and a link to the maker's page about this program. Borderless,
// white, always on top, 247 x 222 pixels, centred on the primary screen; it
// exists only while it is shown.
class TFormVersionInfo : public QDialog {
    Q_OBJECT

public:
    explicit TFormVersionInfo(QWidget* owner);
    ~TFormVersionInfo() override;

    QLabel* ImgAppTitle = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* ImgIcon = nullptr;
    QLabel* LBexe = nullptr;
    QLabel* LBversion = nullptr;
    QLabel* Label1 = nullptr;
    TLinkLabel* LinkLabel1 = nullptr;
    QPushButton* BtClose = nullptr;
    TvlmFormFunc* vlmFormFunc1 = nullptr;

    // The picture ImgAppTitle shows, as FormCreate made it.
    const TBitmap& AppTitlePicture() const { return appTitle_; }

    void FormCreate(QObject* Sender);
    void FormPaint(QObject* Sender);
    void BtCloseClick(QObject* Sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void CreateFormFunc();
    void LoadAppTitle();

    TBitmap appTitle_;
    // BtClose keeps this distance to the bottom edge (anchored left and bottom).
    int closeButtonBottomGap_ = 0;
};

// The window being shown, null while there is none.
extern QPointer<TFormVersionInfo> FormVersionInfo;

// Shows the one window of the program (not modal, owned by no timer
// window; an open one comes to the front) and releases it once it is closed
// and control is back in the event loop.
void ShowVersionInfo(QWidget* owner);

// The maker's page about the program with that internal name.
QString VersionInfoLinkURL(const QString& internalName);

// The title drawn from the product name: written with a 64-pixel font into a
// 320 x 64 picture, then halved to a smoothed 160 x 32 one (32-bit).
void DrawAppTitle(TBitmap& picture, const QString& productName);

// A picture control's transparency: every pixel of the bottom-left pixel's
// colour becomes transparent; alpha is otherwise ignored (the picture is shown
// opaque, as a 24-bit one would be).
QImage TransparentByBottomLeft(const QImage& picture);
