// In-memory dialog templates (DLGTEMPLATE followed by its DLGITEMTEMPLATEs)
// built from the program's template data in res/, for property pages made
// with PSP_DLGINDIRECT. Building them at run time keeps res/ the one place
// where a page's controls are described; no .rc copy can drift from it.
#pragma once

#include <cstdint>
#include <vector>

#include "res/dialogs.h"

namespace zr::win32ui {

// The template as 16-bit units: the format is a sequence of WORDs and
// DWORDs with DWORD alignment measured from its start, so the buffer's
// first unit must lie on a DWORD boundary (std::vector's storage does).
using TemplateUnits = std::vector<std::uint16_t>;

TemplateUnits BuildDialogTemplate(const res::Dialog& dialog);

// The window style of a control as the template gives it.
std::uint32_t ControlStyle(const res::Control& control);

}  // namespace zr::win32ui
