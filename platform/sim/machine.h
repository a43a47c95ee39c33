// A simulated Windows machine, read from and written back to a machine
// image folder:
//   machine.ini   [system] major minor build platform csd windows system
//                 current codepage admin (a value in double quotes keeps its
//                 blanks); [protected] keyN=<path below HKLM>
//                 (the key and its sub-keys refuse deletion and value changes
//                 until their own access list is replaced); [replaced]
//                 keyN=<path> (keys whose access list the tool replaced;
//                 written back by the machine)
//   HKLM.reg      HKEY_LOCAL_MACHINE, REGEDIT4 or version 5 (kept on save)
//   drive_c/ ...  the files of each drive
//   plug.reg      optional: what Windows adds when the device is plugged in
//   events.log    appended: restart requests, privilege requests, messages
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/key_creator.h"
#include "platform/platform.h"
#include "platform/sim/atomic_file.h"
#include "platform/sim/reg_file.h"
#include "platform/sim/reg_tree.h"

namespace zr::sim {

struct MachineConfig {
  VersionRecord version;
  std::string windowsDir = "C:\\WINDOWS";  // code-page bytes
  std::string systemDir = "C:\\WINDOWS\\system32";
  std::string currentDir = "C:\\";
  unsigned codePage = 932;
  bool admin = true;
  std::vector<std::string> protectedKeys;
  std::vector<std::string> replacedKeys;
};

class SimRegistry;
class SimFiles;
class HostPathResolver;
class SimSystem;

class SimMachine final : public IPlatform {
 public:
  // Reads the image. nullptr with `error` naming the file and line when the
  // image is unusable.
  static std::unique_ptr<SimMachine> Load(const std::filesystem::path& folder, std::string& error);

  // A machine over parts that did not come from an image folder: a registry
  // read from elsewhere, files where `files` maps them. It writes nothing
  // itself: no events.log, and Save refuses (the owner saves the tree).
  static std::unique_ptr<SimMachine> Assemble(MachineConfig config, RegTree tree, const HostPathResolver& files);

  ~SimMachine() override;

  IRegistry& Registry() override;
  IFiles& Files() override;
  ISystemInfo& System() override;
  IPower& Power() override;

  // Key creation, for putting a journal back.
  IKeyCreator& KeyCreator();

  const std::filesystem::path& Folder() const { return folder_; }
  const MachineConfig& Config() const { return config_; }
  RegTree& Tree() { return tree_; }
  const RegTree& Tree() const { return tree_; }
  RegFormat Format() const { return format_; }

  // True while the registry or the access lists differ from the image.
  bool Dirty() const;
  void MarkDirty();
  // Writes HKLM.reg (and machine.ini when access lists changed) atomically,
  // in the format read. False with `error` when it could not.
  bool Save(std::string& error);
  // Tests fail or kill a save at chosen steps through this hook.
  void SetSaveHook(AtomicStepHook hook);

  // Merges plug.reg into the registry. False with `error` when the image
  // has none or it is malformed.
  bool Plug(std::string& error);

  // Appends one line to events.log (and keeps it for tests).
  void LogEvent(std::string_view line);
  void RecordMessageBox(std::string_view caption, std::string_view text);
  const std::vector<std::string>& Events() const { return events_; }

  // Registry handles opened and not yet closed.
  long OpenHandles() const;

  // True when the key at `path` refuses changes until its access list is
  // replaced (an ancestor or itself is listed protected, its own list not
  // replaced).
  bool IsProtected(const RegKey& key, std::string_view path) const;
  void MarkAccessListReplaced(RegKey& key, std::string_view path);
  // Adds a protected sub-tree, as a [protected] line of machine.ini would.
  void Protect(std::string_view path);

 private:
  SimMachine(std::filesystem::path folder, MachineConfig config, RegTree tree, RegFormat format);
  void AddProtectedFold(std::string_view path);

  std::filesystem::path folder_;
  MachineConfig config_;
  RegTree tree_;
  RegFormat format_;
  bool dirty_ = false;
  bool configDirty_ = false;
  AtomicStepHook saveHook_;
  std::vector<std::string> events_;
  std::vector<std::u16string> protectedFolds_;
  std::unique_ptr<SimRegistry> registry_;
  std::unique_ptr<SimFiles> files_;
  std::unique_ptr<SimSystem> system_;
};

}  // namespace zr::sim
