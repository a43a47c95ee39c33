// The drive / folder / name / extension split of a Windows path, as the C
// runtime's _splitpath does it: a drive only for "X:" at the start, the
// folder up to and including the last '\' or '/', the extension from the
// last '.' of the rest.
#pragma once

#include <string>
#include <string_view>

namespace zr {

struct PathParts {
  std::string drive;
  std::string dir;
  std::string fname;
  std::string ext;
};

PathParts SplitWindowsPath(std::string_view path);

}  // namespace zr
