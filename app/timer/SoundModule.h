#pragma once

#include "TimerServices.h"

// The sound module (pocosa-sound.so beside the program) exports one function
// of this name and type; it returns a new player owned by the caller.
inline constexpr const char* kSoundModuleEntry = "pocosa_make_sound_service";
extern "C" {
using TMakeSoundService = TSoundService* (*)();
}
