#include "ProgramFolder.h"

#include <QCoreApplication>

#include "vlmGlobal.h"

QString TimerProgramDir()
{
    return AppGlobal ? AppGlobal->ProgramDir() : QCoreApplication::applicationDirPath();
}
