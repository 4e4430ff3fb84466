#pragma once

#include <QString>

// The folder of the program file, without trailing delimiter. It holds
// timer.wav and the program's picture folders.
QString TimerProgramDir();
