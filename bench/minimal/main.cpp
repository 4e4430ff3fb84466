// The yardstick for Pocosa's start-up: the least a Qt Widgets program does
// to show one 130 x 124 frameless window with three labels. With
// POCOSA_FIRST_FRAME set it prints "first-frame <CLOCK_MONOTONIC ns>" when
// the window paints for the first time, exactly as Pocosa does.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstdio>
#include <ctime>

namespace {

class FirstFrameWindow : public QWidget {
public:
    FirstFrameWindow() : QWidget(nullptr, Qt::FramelessWindowHint) {}

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QWidget::paintEvent(event);
        if (!reported_ && qEnvironmentVariableIsSet("POCOSA_FIRST_FRAME")) {
            reported_ = true;
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            std::printf("first-frame %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fflush(stdout);
        }
    }

private:
    bool reported_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    FirstFrameWindow window;
    window.resize(130, 124);
    const char* texts[] = {"00", ":", "00"};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(QString::fromLatin1(texts[i]), &window);
        label->setGeometry(5 + i * 40, 0, 40, 48);
    }
    window.show();
    return app.exec();
}
