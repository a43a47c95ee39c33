// Access lists for registry keys, built from well-known SIDs.
#pragma once

#include <initializer_list>

#include "platform/win32/windows_api.h"

namespace zr::win32 {

enum class WellKnownSid {
  Interactive,     // S-1-5-4
  Administrators,  // S-1-5-32-544
  Everyone,        // S-1-1-0
};

struct AccessGrant {
  WellKnownSid who;
  DWORD mask;
};

// RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, sd) where sd holds a
// present, not defaulted DACL with one access-allowed entry per grant, in
// the order given, no inheritance flags. Returns the call's result, or the
// last error of the step that failed before it.
LONG SetKeyAccessList(HKEY key, std::initializer_list<AccessGrant> grants);

}  // namespace zr::win32
