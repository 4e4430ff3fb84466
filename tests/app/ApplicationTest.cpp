// The program's application object: a failure escaping an event handler is
// shown with its message and the program goes on.
#include <gtest/gtest.h>

#include <QEvent>

#include <stdexcept>

#include "PocosaApplication.h"
#include "TestEnv.h"

// Every test of this executable runs under the program's own application
// class; an error box nobody expects fails the running test.
std::unique_ptr<QApplication> pocosa::test::MakeTestApplication(int& argc, char** argv)
{
    auto app = std::make_unique<TPocosaApplication>(argc, argv);
    app->ShowError = [](const QString& message) { ADD_FAILURE() << "error shown: " << message.toStdString(); };
    return app;
}

namespace {

// Throws from its event handler whatever it is told to.
class TFailingObject : public QObject {
public:
    std::function<void()> Fail;
    int Handled = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++Handled;
        if (Fail)
            Fail();
        return true;
    }
};

class ApplicationErrors : public ::testing::Test {
protected:
    void SetUp() override
    {
        app = static_cast<TPocosaApplication*>(qApp);
        saved = app->ShowError;
        app->ShowError = [this](const QString& message) {
            shown << message;
            if (DuringShow)
                DuringShow();
        };
    }
    void TearDown() override { app->ShowError = saved; }

    void Deliver(TFailingObject& target)
    {
        QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
    }

    TPocosaApplication* app = nullptr;
    std::function<void(const QString&)> saved;
    std::function<void()> DuringShow;
    QStringList shown;
};

TEST_F(ApplicationErrors, AFailureIsShownWithItsMessageAndEventsGoOn)
{
    TFailingObject target;
    target.Fail = [] { throw std::runtime_error("ビットマップ画像が不正です"); };
    Deliver(target);
    EXPECT_EQ(shown, QStringList{"ビットマップ画像が不正です"});
    target.Fail = [] { throw 42; };
    Deliver(target);
    target.Fail = nullptr;
    Deliver(target);
    EXPECT_EQ(shown, (QStringList{"ビットマップ画像が不正です", "Unknown error"}));
    EXPECT_EQ(target.Handled, 3) << "the event loop went on after each failure";
}

TEST_F(ApplicationErrors, FailuresWhileAnErrorIsShownDoNotStackUp)
{
    // A message box runs an event loop of its own; a timer failing on every
    // tick must not open a box on top of a box.
    TFailingObject target;
    target.Fail = [] { throw std::runtime_error("tick failed"); };
    int nested = 0;
    DuringShow = [&] {
        for (int i = 0; i < 3; ++i) {
            ++nested;
            Deliver(target);
        }
    };
    Deliver(target);
    EXPECT_EQ(nested, 3);
    EXPECT_EQ(target.Handled, 4);
    EXPECT_EQ(shown, QStringList{"tick failed"});
    DuringShow = nullptr;
    Deliver(target);
    EXPECT_EQ(shown, (QStringList{"tick failed", "tick failed"})) << "shown again once the first is closed";
}

} // namespace
