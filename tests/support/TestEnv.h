#pragma once

#include <QString>

namespace pocosa::test {

// Points HOME and the XDG folders at fresh folders below root.
void pointHomeAt(const QString& root);

// Folder of the repository's test data (tests/data).
QString testDataDir();

// Root of the source tree.
QString sourceDir();

} // namespace pocosa::test
