// The part the preview overlay and the recording of a real run share: every
// call that changes the machine is noted as a change record, with the state
// before it and what it left, read through View() (the overlay reads itself,
// the recording reads the machine). Where the change is made is up to the
// subclass (the Apply* calls). The engine's work file is not a change of the
// machine's drivers and is not noted; changes that were refused are kept
// apart, with their Win32 code, for the rescan to explain what is left.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/forwarding_platform.h"
#include "safety/journal_record.h"

namespace zr::safety {

class ChangeTracker : public ForwardingPlatform {
 public:
  explicit ChangeTracker(IPlatform& inner);

  const std::vector<Change>& Changes() const { return changes_; }
  // Changes the platform refused (a missing key or file is not one, nor an
  // access list on a system without them).
  const std::vector<Change>& Refusals() const { return refusals_; }
  // The run asked Windows to restart.
  bool RestartRequested() const { return restartRequested_; }

 protected:
  struct OpenedKey {
    std::string path;  // below HKLM, as the engine spelled it
    std::uint32_t access = 0;
  };

  virtual IPlatform& View() = 0;
  virtual std::uint32_t ApplyOpenKey(std::string_view path, std::uint32_t access, RegHandle& out);
  virtual std::uint32_t ApplyCloseKey(RegHandle key);
  virtual std::uint32_t ApplySetValue(RegHandle key, std::string_view name, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size);
  virtual std::uint32_t ApplyDeleteValue(RegHandle key, std::string_view name);
  virtual std::uint32_t ApplyDeleteKey(RegHandle key, std::string_view subkey);
  virtual std::uint32_t ApplyReplaceAccessList(RegHandle key);
  virtual std::uint32_t ApplySetAttributes(std::string_view path, std::uint32_t attributes);
  virtual std::uint32_t ApplyDeleteFile(std::string_view path);
  virtual std::uint32_t ApplyCopyFile(std::string_view source, std::string_view target, bool failIfExists);
  virtual std::uint32_t ApplyWriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes);
  virtual bool ApplyRestart() { return ForwardingPlatform::RequestRestart(); }

  // The key a handle of this platform was opened on; nullptr for a handle it
  // did not give out. kRootHandle is HKLM with every right.
  const OpenedKey* Opened(RegHandle key) const;
  unsigned CodePage();

  // IPlatform calls that change the machine, noted then applied.
  std::uint32_t OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) override;
  std::uint32_t CloseKey(RegHandle key) override;
  std::uint32_t SetValue(RegHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                         std::uint32_t size) override;
  std::uint32_t DeleteValue(RegHandle key, std::string_view name) override;
  std::uint32_t DeleteKey(RegHandle key, std::string_view subkey) override;
  std::uint32_t ReplaceAccessList(RegHandle key) override;
  std::uint32_t SetAttributes(std::string_view path, std::uint32_t attributes) override;
  std::uint32_t DeleteFile(std::string_view path) override;
  std::uint32_t CopyFile(std::string_view source, std::string_view target, bool failIfExists) override;
  std::uint32_t WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override;
  bool RequestRestart() override {
    restartRequested_ = true;
    return ApplyRestart();
  }

 private:
  // Notes `change` as made or refused by what `apply` returns, with `after`
  // reading what it left.
  std::uint32_t Note(Change change, const std::vector<std::uint8_t>& written,
                     const std::function<std::uint32_t()>& apply, const std::function<void(Change&)>& after);
  std::uint32_t NoteFileWrite(std::string_view target, const std::function<std::uint32_t()>& apply);
  bool IsWorkFile(std::string_view path);

  std::map<RegHandle, OpenedKey> keys_;
  std::vector<Change> changes_;
  std::vector<Change> refusals_;
  std::string workFile_;  // folded; found on first use
  unsigned codePage_ = 0;
  bool restartRequested_ = false;
};

}  // namespace zr::safety
