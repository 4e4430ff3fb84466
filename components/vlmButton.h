#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QTimer;

// A round push button for the timer window. This is the plain version: it
// keeps the interaction state (pointer over, pressed), raises OnClick for a
// standard left click and, with ClickRepeat on, while the left button is held
// (first repeat 500 ms after the press, then every 80 ms after each handler
// returned). Enabled state is QWidget's own. The skinned face replaces the
// drawing later; the interface stays.
class TvlmGctButton : public QWidget {
public:
    explicit TvlmGctButton(QWidget* parent = nullptr);
    ~TvlmGctButton() override;

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

    bool ClickRepeat() const { return clickRepeat_; }
    void SetClickRepeat(bool repeat);

    bool MouseOver() const { return mouseOver_; }
    bool Pressed() const { return pressed_; }

    // Called with this button as sender; only when assigned.
    std::function<void(QObject* sender)> OnClick;

    static constexpr int kFirstRepeatMs = 500;
    static constexpr int kRepeatMs = 80;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Click();
    void RepeatTimerTick();
    void StopRepeat();
    void PointerLeft();

    QString caption_;
    bool clickRepeat_ = false;
    bool mouseOver_ = false;
    bool pressed_ = false;
    // Exists only while ClickRepeat is on; runs only while the button is held.
    QTimer* repeatTimer_ = nullptr;
};
