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
#include "tests/conformance/system_profile.h"
#include "tests/conformance/world.h"
#include "tests/support/empty_hive.h"

namespace fs = std::filesystem;

namespace zr::conformance {
namespace {

class HiveWorld final : public World {
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

  IPlatform& Platform() override { return machine_->Machine(); }
  std::uint32_t PlatformId() const override { return 2; }
  std::string RegRoot() const override { return "Software\\ZrConformance\\" + name_; }
  std::string FileRoot() const override { return "C:\\zr_conf\\" + name_; }

  void CreateKey(const std::string& path) override {
    Tree().Create(path);
    machine_->Machine().MarkDirty();
  }
  void PutValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) override {
    Tree().Create(keyPath)->SetValue(name, Tree().Fold(name), type, data);
    machine_->Machine().MarkDirty();
  }
  void PutFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
    std::ofstream(Resolve(path).host, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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
  // The list the engine saw replaced; the hives keep their own security
  // cells (the offline repair does not write access lists).
  std::string AccessList(const std::string& keyPath) override {
    std::string text;
    if (auto key = Tree().Find(keyPath)) {
      for (const sim::AccessEntry& entry : key->AccessList()) {
        char mask[16];
        std::snprintf(mask, sizeof mask, "0x%x", static_cast<unsigned>(entry.mask));
        text += "(" + entry.sid + " " + mask + " " + std::to_string(entry.flags) + ")";
      }
    }
    return text;
  }
  bool EnforcesReadOnlyFiles() const override { return true; }
  long OpenHandleCount() const override { return machine_->Machine().OpenHandles(); }

 private:
  sim::RegTree& Tree() { return machine_->Machine().Tree(); }
  sim::HostPath Resolve(const std::string& path) const {
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
