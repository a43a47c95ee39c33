#include "platform/sim/host_path.h"

#include <cctype>
#include <system_error>
#include <vector>

#include "platform/sim/reg_tree.h"
#include "platform/text/codepage.h"
#include "platform/win_codes.h"

namespace fs = std::filesystem;

namespace zr::sim {
namespace {

constexpr unsigned kUtf8 = 65001;

std::vector<std::string> SplitComponents(std::string_view path) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : path) {
    if (c == '\\' || c == '/') {
      parts.push_back(std::move(part));
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(std::move(part));
  return parts;
}

// The entry of `folder` whose name matches `name` without regard to case;
// an exact match wins. Empty when there is none.
fs::path MatchEntry(const fs::path& folder, const std::string& utf8Name) {
  std::error_code ec;
  if (fs::exists(folder / utf8Name, ec) || fs::is_symlink(folder / utf8Name, ec)) return folder / utf8Name;
  const std::u16string wanted = FoldName(utf8Name, kUtf8);
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    if (FoldName(entry.path().filename().string(), kUtf8) == wanted) return entry.path();
  }
  return {};
}

}  // namespace

fs::path HostPathResolver::DriveFolder(char letter) const {
  if (!driveC_.empty()) return std::tolower(static_cast<unsigned char>(letter)) == 'c' ? driveC_ : fs::path();
  return image_ / (std::string("drive_") + static_cast<char>(std::tolower(static_cast<unsigned char>(letter))));
}

HostPath HostPathResolver::Resolve(std::string_view windowsPath) const {
  HostPath out;
  out.error = win::kPathNotFound;
  // Split in UTF-8, where no byte of a character can be taken for a '\\' (in
  // Shift-JIS the second byte of a character may be 0x5C).
  std::string path = text::ToUtf8(windowsPath, codePage_);
  if (path.empty()) return out;
  const bool hasDrive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
  if (!hasDrive) {
    if (path[0] == '\\' || path[0] == '/') {
      if (path.size() > 1 && (path[1] == '\\' || path[1] == '/')) return out;  // UNC: no share here
      path = text::ToUtf8(currentDir_, codePage_).substr(0, 2) + path;
    } else {
      path = text::ToUtf8(currentDir_, codePage_) + "\\" + path;
    }
  }
  if (path.size() < 2 || !std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':') return out;
  const fs::path drive = DriveFolder(path[0]);
  std::error_code ec;
  if (!fs::is_directory(drive, ec) || fs::is_symlink(drive, ec)) return out;

  std::vector<std::string> parts = SplitComponents(std::string_view(path).substr(2));
  const bool trailingSeparator = parts.size() > 1 && parts.back().empty();
  // Resolve "." and ".." first, as Windows does before it looks at the disk.
  std::vector<std::string> names;
  for (std::string& part : parts) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    names.push_back(std::move(part));
  }

  fs::path current = drive;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const bool last = i + 1 == names.size();
    fs::path match = MatchEntry(current, names[i]);
    if (!match.empty() && fs::is_symlink(match, ec)) {
      // A link could lead out of the image; it is neither followed nor
      // replaced.
      out.error = win::kAccessDenied;
      return out;
    }
    if (match.empty()) {
      if (!last || trailingSeparator) return out;
      out.host = current / names[i];
      out.error = win::kFileNotFound;
      return out;
    }
    const bool folder = fs::is_directory(match, ec);
    if (!last && !folder) return out;
    current = match;
  }
  out.host = current;
  out.exists = true;
  out.isFolder = fs::is_directory(current, ec);
  if (!out.isFolder && trailingSeparator) {
    out = HostPath{};
    out.error = win::kPathNotFound;
    return out;
  }
  out.error = win::kSuccess;
  return out;
}

}  // namespace zr::sim
