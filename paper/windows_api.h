#pragma once
// The Windows API, for the paper layer's Windows code, without the min and
// max macros that would break std::min and std::max.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
