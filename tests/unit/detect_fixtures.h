// Building blocks of the detection tests: registry keys as .reg text, the
// work file as it lies on disk, INF file bodies in the encodings Windows
// writes them in, and machines of Windows versions the engine does not
// support.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/profile_store.h"
#include "engine/reg_edit.h"
#include "platform/sim/machine.h"
#include "platform/win_codes.h"
#include "tests/support/engine_machine.h"

namespace zr::testing {

using RegValues = std::vector<std::pair<std::string, std::string>>;

// One key of a REGEDIT4 file with string values.
inline std::string RegKeyText(std::string_view path, const RegValues& values = {}) {
  auto quoted = [](std::string_view s) {
    std::string out = "\"";
    for (char c : s) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out + "\"";
  };
  std::string text = "[HKEY_LOCAL_MACHINE\\" + std::string(path) + "]\r\n";
  for (const auto& [name, value] : values) text += quoted(name) + "=" + quoted(value) + "\r\n";
  return text + "\r\n";
}

// The work file on disk, read afresh (not through the engine's store).
class WorkFileOnDisk {
 public:
  WorkFileOnDisk(IFiles& files, std::string_view path) : files_(files), path_(path) {}
  explicit WorkFileOnDisk(EngineMachine& m) : WorkFileOnDisk(m.Machine().Files(), m.Engine().m_szWorkFile.view()) {}

  bool Exists() const { return files_.ProbeExisting(path_) == win::kSuccess; }

  // nullopt when the key is not in the file.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const {
    constexpr std::string_view kAbsent = "\x01" "absent";
    ProfileStore store(files_, path_);
    std::string text = store.GetString(section, key, kAbsent, 260);
    if (text == kAbsent) return std::nullopt;
    return text;
  }

  std::string Bytes() const {
    std::vector<std::uint8_t> bytes;
    files_.ReadWholeFile(path_, bytes);
    return std::string(bytes.begin(), bytes.end());
  }

 private:
  IFiles& files_;
  std::string path_;
};

inline std::string Utf16Le(std::string_view ascii, bool byteOrderMark) {
  std::string out = byteOrderMark ? std::string("\xFF\xFE", 2) : std::string();
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

// A machine image of any Windows version, for the versions EngineMachine
// does not make.
class VersionMachine {
 public:
  VersionMachine(std::string_view systemSection, const std::string& reg) {
    image_.Write("machine.ini", "[system]\n" + std::string(systemSection) +
                                    "windows=C:\\WINDOWS\nsystem=C:\\WINDOWS\\system32\ncurrent=C:\\\n"
                                    "codepage=932\nadmin=1\n");
    image_.Write("HKLM.reg", "REGEDIT4\r\n\r\n" + reg);
  }
  TempImage& Image() { return image_; }
  // Loads the image and makes the engine; the version is decided at once.
  CRegEdit& Start() {
    std::string error;
    machine_ = sim::SimMachine::Load(image_.Folder(), error);
    if (!machine_) throw std::runtime_error(error);
    engine_ = std::make_unique<CRegEdit>(*machine_);
    engine_->CheckWindowsVersion();
    return *engine_;
  }
  sim::SimMachine& Machine() { return *machine_; }

 private:
  TempImage image_;
  std::unique_ptr<sim::SimMachine> machine_;
  std::unique_ptr<CRegEdit> engine_;
};

}  // namespace zr::testing
