#pragma once

#include <QLabel>
#include <QString>

class QEnterEvent;
class QMouseEvent;

// A text label that acts as a hyperlink: hand cursor, underlined while the
// mouse is over it, and a click hands its target to the desktop (a web page,
// a mail address, a file or a folder). The target is LinkURL, or the caption
// while LinkURL is empty. It takes the focus with Tab, shows it with a
// dotted frame and opens with Return, Enter or Space; screen readers see a
// link with a press action.
class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLinkLabel(QWidget* owner = nullptr);

    QString LinkURL() const { return linkURL_; }
    // A value naming an existing file shows just the file name as caption;
    // one naming an existing folder shows the path before its last '/'.
    // Anything else (a web or mail address) leaves the caption alone.
    void SetLinkURL(const QString& value);

    // What a mouse click does: clicked() first, then the target is opened
    // as a document when a file or folder exists under it, else as a link.
    void Click();

Q_SIGNALS:
    // The label's OnClick event, raised before the target is opened.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetFontStyle(bool underline);

    QString linkURL_;
    bool pressed_ = false;
};
