// The timer window's layout: every control, menu item and property as data.
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>

#include "FontSubstitutions.h"
#include "UnitFmTimerMain.h"
#include "vlmButton.h"

namespace {

// A font by family and character height in pixels; no family: the window's font.
struct TFontSpec {
    const char* Family = nullptr;
    int PixelHeight = 0;
    bool Bold = false;
};

constexpr int kClientWidth = 120;
constexpr int kClientHeight = 120;
constexpr TFontSpec kWindowFont{"ＭＳ Ｐゴシック", 12, false};
constexpr TFontSpec kParentFont{};
constexpr TFontSpec kDigitFont{"Impact", 43, false};

struct TButtonLayout {
    const char* Name;
    TvlmGctButton* TFmTimerMain::*Field;
    int Left, Top, Width, Height;
    const char* Caption;
    TFontSpec Font;
    bool ClickRepeat;
    void (TFmTimerMain::*OnClick)(QObject*);
    QKeyCombination Key; // the window's key that presses it
    int FocusLineWidth = 4; // ring width of the face; the renderer's default unless given
};

const TButtonLayout kButtons[] = {
    {"BTmin", &TFmTimerMain::BTmin, 0, 48, 34, 28, QT_TRANSLATE_NOOP("TFmTimerMain", "分"), kParentFont, true,
     &TFmTimerMain::BTminClick, Qt::Key_M},
    {"BTsec", &TFmTimerMain::BTsec, 86, 48, 34, 28, QT_TRANSLATE_NOOP("TFmTimerMain", "秒"), kParentFont, true,
     &TFmTimerMain::BTsecClick, Qt::Key_S},
    {"BTstart", &TFmTimerMain::BTstart, 28, 56, 64, 52, "START", {"Arial Black", 12, false}, false,
     &TFmTimerMain::BTstartClick, Qt::Key_Space, 8},
    {"BTreset", &TFmTimerMain::BTreset, 0, 88, 34, 28, QT_TRANSLATE_NOOP("TFmTimerMain", "ﾘｾｯﾄ"), kParentFont, true,
     &TFmTimerMain::BTresetClick, Qt::Key_R},
    {"BTclose", &TFmTimerMain::BTclose, 86, 89, 34, 28, QT_TRANSLATE_NOOP("TFmTimerMain", "終了"), kParentFont, false,
     &TFmTimerMain::BTcloseClick, Qt::ALT | Qt::Key_F4},
};

// What screen readers call the buttons: the captions are short marks, the
// names say in full what a press does. START's name follows its caption.
const struct {
    TvlmGctButton* TFmTimerMain::*Field;
    const char* Name;
} kButtonNames[] = {
    {&TFmTimerMain::BTmin, QT_TRANSLATE_NOOP("TFmTimerMain", "1分追加")},
    {&TFmTimerMain::BTsec, QT_TRANSLATE_NOOP("TFmTimerMain", "1秒追加")},
    {&TFmTimerMain::BTreset, QT_TRANSLATE_NOOP("TFmTimerMain", "クリア")},
    {&TFmTimerMain::BTclose, QT_TRANSLATE_NOOP("TFmTimerMain", "タイマーを閉じる")},
};

// Labels are transparent and keep their size; text centred horizontally, at the top.
struct TLabelLayout {
    const char* Name;
    QLabel* TFmTimerMain::*Field;
    int Left, Top, Width, Height;
    const char* Caption;
    TFontSpec Font;
    bool Visible;
};

const TLabelLayout kLabels[] = {
    {"LBmin0", &TFmTimerMain::LBmin0, 5, -4, 25, 48, "0", kDigitFont, true},
    {"LBmin1", &TFmTimerMain::LBmin1, 27, -4, 25, 48, "0", kDigitFont, true},
    {"LBcnt", &TFmTimerMain::LBcnt, 55, -10, 10, 55, ":", kDigitFont, true},
    {"LBsec0", &TFmTimerMain::LBsec0, 66, -4, 25, 48, "0", kDigitFont, true},
    {"LBsec1", &TFmTimerMain::LBsec1, 88, -4, 25, 48, "0", kDigitFont, true},
    {"LbCountUp", &TFmTimerMain::LbCountUp, 31, 44, 57, 12, "COUNT UP", {"Small Fonts", 9, true}, false},
    {"LbRound", &TFmTimerMain::LbRound, 31, 44, 57, 12, "", {"Small Fonts", 9, true}, false},
};

// A level 0 row without a field opens the submenu that holds the level 1 rows
// after it; its handler runs as the menu opens. A row without caption is a
// separator.
struct TMenuLayout {
    const char* Name;
    int Level;
    const char* Caption;
    QAction* TFmTimerMain::*Field;
    void (TFmTimerMain::*OnClick)(QObject*);
    QKeyCombination Shortcut;
    QMenu* TFmTimerMain::*Submenu = nullptr;
};

const TMenuLayout kMenu[] = {
    {"N3", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "背景画像"), nullptr, &TFmTimerMain::N3Click, {}, &TFmTimerMain::N3},
    {"MnBackReset", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "リセット(&R)"), &TFmTimerMain::MnBackReset,
     &TFmTimerMain::MnBackResetClick, {}},
    {"MnBackOpen", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "読込み(&O)"), &TFmTimerMain::MnBackOpen,
     &TFmTimerMain::MnBackOpenClick, {}},
    {"N7", 1, nullptr, &TFmTimerMain::N7, nullptr, {}},
    {"MnBack0", 1, "0：", &TFmTimerMain::MnBack0, &TFmTimerMain::MnBackClick, {}},
    {"MnBack1", 1, "1：", &TFmTimerMain::MnBack1, &TFmTimerMain::MnBackClick, {}},
    {"MnBack2", 1, "2：", &TFmTimerMain::MnBack2, &TFmTimerMain::MnBackClick, {}},
    {"MnBack3", 1, "3：", &TFmTimerMain::MnBack3, &TFmTimerMain::MnBackClick, {}},
    {"MnBack4", 1, "4：", &TFmTimerMain::MnBack4, &TFmTimerMain::MnBackClick, {}},
    {"MnNew", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "新しいタイマー"), &TFmTimerMain::MnNew, &TFmTimerMain::MnNewClick,
     Qt::CTRL | Qt::Key_N},
    {"MnName", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "名前..."), &TFmTimerMain::MnName, &TFmTimerMain::MnNameClick, {}},
    {"MnSound", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "音..."), &TFmTimerMain::MnSound, &TFmTimerMain::MnSoundClick, {}},
    {"MnUntil", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "時刻まで..."), &TFmTimerMain::MnUntil,
     &TFmTimerMain::MnUntilClick, {}},
    {"MnMove", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "移動(&M)"), &TFmTimerMain::MnMove, &TFmTimerMain::MnMoveClick,
     {}},
    {"MnRecent", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "最近の時間"), nullptr, &TFmTimerMain::MnRecentShow, {},
     &TFmTimerMain::MnRecent},
    {"MnRecent0", 1, "", &TFmTimerMain::MnRecent0, &TFmTimerMain::MnRecentClick, {}},
    {"MnRecent1", 1, "", &TFmTimerMain::MnRecent1, &TFmTimerMain::MnRecentClick, {}},
    {"MnRecent2", 1, "", &TFmTimerMain::MnRecent2, &TFmTimerMain::MnRecentClick, {}},
    {"MnRecent3", 1, "", &TFmTimerMain::MnRecent3, &TFmTimerMain::MnRecentClick, {}},
    {"MnRecent4", 1, "", &TFmTimerMain::MnRecent4, &TFmTimerMain::MnRecentClick, {}},
    {"MnWarn", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "終了前に知らせる"), nullptr, &TFmTimerMain::MnWarnShow, {},
     &TFmTimerMain::MnWarn},
    // As many as the choices of UnitFmTimerMainWarn.cpp, in their order.
    {"MnWarn10", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "10 秒前"), nullptr, &TFmTimerMain::MnWarnClick, {}},
    {"MnWarn30", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "30 秒前"), nullptr, &TFmTimerMain::MnWarnClick, {}},
    {"MnWarn60", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "1 分前"), nullptr, &TFmTimerMain::MnWarnClick, {}},
    {"MnWarn120", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "2 分前"), nullptr, &TFmTimerMain::MnWarnClick, {}},
    {"MnWarn300", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "5 分前"), nullptr, &TFmTimerMain::MnWarnClick, {}},
    {"MnWarn600", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "10 分前"), nullptr, &TFmTimerMain::MnWarnClick, {}},
    {"MnWarn0", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "オフ"), nullptr, &TFmTimerMain::MnWarnClick, {}},
    {"MnRepeat", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "繰り返し"), nullptr, &TFmTimerMain::MnRepeatShow, {},
     &TFmTimerMain::MnRepeat},
    // As many as the choices of UnitFmTimerMainRepeat.cpp, in their order.
    {"MnRepeat0", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "オフ"), nullptr, &TFmTimerMain::MnRepeatClick, {}},
    {"MnRepeat2", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "2 回"), nullptr, &TFmTimerMain::MnRepeatClick, {}},
    {"MnRepeat3", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "3 回"), nullptr, &TFmTimerMain::MnRepeatClick, {}},
    {"MnRepeat4", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "4 回"), nullptr, &TFmTimerMain::MnRepeatClick, {}},
    {"MnRepeat5", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "5 回"), nullptr, &TFmTimerMain::MnRepeatClick, {}},
    {"MnRepeat6", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "6 回"), nullptr, &TFmTimerMain::MnRepeatClick, {}},
    {"MnRepeat8", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "8 回"), nullptr, &TFmTimerMain::MnRepeatClick, {}},
    {"MnRepeat10", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "10 回"), nullptr, &TFmTimerMain::MnRepeatClick, {}},
    {"MnRepeatForever", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "止めるまで"), nullptr, &TFmTimerMain::MnRepeatClick,
     {}},
    {"MnRepeatOther", 1, QT_TRANSLATE_NOOP("TFmTimerMain", "回数..."), nullptr, &TFmTimerMain::MnRepeatClick, {}},
    {"N4", 0, nullptr, &TFmTimerMain::N4, nullptr, {}},
    {"N1", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "ソフトウェア情報(&I)"), &TFmTimerMain::N1, &TFmTimerMain::N1Click, {}},
    {"N2", 0, QT_TRANSLATE_NOOP("TFmTimerMain", "終了(&X)"), &TFmTimerMain::N2, &TFmTimerMain::BTcloseClick,
     Qt::ALT | Qt::Key_F4},
};

