// The conformance world over the real Win32 calls, for the suite run under
// Wine (and on Windows). Set-up and inspection go straight to the API, not
// through the backend under test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/key_access_list.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_api.h"
#include "platform/win_codes.h"
#include "tests/conformance/world.h"

namespace zr::conformance {
namespace {

using win32::UniqueHandle;
using win32::UniqueKey;

constexpr const char* kRegParent = "Software\\ZrConformance";
constexpr const char* kFileParent = "C:\\zr_conf";

// Gives the administrators full control again, so that a key the test
// protected can be removed.
void UnprotectKey(HKEY parent, const std::string& name) {
  UniqueKey key;
  if (RegOpenKeyExA(parent, name.c_str(), 0, WRITE_DAC, key.Receive()) == ERROR_SUCCESS) {
    win32::SetKeyAccessList(key.Get(), {{win32::WellKnownSid::Administrators, KEY_ALL_ACCESS},
                                        {win32::WellKnownSid::Everyone, KEY_READ}});
  }
}

bool DeleteKeyTree(HKEY parent, const std::string& name) {
  UnprotectKey(parent, name);
  {
    UniqueKey key;
    const LONG rc = RegOpenKeyExA(parent, name.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
    if (rc == ERROR_FILE_NOT_FOUND) return true;
    if (rc != ERROR_SUCCESS) return false;
    for (;;) {
      char child[256];
      DWORD length = sizeof(child);
      if (RegEnumKeyExA(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      if (!DeleteKeyTree(key.Get(), std::string(child, length))) return false;
    }
  }
  return RegDeleteKeyA(parent, name.c_str()) == ERROR_SUCCESS;
}

bool DeleteFileTree(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return true;
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return DeleteFileA(path.c_str()) != FALSE;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name != "." && name != "..") DeleteFileTree(path + "\\" + name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
  }
  return RemoveDirectoryA(path.c_str()) != FALSE;
}

// Wine leaves read-only files to Unix permissions, which root passes; ask
// the file system once instead of guessing from the user name.
bool ReadOnlyFilesRefuseWriters() {
  static const bool refused = [] {
    const std::string probe = std::string(kFileParent) + "\\readonly.probe";
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    {
      UniqueHandle file(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!file.Valid()) return true;
    }
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    UniqueHandle writer(CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    const bool result = !writer.Valid();
    writer.Reset();
    SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(probe.c_str());
    return result;
  }();
  return refused;
}

// The ANSI registry call of 9x stores a REG_SZ only up to its first zero,
// so string values go in through the wide call there, converted from the
// code page with every byte kept (inner zeros, no final zero).
LONG SetValueBytes(HKEY key, const std::string& name, DWORD type,
                   const std::vector<std::uint8_t>& data, bool nineX) {
  const bool isString = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
  if (isString && nineX && !data.empty()) {
    const auto* bytes = reinterpret_cast<const char*>(data.data());
    const int count = static_cast<int>(data.size());
    const int units = MultiByteToWideChar(CP_ACP, 0, bytes, count, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, count, wide.data(), units);
    const int nameUnits = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, nullptr, 0);
    std::wstring wideName(static_cast<std::size_t>(nameUnits), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, wideName.data(), nameUnits);
    return RegSetValueExW(key, wideName.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(wide.data()),
                          static_cast<DWORD>(wide.size() * sizeof(wchar_t)));
  }
  // NT counts one byte more when the byte after a string is a zero; a
  // non-zero byte there stores exactly the bytes given.
  std::vector<std::uint8_t> copy = data;
  copy.push_back(1);
  return RegSetValueExA(key, name.c_str(), 0, type, copy.data(),
                        static_cast<DWORD>(data.size()));
}

class Win32World final : public World {
 public:
  explicit Win32World(const std::string& test)
      : regRoot_(std::string(kRegParent) + "\\" + test),
        fileRoot_(std::string(kFileParent) + "\\" + test) {
    VersionRecord version;
    if (platform_.System().GetVersion(version)) platformId_ = version.platformId;
    onWine_ = win32::RunningOnWine();
    CreateDirectoryA(kFileParent, nullptr);
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

  void CreateKey(const std::string& path) override {
    UniqueKey key;
    const LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                    KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr);
    if (rc != ERROR_SUCCESS) ADD_FAILURE() << "set-up: RegCreateKeyExA(" << path << ") = " << rc;
  }

  void PutValue(const std::string& keyPath, const std::string& name, std::uint32_t type,
                const std::vector<std::uint8_t>& data) override {
    UniqueKey key;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.Receive(), nullptr);
    if (rc == ERROR_SUCCESS) {
      rc = SetValueBytes(key.Get(), name, type, data, platformId_ == win::kPlatformWindows9x);
    }
    if (rc != ERROR_SUCCESS) {
      ADD_FAILURE() << "set-up: value " << keyPath << "\\" << name << " = " << rc;
    }
  }

  void PutFile(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file.Valid() ||
        (!bytes.empty() && (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                       &written, nullptr) ||
                            written != bytes.size()))) {
      ADD_FAILURE() << "set-up: writing " << path << " failed, error " << GetLastError();
    }
  }

