#include "ProgramFolder.h"

#include <QCoreApplication>

QString TimerProgramDir()
{
    return QCoreApplication::applicationDirPath();
}