// The face settings all five buttons share; the rest keep the renderer's defaults.
void ApplyButtonFace(TvlmBtnDraw& face, int focusLineWidth)
{
    face.SetStyle(bsCircle);
    face.SetRegion(true);
    face.SetTextEmboss(true);
    face.SetTransParent(true);
    face.SetColorDown(0x00000000);
    face.SetColorOver(0x0060A0FF);
    face.SetColorFocus(0x00FFA080);
    face.SetOverDrawType(dtMulti);
    face.SetFaceMonoColor(false);
    face.SetFocusLineWidth(focusLineWidth);
}

// A caption of the tables in the user's language; those not marked for
// translation (digits, START) come back as they are.
QString Translated(const char* caption)
{
    return QCoreApplication::translate("TFmTimerMain", caption);
}

QFont MakeFont(const TFontSpec& font, const QFont& parentFont)
{
    if (!font.Family)
        return parentFont;
    return LayoutFont(QString::fromUtf8(font.Family), font.PixelHeight, font.Bold);
}

} // namespace

void TFmTimerMain::BuildControls()
{
    setObjectName(QStringLiteral("FmTimerMain"));
    setWindowTitle(QStringLiteral("Pocosa"));
    resize(kClientWidth, kClientHeight);
    setFont(MakeFont(kWindowFont, font()));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    // Under the digits, so that it takes no clicks from them.
    TimeText = new QWidget(this);
    TimeText->setObjectName(QStringLiteral("LBtime"));
    TimeText->setGeometry(5, 0, 108, 44);
    TimeText->setAttribute(Qt::WA_TransparentForMouseEvents);

    for (const TLabelLayout& row : kLabels) {
        auto* label = new QLabel(QString::fromUtf8(row.Caption), this);
        this->*row.Field = label;
        label->setObjectName(QString::fromUtf8(row.Name));
        label->setGeometry(row.Left, row.Top, row.Width, row.Height);
        label->setFont(MakeFont(row.Font, font()));
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        label->setAutoFillBackground(false);
        label->setVisible(row.Visible);
        // A name of its own keeps a label from telling screen readers each
        // new text; the digits are not in the window's accessible tree.
        if (row.Field != &TFmTimerMain::LbCountUp && row.Field != &TFmTimerMain::LbRound)
            label->setAccessibleName(QString::fromUtf8(row.Name));
    }
    for (const TButtonLayout& row : kButtons) {
        auto* button = new TvlmGctButton(this);
        this->*row.Field = button;
        button->setObjectName(QString::fromUtf8(row.Name));
        button->SetBounds(row.Left, row.Top, row.Width, row.Height);
        ApplyButtonFace(*button->BtnDraw(), row.FocusLineWidth);
        button->SetCaption(Translated(row.Caption));
        button->setFont(MakeFont(row.Font, font()));
        button->SetClickRepeat(row.ClickRepeat);
        // Tab and Shift+Tab go round the buttons in this order.
        button->setFocusPolicy(Qt::TabFocus);
        button->SetKey(QKeySequence(row.Key));
        button->OnClick = [this, handler = row.OnClick](QObject* sender) { (this->*handler)(sender); };
    }

    for (const auto& row : kButtonNames)
        (this->*row.Field)->setAccessibleName(Translated(row.Name));

    // The tick is the timer's own.
    Timer1 = model_->TickTimer();
}

