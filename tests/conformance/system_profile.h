// The system's own private-profile calls on one file, where the backend has
// them (the Win32 one). The work-file suite then checks the store against
// their answers on the same file contents after the same writes; elsewhere
// against the measured tables (tests/support/profile_facts.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tests/support/profile_facts.h"

namespace zr::conformance {

class SystemProfile {
 public:
  virtual ~SystemProfile() = default;
  // GetPrivateProfileStringA into a buffer of `size`: the text copied.
  virtual std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                                std::size_t size) = 0;
  // The same with key NULL (section NULL when nullopt): every byte the call
  // writes, and its return value.
  virtual std::string List(const std::optional<std::string>& section, const std::string& def, std::size_t size,
                           std::uint32_t& ret) = 0;
  virtual std::uint32_t GetInt(const std::string& section, const std::string& key, std::int32_t def) = 0;
  // WritePrivateProfileStringA; a missing key or value is passed as NULL.
  virtual bool Write(const testing::profile_facts::WriteOp& op) = 0;
};

// The backend's calls on the file at `path`; nullptr where it has none.
std::unique_ptr<SystemProfile> MakeSystemProfile(const std::string& path);

}  // namespace zr::conformance
