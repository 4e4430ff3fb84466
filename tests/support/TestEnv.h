#pragma once

#include <QString>

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

} // namespace pocosa::test
