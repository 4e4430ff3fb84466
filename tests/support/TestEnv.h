#pragma once

#include <QString>

#include <memory>

class QApplication;

namespace pocosa::test {

// Points HOME and the XDG folders at fresh folders below root.
void pointHomeAt(const QString& root);

// Folder of the repository's test data (tests/data).
QString testDataDir();

// The test data shared between projects, laid beside the repository
// (../shared/testdata); never copied into it.
QString sharedTestDataDir();

// Root of the source tree.
QString sourceDir();

// Root of the build tree (executables in bin/, tests in tests/).
QString buildDir();

// The application object of a test executable. One that needs the
// program's own application class defines this; the others get a plain
// QApplication.
[[gnu::weak]] std::unique_ptr<QApplication> MakeTestApplication(int& argc, char** argv);

} // namespace pocosa::test
