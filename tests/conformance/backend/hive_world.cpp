// The conformance World over an installed Windows XP's hives: a scratch
// partition with a SYSTEM and a SOFTWARE hive made by the test support code.
// Set-up goes into the registry the engine sees, as the simulation's world
// does; when the test is over the hives are committed, opened afresh, and
// must hold exactly what the test left, so every row also checks the write
// back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/hive/hive_machine.h"
#include "platform/sim/host_path.h"
#include "tests/conformance/backend/simulated_world.h"
#include "tests/conformance/system_profile.h"
#include "tests/support/empty_hive.h"

namespace fs = std::filesystem;

namespace zr::conformance {
namespace {

class HiveWorld final : public SimulatedWorld {
 public:
  explicit HiveWorld(const std::string& test)
      : name_(test), folder_(fs::temp_directory_path() / ("zr_conf_hive_" + std::to_string(::getpid()) + "_" + test)) {
    fs::remove_all(folder_);
    const fs::path config = folder_ / "WINDOWS" / "system32" / "config";
    fs::create_directories(config);
    fs::create_directories(folder_ / "zr_conf" / name_);
    sim::RegTree tree(932);
    tree.Create("SYSTEM\\Select")->SetValue("Current", tree.Fold("Current"), 4, {1, 0, 0, 0});
    tree.Create("SYSTEM\\CurrentControlSet\\Control");
    auto version = tree.Create("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion");
    version->SetValue("CurrentVersion", tree.Fold("CurrentVersion"), 1, {'5', '.', '1', 0});
    version->SetValue("CurrentBuildNumber", tree.Fold("CurrentBuildNumber"), 1, {'2', '6', '0', '0', 0});
    const std::string pack = "Service Pack 3";
    std::vector<std::uint8_t> csd(pack.begin(), pack.end());
    csd.push_back(0);
    version->SetValue("CSDVersion", tree.Fold("CSDVersion"), 1, std::move(csd));
    tree.Create("SOFTWARE\\" + RegRoot());
    std::string error;
    for (const char* hive : {"SYSTEM", "SOFTWARE"}) {
      if (!testing::WriteEmptyHive(config / hive, error) ||
          !testing::FillHive(config / hive, *tree.Find(hive), std::string(hive) == "SYSTEM", 932, error))
        throw std::runtime_error(error);
    }
    machine_ = hive::HiveMachine::Open(folder_, error);
    if (!machine_) throw std::runtime_error(error);
  }
  ~HiveWorld() override {
    std::string error;
    const bool committed = machine_->Commit(error);
    EXPECT_TRUE(committed) << error;
    if (committed) {
      auto reopened = hive::HiveMachine::Open(folder_, error);
      EXPECT_TRUE(reopened && reopened->Machine().Tree().SameAs(machine_->Machine().Tree()))
          << "the hives do not hold what the run left " << error;
    }
    machine_.reset();
    std::error_code ec;
    for (auto& entry : fs::recursive_directory_iterator(folder_, ec))
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ec);
    fs::remove_all(folder_, ec);
  }

  std::uint32_t PlatformId() const override { return 2; }
  std::string RegRoot() const override { return "Software\\ZrConformance\\" + name_; }
  std::string FileRoot() const override { return "C:\\zr_conf\\" + name_; }

 protected:
  sim::SimMachine& Machine() override { return machine_->Machine(); }
  sim::HostPath Resolve(const std::string& path) override {
    return sim::HostPathResolver::ForDriveC(folder_, 932, "C:\\").Resolve(path);
  }

  std::string name_;
  fs::path folder_;
  std::unique_ptr<hive::HiveMachine> machine_;
};

}  // namespace

std::unique_ptr<World> MakeWorld(const std::string& test) { return std::make_unique<HiveWorld>(test); }

std::unique_ptr<SystemProfile> MakeSystemProfile(const std::string&) { return nullptr; }

}  // namespace zr::conformance
