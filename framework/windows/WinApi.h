// Windows' own headers for the editor's window code, and only there. Three of
// their macros rename functions of ours (DrawText, LoadBitmap, FindResource
// become their ...A forms), so they are taken back at once.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef DrawText
#undef LoadBitmap
#undef FindResource
