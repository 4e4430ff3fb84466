#pragma once

#include <QEvent>

class TBitmap;

// Window messages that components send to each other. Each is a custom QEvent
// type delivered synchronously with QCoreApplication::sendEvent, so the
// receiver has finished with it when sendEvent returns.

// Colour reset: a window carrying a TvlmFormFunc raises its OnColorReset.
inline constexpr QEvent::Type kColorResetEvent = QEvent::Type(1124);

// Background notification: sent to every child control of a window after the
// window got a new background. Background() is the window's 32-bit background
// picture; it stays owned by the sender and is only valid during delivery.
inline constexpr QEvent::Type kBackgroundNotifyEvent = QEvent::Type(1126);

class TBackgroundNotifyEvent : public QEvent {
public:
    explicit TBackgroundNotifyEvent(TBitmap* background)
        : QEvent(kBackgroundNotifyEvent), background_(background) {}

    TBitmap* Background() const { return background_; }

private:
    TBitmap* background_;
};
