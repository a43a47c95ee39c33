// A platform that records the state before each change in a journal, and
// makes that record durable before it lets the change reach the inner
// platform: key deletions (with the whole tree below the key), value
// deletions and writes, access-list replacements, file deletions, attribute
// changes and file writes or copies. The engine's work file is not recorded.
//
// The journal is a safety net, not a new way to fail: when it cannot be
// written (or the prior state cannot be read), it notes that it is
// incomplete, stops recording, and every change goes on as it would have.
// Nothing is written to the journal folder before the first change.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>

#include "platform/forwarding_platform.h"
#include "safety/journal_folder.h"
#include "safety/journal_record.h"

namespace zr::safety {

class JournalingPlatform : public ForwardingPlatform {
 public:
  JournalingPlatform(IPlatform& inner, JournalFolder& folder);

  // Changes recorded so far, and whether the journal stopped recording.
  int Recorded() const { return number_; }
  bool Incomplete() const { return stopped_; }

 protected:
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

 private:
  enum class Capture { kAbsent, kCaptured, kFailed };

  // Records `change` durably, lets `apply` through, then records the
  // outcome; `after` fills in what the change left and says it in words.
  std::uint32_t Guard(Change change, const std::vector<std::uint8_t>& written,
                      const std::function<std::uint32_t()>& apply, const std::function<std::string(Change&)>& after);
  bool Begin(Change& change);
  void Stop(std::string_view why);
  void Start();
  void AddToRestoreReg(const Change& change, std::string& out);

  // The registry and files as they are now, read through the inner platform.
  Capture ReadValue(const std::string& key, std::string_view name, ValueState& out);
  Capture CaptureTree(const std::string& key, Change& change);
  Capture CaptureFile(std::string_view path, Change& change);
  FileState FileNow(std::string_view path);
  bool KeyPath(RegHandle key, std::string_view subkey, std::string& out);
  bool IsWorkFile(std::string_view path);
  std::uint32_t Unrecorded(std::uint32_t rc, std::string_view what);
  std::string StoredName(std::string_view path);
  std::uint32_t FileWrite(std::string_view target, const std::function<std::uint32_t()>& apply, bool failIfExists);

  JournalFolder& folder_;
  unsigned codePage_ = 0;
  bool unicodeReg_ = false;
  std::string workFile_;  // lower-cased
  bool started_ = false;
  bool stopped_ = false;
  int number_ = 0;
  std::map<RegHandle, std::string> keys_;  // path below HKLM of each open handle
  std::set<std::string> recordedValues_;   // lower-cased key \n name, in restore.reg already
  std::set<std::string> storedNames_;
  std::vector<std::uint8_t> capturedBytes_;  // the file about to change, until its copy is written
};

}  // namespace zr::safety
