// The private-profile calls of the system under test, for the work-file
// suite's comparison of the store with them.
#include "tests/conformance/system_profile.h"

#include <string>
#include <vector>

#include "platform/win32/windows_api.h"

namespace zr::conformance {
namespace {

constexpr char kUnwritten = static_cast<char>(0xCC);

class Win32Profile final : public SystemProfile {
 public:
  explicit Win32Profile(const std::string& path) : path_(path) {}

  std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                        std::size_t size) override {
    std::vector<char> buffer(size + 1, kUnwritten);
    const DWORD ret = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(),
                                               static_cast<DWORD>(size), path_.c_str());
    return std::string(buffer.data(), ret);
  }

  std::string List(const std::optional<std::string>& section, const std::string& def, std::size_t size,
                   std::uint32_t& ret) override {
    std::string buffer(size, kUnwritten);
    ret = GetPrivateProfileStringA(section ? section->c_str() : nullptr, nullptr, def.c_str(), buffer.data(),
                                   static_cast<DWORD>(size), path_.c_str());
    // A cut list ends in two zeros that fill the buffer, as Windows documents
    // it; Wine's ANSI wrapper copies only up to the first of them.
    if (size >= 2 && ret == size - 2) buffer.back() = '\0';
    return buffer.substr(0, buffer.find_last_not_of(kUnwritten) + 1);
  }

  std::uint32_t GetInt(const std::string& section, const std::string& key, std::int32_t def) override {
    return GetPrivateProfileIntA(section.c_str(), key.c_str(), def, path_.c_str());
  }

  bool Write(const testing::profile_facts::WriteOp& op) override {
    // Wine keeps the trailing blanks of a new key's name until it next reads
    // the file; the measured file, written on, shows them trimmed, as
    // Windows stores them. The name goes in trimmed.
    std::optional<std::string> key = op.key;
    if (key) key->erase(key->find_last_not_of(' ') + 1);
    return WritePrivateProfileStringA(op.section.c_str(), key ? key->c_str() : nullptr,
                                      op.value ? op.value->c_str() : nullptr, path_.c_str()) != FALSE;
  }

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<SystemProfile> MakeSystemProfile(const std::string& path) {
  return std::make_unique<Win32Profile>(path);
}

}  // namespace zr::conformance
