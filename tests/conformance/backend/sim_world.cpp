// The conformance World over the simulated machine. ZR_SIM_PLATFORM=1 makes
// a Windows 98 machine, anything else a Windows XP one; CTest runs the suite
// once in each mode.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/sim/host_path.h"
#include "platform/sim/machine.h"
#include "tests/conformance/backend/simulated_world.h"
#include "tests/conformance/system_profile.h"

namespace fs = std::filesystem;

namespace zr::conformance {
namespace {

class SimWorld final : public SimulatedWorld {
 public:
  explicit SimWorld(const std::string& test)
      : name_(test), folder_(fs::temp_directory_path() / ("zr_conf_" + std::to_string(::getpid()) + "_" + test)) {
    const char* mode = std::getenv("ZR_SIM_PLATFORM");
    nine_ = mode != nullptr && std::string(mode) == "1";
    fs::remove_all(folder_);
    fs::create_directories(folder_ / "drive_c" / "WINDOWS" / (nine_ ? "SYSTEM" : "system32"));
    fs::create_directories(folder_ / "drive_c" / "zr_conf" / name_);
    std::ofstream(folder_ / "machine.ini")
        << "[system]\nwindows=C:\\WINDOWS\n"
        << (nine_ ? "major=4\nminor=10\nbuild=0x040A08AE\nplatform=1\ncsd=\" A \"\nsystem=C:\\WINDOWS\\SYSTEM\n"
                  : "major=5\nminor=1\nbuild=2600\nplatform=2\ncsd=Service Pack 3\nsystem=C:\\WINDOWS\\system32\n");
    std::ofstream(folder_ / "HKLM.reg") << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\" + RegRoot() + "]\r\n\r\n";
    std::string error;
    machine_ = sim::SimMachine::Load(folder_, error);
    if (!machine_) throw std::runtime_error(error);
  }
  ~SimWorld() override {
    machine_.reset();
    std::error_code ec;
    // The simulation maps the read-only attribute onto the owner-write bit.
    for (auto& entry : fs::recursive_directory_iterator(folder_, ec))
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove_all(folder_, ec);
  }

  std::uint32_t PlatformId() const override { return nine_ ? 1 : 2; }
  std::string RegRoot() const override { return "Software\\ZrConformance\\" + name_; }
  std::string FileRoot() const override { return "C:\\zr_conf\\" + name_; }

 protected:
  sim::SimMachine& Machine() override { return *machine_; }
  sim::HostPath Resolve(const std::string& path) override {
    return sim::HostPathResolver(folder_, machine_->Config().codePage, machine_->Config().currentDir).Resolve(path);
  }

  std::string name_;
  fs::path folder_;
  bool nine_ = false;
  std::unique_ptr<sim::SimMachine> machine_;
};

}  // namespace

std::unique_ptr<World> MakeWorld(const std::string& test) { return std::make_unique<SimWorld>(test); }

// The simulated machine has no profile calls of its own.
std::unique_ptr<SystemProfile> MakeSystemProfile(const std::string&) { return nullptr; }

}  // namespace zr::conformance
