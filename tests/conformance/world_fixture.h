// The fixture every conformance test runs in: a fresh World per test, with
// its scratch roots, and the check that no registry handle is left open.
// Only portable C++ here: the same tests run under Wine against the real
// Win32 calls.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_codes.h"
#include "tests/conformance/world.h"

namespace zr::conformance {

using Bytes = std::vector<std::uint8_t>;

// The bytes of `text`, including any embedded zeros the literal carries
// when passed with an explicit length.
inline Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

// `count` copies of `fill`, then a zero when `terminated`.
inline Bytes Repeated(std::size_t count, char fill, bool terminated) {
  Bytes bytes(count, static_cast<std::uint8_t>(fill));
  if (terminated) bytes.push_back(0);
  return bytes;
}

// Buffers handed to the boundary are pre-filled with this byte, so that any
// byte the call wrote (or did not write) can be seen.
inline constexpr std::uint8_t kFill = 0xCC;

class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    world_ = MakeWorld(std::string(info->test_suite_name()) + "_" + info->name());
    ASSERT_NE(world_, nullptr);
  }

  void TearDown() override {
    if (!world_) return;
    const long open = world_->OpenHandleCount();
    if (open != -1) {
      EXPECT_EQ(open, 0) << "registry handles left open by the boundary";
    }
  }

  World& W() { return *world_; }
  IRegistry& Reg() { return world_->Platform().Registry(); }
  IFiles& Files() { return world_->Platform().Files(); }
  ISystemInfo& System() { return world_->Platform().System(); }
  bool IsNt() const { return world_->PlatformId() == win::kPlatformWindowsNt; }

  // Paths below the test's own scratch roots.
  std::string RegPath(std::string_view relative) const {
    std::string path = world_->RegRoot();
    if (!relative.empty()) path.append("\\").append(relative);
    return path;
  }
  std::string FilePath(std::string_view relative) const {
    std::string path = world_->FileRoot();
    if (!relative.empty()) path.append("\\").append(relative);
    return path;
  }

  // Whether the boundary can open the key; the handle is closed again.
  bool KeyExists(const std::string& path) {
    RegHandle handle = IRegistry::kNoHandle;
    const std::uint32_t rc = Reg().OpenKey(path, win::kKeyRead, handle);
    if (rc == win::kSuccess) {
      EXPECT_EQ(Reg().CloseKey(handle), win::kSuccess) << path;
    }
    return rc == win::kSuccess;
  }

  // The bytes a value holds, read through the boundary; rc is the query's
  // result (the open must succeed).
  std::uint32_t ReadValue(const std::string& keyPath, std::string_view name, Bytes& out,
                          std::uint32_t* type = nullptr) {
    out.clear();
    RegHandle handle = IRegistry::kNoHandle;
    const std::uint32_t open = Reg().OpenKey(keyPath, win::kKeyQueryValue, handle);
    EXPECT_EQ(open, win::kSuccess) << keyPath;
    if (open != win::kSuccess) return open;
    std::uint32_t size = 0;
    std::uint32_t rc = Reg().QueryValue(handle, name, nullptr, &size, type);
    if (rc == win::kSuccess) {
      out.assign(size + 1, kFill);
      rc = Reg().QueryValue(handle, name, out.data(), &size, type);
      out.resize(size);
    }
    EXPECT_EQ(Reg().CloseKey(handle), win::kSuccess);
    return rc;
  }

  std::unique_ptr<World> world_;
};

// A handle opened by a test, closed when the test leaves its scope, so that
// a failed assertion does not show up as a leak of the boundary.
class KeyGuard {
 public:
  KeyGuard(IRegistry& registry, RegHandle handle) : registry_(registry), handle_(handle) {}
  KeyGuard(const KeyGuard&) = delete;
  KeyGuard& operator=(const KeyGuard&) = delete;
  ~KeyGuard() {
    if (handle_ != IRegistry::kNoHandle && handle_ != IRegistry::kRootHandle) registry_.CloseKey(handle_);
  }
  RegHandle Get() const { return handle_; }
  // Hands the handle back to the test, which closes it itself.
  RegHandle Release() {
    const RegHandle handle = handle_;
    handle_ = IRegistry::kNoHandle;
    return handle;
  }

 private:
  IRegistry& registry_;
  RegHandle handle_;
};

}  // namespace zr::conformance
