#include "tests/support/engine_over_image.h"

#include <algorithm>
#include <stdexcept>

#include "platform/win_codes.h"

namespace zr::testing {
namespace {

// The [system] lines of machine.ini that differ between Windows releases.
const char* Release(Windows windows) {
  switch (windows) {
    case Windows::k98:
      return "major=4\nminor=10\nbuild=0x040A08AE\nplatform=1\ncsd=\" A \"\nsystem=C:\\WINDOWS\\SYSTEM\n";
    case Windows::kMe:
      return "major=4\nminor=90\nbuild=0x045A0BB8\nplatform=1\nsystem=C:\\WINDOWS\\SYSTEM\n";
    case Windows::k2000:
      return "major=5\nminor=0\nbuild=2195\nplatform=2\nsystem=C:\\WINDOWS\\system32\n";
    case Windows::kXp:
      return "major=5\nminor=1\nbuild=2600\nplatform=2\nsystem=C:\\WINDOWS\\system32\n";
    case Windows::kNt4:
      return "major=4\nminor=0\nbuild=1381\nplatform=2\nsystem=C:\\WINDOWS\\system32\n";
  }
  return "";
}

}  // namespace

EngineOverImage::EngineOverImage(Windows windows, const std::string& reg, bool admin,
                                 const std::vector<std::string>& protectedKeys, const std::string& program) {
  std::string ini = std::string("[system]\n") + Release(windows) + "windows=C:\\WINDOWS\ncurrent=C:\\" + program +
                    "\ncodepage=932\nadmin=" + (admin ? "1" : "0") + "\n";
  if (!protectedKeys.empty()) ini += "[protected]\n";
  for (std::size_t i = 0; i < protectedKeys.size(); ++i)
    ini += "key" + std::to_string(i + 1) + "=" + protectedKeys[i] + "\n";
  image_.Write("machine.ini", ini);
  image_.Write("HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n\r\n" + reg + "\r\n");
  for (const char* source :
       {"Win98\\tvkusb5.auto", "Win98\\mdmtvk5u.auto", "Win98\\sysfser.sys", "Win98\\sysfser.dll",
        "Win98\\sysfport.vxd", "Win98\\sysfmapr.sys", "WinMe\\tvkusb5.auto", "WinMe\\mdmtvk5u.auto",
        "WinXp\\mdmtvk5u.auto", "USB-Lan\\tvkndis3.auto", "USB-Lan\\tvkndis.sys"})
    WriteC(program + "\\" + source, SourceBytes(source));
  // Windows has these folders from its setup on; the staging copies into them.
  WriteC("WINDOWS\\inf\\setupapi.log", "");
  WriteC("WINDOWS\\system32\\drivers\\usbhub.sys", "usbhub");
  Start();
}

EngineOverImage::EngineOverImage(const std::string& sample) {
  std::filesystem::remove_all(image_.Folder());
  std::filesystem::copy(std::filesystem::path(ZR_SOURCE_DIR) / "machines" / sample, image_.Folder(),
                        std::filesystem::copy_options::recursive);
  Start();
}

void EngineOverImage::Start() {
  std::string error;
  if (!(machine_ = sim::SimMachine::Load(image_.Folder(), error))) throw std::runtime_error(error);
  engine_ = std::make_unique<CRegEdit>(*machine_);
  engine_->Wizard().m_hSheetWnd = &sheet_;
  engine_->CheckWindowsVersion();
}

void EngineOverImage::WriteC(std::string path, const std::string& bytes) {
  std::replace(path.begin(), path.end(), '\\', '/');
  image_.Write("drive_c/" + path, bytes);
}

std::string EngineOverImage::ReadC(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  const bool read = machine_->Files().ReadWholeFile("C:\\" + path, bytes) == win::kSuccess;
  return read ? std::string(bytes.begin(), bytes.end()) : "<missing>";
}

std::size_t EngineOverImage::KeysBelow(const std::string& path) const {
  auto key = machine_->Tree().Find(path);
  return key ? key->CountKeys() : 0;
}

}  // namespace zr::testing