  void MakeFolder(const std::string& path) override {
    // Each folder on the way, so that a test may name a deep one at once.
    for (std::size_t at = path.find('\\', 3); at != std::string::npos;
         at = path.find('\\', at + 1)) {
      CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
    }
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "set-up: CreateDirectoryA(" << path << ") failed, error "
                    << GetLastError();
    }
  }

  void MakeReadOnly(const std::string& path) override {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES ||
        !SetFileAttributesA(path.c_str(), (attributes & ~FILE_ATTRIBUTE_DIRECTORY) |
                                              FILE_ATTRIBUTE_READONLY)) {
      ADD_FAILURE() << "set-up: making " << path << " read-only failed, error "
                    << GetLastError();
    }
  }

  bool FileExists(const std::string& path) override {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::vector<std::uint8_t> FileBytes(const std::string& path) override {
    std::vector<std::uint8_t> bytes;
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), chunk, sizeof(chunk), &got, nullptr) && got > 0) {
      bytes.insert(bytes.end(), chunk, chunk + got);
    }
    return bytes;
  }

  // Wine keeps access lists but checks none of them.
  bool EnforcesAccessLists() const override {
    return platformId_ == win::kPlatformWindowsNt && !onWine_;
  }

  bool EnforcesReadOnlyFiles() const override { return ReadOnlyFilesRefuseWriters(); }

  // Administrators may read the key and replace its list, nothing more.
  void ProtectKey(const std::string& path) override {
    UniqueKey key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, key.Receive());
    if (rc == ERROR_SUCCESS) {
      rc = win32::SetKeyAccessList(
          key.Get(), {{win32::WellKnownSid::Administrators, KEY_READ | WRITE_DAC}});
    }
    if (rc != ERROR_SUCCESS) ADD_FAILURE() << "set-up: protecting " << path << " = " << rc;
  }

  long OpenHandleCount() const override { return platform_.OpenRegistryHandles(); }

 private:
  void RemoveRoots() {
    if (!DeleteKeyTree(HKEY_LOCAL_MACHINE, regRoot_)) {
      ADD_FAILURE() << "clean-up: could not remove HKLM\\" << regRoot_;
    }
    if (!DeleteFileTree(fileRoot_)) ADD_FAILURE() << "clean-up: could not remove " << fileRoot_;
  }

  win32::Win32Platform platform_;
  std::string regRoot_;
  std::string fileRoot_;
  std::uint32_t platformId_ = 0;
  bool onWine_ = false;
};

}  // namespace

std::unique_ptr<World> MakeWorld(const std::string& test) {
  return std::make_unique<Win32World>(test);
}

}  // namespace zr::conformance
