// The fixture every conformance test runs in: a fresh World per test, with
// its scratch roots, and the check that no registry handle is left open.
// Only portable C++ here: the same tests run under Wine against the real
// Win32 calls.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win_codes.h"
#include "tests/conformance/world.h"

namespace zr::conformance {

using Bytes = std::vector<std::uint8_t>;

// The bytes of `text`, embedded zeros included when the literal is passed
// with its length ({"abc\0", 4}).
inline Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

inline std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// Buffers handed to the boundary are pre-filled with this byte, so that any
// byte the call wrote (or did not write) can be seen.
inline constexpr std::uint8_t kFill = 0xCC;

// A key the test opened, closed when the test leaves its scope, so that a
// failed assertion does not show up as a leak of the boundary. A test that
// checks the close itself takes the handle with Take().
struct OpenedKey {
  OpenedKey(IRegistry& r, std::string_view path, std::uint32_t mask) : registry(r), rc(r.OpenKey(path, mask, handle)) {}
  OpenedKey(const OpenedKey&) = delete;
  ~OpenedKey() { registry.CloseKey(Take()); }
  RegHandle Take() { return std::exchange(handle, IRegistry::kNoHandle); }

  IRegistry& registry;
  RegHandle handle = IRegistry::kNoHandle;
  std::uint32_t rc = 0;
};

class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    world_ = MakeWorld(std::string(info->test_suite_name()) + "_" + info->name());
    ASSERT_NE(world_, nullptr);
  }

  void TearDown() override {
    if (world_ && world_->OpenHandleCount() != -1) {
      EXPECT_EQ(world_->OpenHandleCount(), 0) << "handles left open";
    }
  }

  World& W() { return *world_; }
  IRegistry& Reg() { return world_->Platform().Registry(); }
  IFiles& Files() { return world_->Platform().Files(); }
  ISystemInfo& System() { return world_->Platform().System(); }
  bool IsNt() const { return world_->PlatformId() == win::kPlatformWindowsNt; }

  // Paths below the test's own scratch roots.
  std::string RegPath(std::string_view relative) const { return world_->RegRoot() + Below(relative); }
  std::string FilePath(std::string_view relative) const { return world_->FileRoot() + Below(relative); }

  OpenedKey Open(std::string_view path, std::uint32_t access) { return OpenedKey(Reg(), path, access); }

  // Every key below `path`, depth first in the registry's order, as paths
  // relative to it separated by blanks; "-" when `path` does not open.
  std::string Tree(const std::string& path, const std::string& prefix = "") {
    OpenedKey key = Open(path, win::kKeyRead);
    if (key.rc != win::kSuccess) return "-";
    std::string out;
    char name[260];
    for (std::uint32_t i = 0, size = sizeof name; Reg().EnumKey(key.handle, i, name, &size) == win::kSuccess;
         ++i, size = sizeof name) {
      const std::string child = prefix + std::string(name, size);
      out += " " + child + Tree(path + "\\" + std::string(name, size), child + "\\");
    }
    return prefix.empty() && !out.empty() ? out.substr(1) : out;
  }

  // The bytes a value holds (of at most 512), read through the boundary.
  std::uint32_t ReadValue(const std::string& keyPath, std::string_view name, Bytes& out,
                          std::uint32_t* type = nullptr) {
    out.assign(512, kFill);
    std::uint32_t size = 512;
    const std::uint32_t rc = Reg().QueryValue(Open(keyPath, win::kKeyQueryValue).handle, name, out.data(), &size, type);
    out.resize(rc == win::kSuccess ? size : 0);
    return rc;
  }

  std::unique_ptr<World> world_;

 private:
  static std::string Below(std::string_view relative) { return relative.empty() ? "" : "\\" + std::string(relative); }
};

}  // namespace zr::conformance
