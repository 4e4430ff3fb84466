// Shared main of every test executable: a private HOME and XDG folders so that
// no test touches the user's files, the offscreen platform, one application
// object.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include "TestEnv.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    pocosa::test::pointHomeAt(home.path());
    // The programs a test runs speak English, whatever the developer's
    // locale, unless the test asks for another language.
    qputenv("LANGUAGE", "en");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QApplication> app = pocosa::test::MakeTestApplication
                                                  ? pocosa::test::MakeTestApplication(argc, argv)
                                                  : std::make_unique<QApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
