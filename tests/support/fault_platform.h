// A platform that fails a chosen call of the platform below it: call N of
// one method (or of every registry and file method taken together), once or
// from N on, with a chosen Win32 result; a whole-file write it fails writes
// the first half of its bytes before it reports the failure. The calls it
// fails never reach the backend, so the backend's state is what a real
// failure at that point leaves.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/forwarding_platform.h"

namespace zr::testing {

enum class Call {
  kAny,  // every registry and file method, counted together
  kOpenKey,
  kQueryValue,
  kSetValue,
  kDeleteValue,
  kDeleteKey,
  kEnumKey,
  kEnumValue,
  kCloseKey,
  kReplaceAccessList,
  kGetAttributes,
  kSetAttributes,
  kDeleteFile,
  kCopyFile,
  kProbeExisting,
  kReadWholeFile,
  kWriteWholeFile,
};

struct Fault {
  Call call = Call::kAny;
  long at = 0;              // 1-based; 0: no fault
  bool persistent = false;  // fail every matching call from `at` on
  std::uint32_t code = 5;   // the result a failed call gives
};

class FaultPlatform final : public ForwardingPlatform {
 public:
  explicit FaultPlatform(IPlatform& inner, Fault fault = {}) : ForwardingPlatform(inner), fault_(fault) {}

  // A new fault, counted from the next call on; Fault{} lets every call
  // through and only counts.
  void Arm(Fault fault) {
    fault_ = fault;
    calls_ = 0;
    reached_ = false;
  }

  // Matching calls made since the fault was armed, and whether it was
  // injected.
  long Calls() const { return calls_; }
  bool Reached() const { return reached_; }

 protected:
  std::uint32_t OpenKey(std::string_view path, std::uint32_t access, RegHandle& out) override;
  std::uint32_t QueryValue(RegHandle key, std::string_view name, std::uint8_t* data, std::uint32_t* size,
                           std::uint32_t* type) override;
  std::uint32_t SetValue(RegHandle key, std::string_view name, std::uint32_t type, const std::uint8_t* data,
                         std::uint32_t size) override;
  std::uint32_t DeleteValue(RegHandle key, std::string_view name) override;
  std::uint32_t DeleteKey(RegHandle key, std::string_view subkey) override;
  std::uint32_t EnumKey(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) override;
  std::uint32_t EnumValue(RegHandle key, std::uint32_t index, char* name, std::uint32_t* capacity) override;
  std::uint32_t CloseKey(RegHandle key) override;
  std::uint32_t ReplaceAccessList(RegHandle key) override;
  std::uint32_t GetAttributes(std::string_view path, std::uint32_t& error) override;
  std::uint32_t SetAttributes(std::string_view path, std::uint32_t attributes) override;
  std::uint32_t DeleteFile(std::string_view path) override;
  std::uint32_t CopyFile(std::string_view source, std::string_view target, bool failIfExists) override;
  std::uint32_t ProbeExisting(std::string_view path) override;
  std::uint32_t ReadWholeFile(std::string_view path, std::vector<std::uint8_t>& out) override;
  std::uint32_t WriteWholeFile(std::string_view path, const std::vector<std::uint8_t>& bytes) override;

 private:
  // True when this call of `call` is to fail.
  bool Fails(Call call);

  Fault fault_;
  long calls_ = 0;
  bool reached_ = false;
};

}  // namespace zr::testing
