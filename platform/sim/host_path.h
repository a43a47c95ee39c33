// Maps Windows paths of a simulated machine onto its image folder:
// "C:\WINDOWS\inf\oem3.inf" -> <image>/drive_c/WINDOWS/inf/oem3.inf, each
// component matched without regard to case. The walk never leaves the drive
// folder ("..": stays at the drive root) and never follows a symbolic link,
// so nothing outside the image can be reached.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace zr::sim {

struct HostPath {
  std::filesystem::path host;  // where the object is or would be created
  bool exists = false;
  bool isFolder = false;
  // kSuccess when the object exists; kFileNotFound when only the last
  // component is missing (host names where it would be created);
  // kPathNotFound when a folder on the way is missing or is a file;
  // kAccessDenied when a component is a symbolic link.
  std::uint32_t error = 0;
};

class HostPathResolver {
 public:
  HostPathResolver(std::filesystem::path imageFolder, unsigned codePage, std::string currentDir)
      : image_(std::move(imageFolder)), codePage_(codePage), currentDir_(std::move(currentDir)) {}
  // Drive C: is `driveC` itself (an installed Windows's mounted partition);
  // other letters have no folder.
  static HostPathResolver ForDriveC(std::filesystem::path driveC, unsigned codePage, std::string currentDir) {
    HostPathResolver resolver({}, codePage, std::move(currentDir));
    resolver.driveC_ = std::move(driveC);
    return resolver;
  }

  HostPath Resolve(std::string_view windowsPath) const;

  // The drive folder of a letter, e.g. <image>/drive_c.
  std::filesystem::path DriveFolder(char letter) const;

 private:
  std::filesystem::path image_;
  std::filesystem::path driveC_;
  unsigned codePage_;
  std::string currentDir_;
};

}  // namespace zr::sim
