// An installed Windows 2000/XP seen from Linux: the partition mounted at a
// folder is drive C:, the SYSTEM and SOFTWARE hives of its Windows folder are
// HKEY_LOCAL_MACHINE\SYSTEM and \SOFTWARE, with CurrentControlSet the set
// that Select\Current names.
//
// The hives are read once into the simulated registry, so the engine sees
// exactly the semantics the conformance suite measured. Each key read keeps
// the hive node it came from; Commit writes only what the run changed (keys
// deleted, values set or deleted) back through the library, so every other
// key and value of the hive stays as it was, byte for byte. Names or values
// the code page cannot hold exactly are not shown to the engine at all and
// are carried over untouched.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/hive/hive_file.h"
#include "platform/sim/machine.h"

namespace zr::hive {

class HiveMachine {
 public:
  // nullptr with `error` when the mount holds no Windows 2000/XP, a hive is
  // refused, or the partition cannot be written (checked before anything).
  static std::unique_ptr<HiveMachine> Open(const std::filesystem::path& mount, std::string& error);
  ~HiveMachine();

  // The platform the engine runs on.
  sim::SimMachine& Machine() { return *machine_; }
  const std::filesystem::path& WindowsFolder() const { return windowsFolder_; }
  unsigned CodePage() const { return codePage_; }

  // Writes what the run changed into the hives (each committed on its own,
  // the original kept as .zrbak). False with `error` when a hive could not be
  // written; a hive already committed stays committed.
  bool Commit(std::string& error);

 private:
  struct Mapped;

  HiveMachine() = default;
  bool Import(HiveFile& file, NodeId node, const std::shared_ptr<sim::RegKey>& key, int parent, bool systemRoot);
  bool WriteBack(std::string& error);
  bool AddNewKeys(const Mapped& parent, std::string& error);

  std::filesystem::path windowsFolder_;
  unsigned codePage_ = 932;
  unsigned currentControlSet_ = 1;
  std::unique_ptr<HiveFile> system_;
  std::unique_ptr<HiveFile> software_;
  std::vector<Mapped> mapped_;
  std::unique_ptr<sim::SimMachine> machine_;
};

// The Windows folder of a mounted partition: WINDOWS or WINNT in any case,
// holding system32/config/SYSTEM. Empty with `error` when there is none.
std::filesystem::path FindWindowsFolder(const std::filesystem::path& mount, std::string& error);

}  // namespace zr::hive
