// A machine image in a fresh temporary folder, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace zr::testing {

class TempImage {
 public:
  // An XP machine (platform 2) with an empty drive C: unless told otherwise.
  TempImage();
  ~TempImage();
  TempImage(const TempImage&) = delete;
  TempImage& operator=(const TempImage&) = delete;

  const std::filesystem::path& Folder() const { return folder_; }
  void Write(const std::string& relative, const std::string& bytes) const;
  std::string Read(const std::string& relative) const;

  static std::string XpIni();
  static std::string Win98Ini();

 private:
  std::filesystem::path folder_;
};

}  // namespace zr::testing
