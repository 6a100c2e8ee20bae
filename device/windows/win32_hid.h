// The Win32 headers the backend needs, in one place. mingw-w64's hidsdi.h and
// hidpi.h declare C functions without extern "C" guards, so they are wrapped
// here; including them anywhere else would give C++ names that never link.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <ntdef.h>
#include <setupapi.h>
#include <winioctl.h>

// hidsdi.h brings hidusage.h and hidpi.h, in the order they need.
extern "C" {
#include <hidsdi.h>
}
#include <hidclass.h>
