// Resource ids shared by the program's .rc and its code.
#pragma once

namespace zr::win32ui {

inline constexpr int kProgramIcon = 1;

}  // namespace zr::win32ui
