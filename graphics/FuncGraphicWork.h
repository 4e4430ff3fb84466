#pragma once

// Picture work: the 32-bit pixel operations, the PNG reader and the picture
// loaders. Each part has its own header; include this one to get them all.
#include "FuncGraphicWorkPixels.h"
#include "FuncGraphicWorkPng.h"
#include "FuncGraphicWorkLoad.h"
