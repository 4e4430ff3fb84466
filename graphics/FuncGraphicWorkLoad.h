#pragma once

#include "Bitmap.h"
