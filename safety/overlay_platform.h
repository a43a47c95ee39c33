// A copy-on-write overlay of a machine: every change the engine makes stays
// in the overlay and never reaches the machine, and every later read (open,
// query, enumerate, attributes, read, probe) sees the overlay's state, with
// the access rules of the machine's Windows family: on 2000/XP a key with
// sub-keys cannot be deleted, and a key whose access list refuses deletion
// or value changes can be changed only after its list was replaced. Running
// the wizard's flow over it gives the exact list of changes the flow would
// make: the preview. The restart request is noted, not passed on.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "safety/change_tracker.h"
#include "safety/prior_state.h"

namespace zr::safety {

class CopyOnWritePlatform final : public ChangeTracker {
 public:
  explicit CopyOnWritePlatform(IPlatform& machine) : ChangeTracker(machine) {}

 protected:
  IPlatform& View() override { return *this; }

  std::uint32_t ApplyOpenKey(std::string_view path, std::uint32_t access, RegHandle& out) override;
  std::uint32_t QueryValue(RegHandle key, std::string_view name, std::uint8_t* data, std::uint32_t* size,
                           std::uint32_t* type) override;
  std::uint32_t EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) override;
  std::uint32_t EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) override;
  std::uint32_t ApplySetValue(RegHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                              std::uint32_t size) override;
  std::uint32_t ApplyDeleteValue(RegHandle key, std::string_view name) override;
  std::uint32_t ApplyDeleteKey(RegHandle key, std::string_view subkey) override;
  std::uint32_t ApplyReplaceAccessList(RegHandle key) override;

  std::uint32_t GetAttributes(std::string_view path, std::uint32_t& error) override;
  std::uint32_t ProbeExisting(std::string_view path) override;
  std::uint32_t ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) override;
  std::uint32_t ApplySetAttributes(std::string_view path, std::uint32_t attributes) override;
  std::uint32_t ApplyDeleteFile(std::string_view path) override;
  std::uint32_t ApplyCopyFile(std::string_view source, std::string_view target, bool failIfExists) override;
  std::uint32_t ApplyWriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override;

  // The process's own token is no part of the machine's drivers, but the
  // simulation logs the call: it stays out of the preview too.
  long EnableShutdownPrivilege() override { return 0; }
  bool ApplyRestart() override { return true; }

 private:
  struct Value {
    bool present = false;
    std::string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
  };
  struct File {
    bool present = false;
    bool hasBytes = false;  // else the machine's bytes
    std::vector<std::uint8_t> bytes;
    std::uint32_t attributes = 0;
  };

  bool IsNt();
  std::string Fold(std::string_view keyPath) { return FoldedKeyPath(keyPath, CodePage()); }
  // The key or one above it was deleted in the overlay.
  bool Hidden(const std::string& folded) const;
  // The handle's key, checked as the machine checks a handle's use.
  std::uint32_t Use(RegHandle key, std::uint32_t needed, const OpenedKey*& out);
  const Value* FindValue(const std::string& foldedKey, std::string_view name) const;
  std::vector<std::string> VisibleValueNames(RegHandle key, const std::string& foldedKey);
  File* FindFile(std::string_view path);
  File& FileFor(std::string_view path);

  int nt_ = -1;
  std::set<std::string> deletedKeys_;
  std::set<std::string> replacedLists_;
  std::map<std::string, std::map<std::string, Value>> values_;  // folded key -> folded name
  std::map<std::string, File> files_;                           // folded path
};

}  // namespace zr::safety
