// Rewrites application.ini in an endless burst until it is killed; used by
// the settings store's kill test. Arguments: program file, machine-wide
// registry folder.
#include "vlmGlobal.h"

#include <QSettings>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, QString::fromLocal8Bit(argv[2]));
    TvlmGlobalSetup setup;
    setup.ProgramFile = QString::fromLocal8Bit(argv[1]);
    vlmGlobalUnit unit(setup);
    const QString padding(300, QLatin1Char('x'));
    AppGlobal->WriteIniString(QStringLiteral("FIXED"), QStringLiteral("kept"), QStringLiteral("yes"));
    for (long n = 0;; ++n) {
        const QString key = QStringLiteral("key%1").arg(n % 20);
        AppGlobal->WriteIniString(QStringLiteral("BURST"), key, QStringLiteral("v%1-").arg(n) + padding);
        if (n == 19) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
