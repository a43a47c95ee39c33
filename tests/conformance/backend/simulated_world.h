// What the worlds over the simulated registry share: the simulation's own
// world and the one over an installed Windows's hives, which the engine sees
// through the same simulated registry. Set-up goes into that registry and
// onto drive C: around the boundary.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/sim/host_path.h"
#include "platform/sim/machine.h"
#include "tests/conformance/world.h"

namespace zr::conformance {

class SimulatedWorld : public World {
 public:
  IPlatform& Platform() override { return Machine(); }

  void CreateKey(const std::string& path) override {
    Machine().Tree().Create(path);
    Machine().MarkDirty();
  }
  void PutValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) override {
    Machine().Tree().Create(keyPath)->SetValue(name, Machine().Tree().Fold(name), type, data);
    Machine().MarkDirty();
  }
  void PutFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
    std::ofstream(Resolve(path).host, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  void MakeFolder(const std::string& path) override { std::filesystem::create_directories(Resolve(path).host); }
  void MakeReadOnly(const std::string& path) override {
    std::filesystem::permissions(Resolve(path).host, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
  }
  bool FileExists(const std::string& path) override { return Resolve(path).exists; }
  std::vector<std::uint8_t> FileBytes(const std::string& path) override {
    std::ifstream in(Resolve(path).host, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // The list the simulation recorded for the key (over the hives: the list
  // the engine saw replaced; the offline repair writes no security cells).
  std::string AccessList(const std::string& keyPath) override {
    std::string text;
    if (auto key = Machine().Tree().Find(keyPath)) {
      for (const sim::AccessEntry& entry : key->AccessList()) {
        char mask[16];
        std::snprintf(mask, sizeof mask, "0x%x", static_cast<unsigned>(entry.mask));
        text += "(" + entry.sid + " " + mask + " " + std::to_string(entry.flags) + ")";
      }
    }
    return text;
  }
  bool EnforcesReadOnlyFiles() const override { return true; }
  long OpenHandleCount() const override { return const_cast<SimulatedWorld*>(this)->Machine().OpenHandles(); }

 protected:
  virtual sim::SimMachine& Machine() = 0;
  // Where a Windows path of drive C: lies on the host.
  virtual sim::HostPath Resolve(const std::string& path) = 0;
};

}  // namespace zr::conformance