void TFmTimerMain::BuildMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QMenu* submenu = nullptr;
    for (const TMenuLayout& row : kMenu) {
        const QString name = QString::fromUtf8(row.Name);
        if (row.Level == 0 && !row.Field) {
            submenu = PopupMenu1->addMenu(Translated(row.Caption));
            submenu->setObjectName(name);
            submenu->menuAction()->setObjectName(name);
            this->*row.Submenu = submenu;
            // Also as the whole menu opens: a submenu may be disabled.
            for (QMenu* opening : {PopupMenu1, submenu}) {
                connect(opening, &QMenu::aboutToShow, this, [this, submenu, handler = row.OnClick] {
                    (this->*handler)(submenu);
                });
            }
            continue;
        }
        QMenu* menu = row.Level == 0 ? PopupMenu1 : submenu;
        QAction* action = row.Caption ? menu->addAction(Translated(row.Caption)) : menu->addSeparator();
        action->setObjectName(name);
        if (row.Field)
            this->*row.Field = action;
        if (row.Shortcut != QKeyCombination()) {
            action->setShortcut(QKeySequence(row.Shortcut));
            // A held Ctrl+N opens one timer, not one per key repeat.
            action->setAutoRepeat(false);
            // Also active while the menu is closed, as the window's own shortcut.
            addAction(action);
        }
        if (row.OnClick) {
            connect(action, &QAction::triggered, this, [this, action, handler = row.OnClick] {
                (this->*handler)(action);
            });
        }
    }
}
