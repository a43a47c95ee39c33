// The conformance World over the simulated machine. ZR_SIM_PLATFORM=1 makes
// a Windows 98 machine, anything else a Windows XP one; CTest runs the suite
// once in each mode.
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/sim/host_path.h"
#include "platform/sim/machine.h"
#include "platform/win_codes.h"
#include "tests/conformance/world.h"

namespace fs = std::filesystem;

namespace zr::conformance {
namespace {

std::string Sanitise(const std::string& name) {
  std::string out;
  for (char c : name) out += (std::isalnum(static_cast<unsigned char>(c)) || c == '_') ? c : '_';
  return out;
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

class SimWorld final : public World {
 public:
  explicit SimWorld(const std::string& test) : name_(Sanitise(test)) {
    const char* mode = std::getenv("ZR_SIM_PLATFORM");
    nine_ = mode != nullptr && std::string(mode) == "1";
    folder_ = fs::temp_directory_path() / ("zr_conf_" + std::to_string(::getpid()) + "_" + name_);
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "drive_c" / "WINDOWS" / (nine_ ? "SYSTEM" : "system32"));
    fs::create_directories(folder_ / "drive_c" / "zr_conf" / name_);
    WriteText(folder_ / "machine.ini",
              nine_ ? "[system]\nmajor=4\nminor=10\nbuild=0x040A08AE\nplatform=1\ncsd=\" A \"\nwindows=C:\\WINDOWS\n"
                      "system=C:\\WINDOWS\\SYSTEM\n"
                    : "[system]\nmajor=5\nminor=1\nbuild=2600\nplatform=2\ncsd=Service Pack 3\n"
                      "windows=C:\\WINDOWS\nsystem=C:\\WINDOWS\\system32\n");
    WriteText(folder_ / "HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + RegRoot() + "]\r\n\r\n");
    std::string error;
    machine_ = sim::SimMachine::Load(folder_, error);
    if (!machine_) throw std::runtime_error(error);
  }
  ~SimWorld() override {
    machine_.reset();
    std::error_code ec;
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto& entry : fs::recursive_directory_iterator(folder_, ec))
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove_all(folder_, ec);
  }

  IPlatform& Platform() override { return *machine_; }
  std::uint32_t PlatformId() const override { return nine_ ? 1 : 2; }
  std::string RegRoot() const override { return "Software\\ZrConformance\\" + name_; }
  std::string FileRoot() const override { return "C:\\zr_conf\\" + name_; }

  void CreateKey(const std::string& path) override { machine_->Tree().Create(path); }
  void PutValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) override {
    machine_->Tree().Create(keyPath)->SetValue(name, machine_->Tree().Fold(name), type, data);
  }
  void PutFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
    const sim::HostPath host = Resolve(path);
    std::ofstream out(host.host, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  void MakeFolder(const std::string& path) override { fs::create_directories(Resolve(path).host); }
  void MakeReadOnly(const std::string& path) override {
    fs::permissions(Resolve(path).host, fs::perms::owner_write, fs::perm_options::remove);
  }
  bool FileExists(const std::string& path) override { return Resolve(path).exists; }
  std::vector<std::uint8_t> FileBytes(const std::string& path) override {
    std::ifstream in(Resolve(path).host, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  bool EnforcesAccessLists() const override { return !nine_; }
  bool EnforcesReadOnlyFiles() const override { return true; }
  void ProtectKey(const std::string& path) override { machine_->Protect(path); }
  long OpenHandleCount() const override { return machine_->OpenHandles(); }

 private:
  sim::HostPath Resolve(const std::string& path) const {
    return sim::HostPathResolver(folder_, machine_->Config().codePage, machine_->Config().currentDir)
        .Resolve(path);
  }

  std::string name_;
  bool nine_ = false;
  fs::path folder_;
  std::unique_ptr<sim::SimMachine> machine_;
};

}  // namespace

std::unique_ptr<World> MakeWorld(const std::string& test) { return std::make_unique<SimWorld>(test); }

}  // namespace zr::conformance
