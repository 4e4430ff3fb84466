#include "BenchApplication.h"

#include <QApplication>

void EnsureBenchApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "pocosa-bench";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // never freed: benchmarks run until exit
}
