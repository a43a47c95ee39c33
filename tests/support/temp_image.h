// A machine image in a fresh temporary folder, removed afterwards.
#pragma once

#include <filesystem>
#include <string>

namespace zr::sim {
class SimMachine;
}

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

  // Writes plug.reg with these keys and merges it into the running machine,
  // as plugging in a device does; throws when the machine refuses it.
  void Plug(sim::SimMachine& machine, const std::string& regBody) const;

  static std::string XpIni();

 private:
  std::filesystem::path folder_;
};

}  // namespace zr::testing
