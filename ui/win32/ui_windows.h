// The front end's view of the window system: <windows.h> through the
// platform layer's one header, plus the common controls. Only ui/win32
// includes this.
#pragma once

#include "platform/win32/windows_api.h"

#include <commctrl.h>
#include <prsht.h>
