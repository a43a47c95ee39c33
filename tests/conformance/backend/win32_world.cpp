// The conformance world over the real Win32 calls, for the suite run under
// Wine (and on Windows). Set-up and inspection go straight to the API and
// the C++ library, not through the backend under test.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/text/codepage.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"
// After windows.h, which it needs.
#include <sddl.h>
#include "platform/win_codes.h"
#include "tests/conformance/world.h"

namespace fs = std::filesystem;

namespace zr::conformance {
namespace {

using win32::UniqueKey;

constexpr const char* kRegParent = "Software\\ZrConformance";
constexpr const char* kFileParent = "C:\\zr_conf";

bool DeleteKeyTree(HKEY parent, const std::string& name) {
  UniqueKey key;
  const LONG rc = RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
  if (rc != ERROR_SUCCESS) return rc == ERROR_FILE_NOT_FOUND;
  char child[256];
  for (DWORD length = sizeof child;
       RegEnumKeyExA(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
       length = sizeof child) {
    if (!DeleteKeyTree(key.Get(), std::string(child, length))) return false;
  }
  key.Reset();
  return RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

bool DeleteFileTree(const std::string& root) {
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
  fs::remove_all(root, ec);
  return !ec;
}

// The ANSI registry call of 9x stores a REG_SZ only up to its first zero,
// so string values go in through the wide call there, converted from the
// code page with every byte kept (inner zeros, no final zero). NT counts one
// byte more when the byte after a string is a zero; a non-zero byte there
// stores exactly the bytes given.
LONG SetValueBytes(HKEY key, const std::string& name, DWORD type, std::vector<std::uint8_t> data, bool nineX) {
  if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && nineX && !data.empty()) {
    const std::u16string wide = text::ToUtf16(std::string(data.begin(), data.end()), GetACP());
    const std::u16string wideName = text::ToUtf16(name, GetACP());
    return RegSetValueExW(key, reinterpret_cast<const wchar_t*>(wideName.c_str()), 0, type,
                          reinterpret_cast<const BYTE*>(wide.data()), static_cast<DWORD>(wide.size() * 2));
  }
  data.push_back(1);
  return RegSetValueExA(key, name.c_str(), 0, type, data.data(), static_cast<DWORD>(data.size() - 1));
}

class Win32World final : public World {
 public:
  explicit Win32World(const std::string& test)
      : regRoot_(std::string(kRegParent) + "\\" + test), fileRoot_(std::string(kFileParent) + "\\" + test) {
    VersionRecord version;
    if (platform_.System().GetVersion(version)) platformId_ = version.platformId;
    RemoveRoots();
    CreateKey(regRoot_);
    MakeFolder(fileRoot_);
  }

  ~Win32World() override {
    RemoveRoots();
    // The parents go too once the last test has left them empty.
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kRegParent);
    RemoveDirectoryA(kFileParent);
  }

  IPlatform& Platform() override { return platform_; }
  std::uint32_t PlatformId() const override { return platformId_; }
  std::string RegRoot() const override { return regRoot_; }
  std::string FileRoot() const override { return fileRoot_; }

  void CreateKey(const std::string& path) override { Create(path); }

  void PutValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) override {
    const LONG rc = SetValueBytes(Create(keyPath).Get(), name, type, data, platformId_ == win::kPlatformWindows9x);
    if (rc != ERROR_SUCCESS) ADD_FAILURE() << "set-up: value " << keyPath << "\\" << name << " = " << rc;
  }

  void PutFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
      ADD_FAILURE() << "set-up: writing " << path << " failed";
    }
  }

  void MakeFolder(const std::string& path) override {
    std::error_code ec;
    if (!fs::create_directories(path, ec) && ec) ADD_FAILURE() << "set-up: making " << path << ": " << ec.message();
  }

  void MakeReadOnly(const std::string& path) override {
    if (!SetFileAttributesA(path.c_str(), GetFileAttributesA(path.c_str()) | FILE_ATTRIBUTE_READONLY)) {
      ADD_FAILURE() << "set-up: making " << path << " read-only failed, error " << GetLastError();
    }
  }

  bool FileExists(const std::string& p) override { return GetFileAttributesA(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

  std::vector<std::uint8_t> FileBytes(const std::string& path) override {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  // Wine leaves read-only files to Unix permissions, which root passes; ask
  // the file system instead of guessing from the user name.
  bool EnforcesReadOnlyFiles() const override {
    const std::string probe = fileRoot_ + "\\readonly.probe";
    std::ofstream(probe).put('x');
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    return !std::ofstream(probe, std::ios::app);
  }

  long OpenHandleCount() const override { return platform_.OpenRegistryHandles(); }

  std::string AccessList(const std::string& keyPath) override {
    UniqueKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, READ_CONTROL, key.Receive()) != ERROR_SUCCESS) return "";
    DWORD size = 0;
    RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, nullptr, &size);
    std::vector<std::uint8_t> descriptor(size);
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (size == 0 ||
        RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, descriptor.data(), &size) != ERROR_SUCCESS ||
        !GetSecurityDescriptorDacl(descriptor.data(), &present, &acl, &defaulted) || !present || acl == nullptr)
      return "";
    std::string text;
    for (DWORD i = 0; i < acl->AceCount; ++i) {
      void* ace = nullptr;
      if (!GetAce(acl, i, &ace)) return text + "(unreadable)";
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      char* sid = nullptr;
      if (allowed->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || !ConvertSidToStringSidA(&allowed->SidStart, &sid))
        return text + "(type " + std::to_string(allowed->Header.AceType) + ")";
      char mask[16];
      std::snprintf(mask, sizeof mask, "0x%lx", static_cast<unsigned long>(allowed->Mask));
      text += "(" + std::string(sid) + " " + mask + " " + std::to_string(allowed->Header.AceFlags) + ")";
      LocalFree(sid);
    }
    return text;
  }

 private:
  static UniqueKey Create(const std::string& path) {
    UniqueKey key;
    const LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    key.Receive(), nullptr);
    if (rc != ERROR_SUCCESS) ADD_FAILURE() << "set-up: RegCreateKeyExA(" << path << ") = " << rc;
    return key;
  }

  void RemoveRoots() {
    if (!DeleteKeyTree(HKEY_LOCAL_MACHINE, regRoot_)) ADD_FAILURE() << "clean-up: HKLM\\" << regRoot_ << " stays";
    if (!DeleteFileTree(fileRoot_)) ADD_FAILURE() << "clean-up: " << fileRoot_ << " stays";
  }

  win32::Win32Platform platform_;
  std::string regRoot_;
  std::string fileRoot_;
  std::uint32_t platformId_ = 0;
};

}  // namespace

std::unique_ptr<World> MakeWorld(const std::string& test) { return std::make_unique<Win32World>(test); }

}  // namespace zr::conformance
