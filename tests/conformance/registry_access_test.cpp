// Access: NT holds a handle to the access mask it was opened with, 9x
// ignores masks; protected keys (the access lists of device keys on NT)
// refuse deletion and value changes until the tool replaces their list.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

class RegistryAccessMask : public WorldTest {};

TEST_F(RegistryAccessMask, HandleMasksOnNtIgnoredOn9x) {
  struct Row {
    const char* fact;
    std::uint32_t access;
    // The action's result, and whether it changed the value "v" (was "old").
    std::function<std::uint32_t(IRegistry&, RegHandle)> action;
    std::uint32_t rcNt, rc9x;
    bool changes;
  };
  const Bytes fresh = BytesOf({"new\0", 4});
  const std::vector<Row> rows = {
      {"KEY_READ handle: set value NT 5, 9x 0", kKeyRead,
       [&](IRegistry& r, RegHandle k) { return r.SetValue(k, "v", kRegSz, fresh.data(), 4); },
       kAccessDenied, kSuccess, true},
      {"KEY_READ handle: delete value NT 5, 9x 0", kKeyRead,
       [](IRegistry& r, RegHandle k) { return r.DeleteValue(k, "v"); }, kAccessDenied, kSuccess,
       true},
      {"KEY_SET_VALUE handle: query value NT 5, 9x 0", kKeySetValue,
       [](IRegistry& r, RegHandle k) {
         std::uint32_t size = 0;
         return r.QueryValue(k, "v", nullptr, &size, nullptr);
       },
       kAccessDenied, kSuccess, false},
      {"KEY_SET_VALUE handle: enumerate sub-keys NT 5, 9x 0", kKeySetValue,
       [](IRegistry& r, RegHandle k) {
         char name[16];
         std::uint32_t capacity = sizeof name;
         return r.EnumKey(k, 0, name, &capacity);
       },
       kAccessDenied, kSuccess, false},
      {"access 0: the open succeeds, a query is NT 5, 9x 0", 0,
       [](IRegistry& r, RegHandle k) {
         std::uint32_t size = 0;
         return r.QueryValue(k, "v", nullptr, &size, nullptr);
       },
       kAccessDenied, kSuccess, false},
  };

  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.fact);
    const std::string keyPath = RegPath("M" + std::to_string(i));
    W().CreateKey(keyPath + "\\child");
    W().PutValue(keyPath, "v", kRegSz, BytesOf({"old\0", 4}));

    RegHandle key = IRegistry::kNoHandle;
    ASSERT_EQ(Reg().OpenKey(keyPath, row.access, key), kSuccess);
    {
      KeyGuard guard(Reg(), key);
      EXPECT_EQ(row.action(Reg(), key), IsNt() ? row.rcNt : row.rc9x);
    }
    if (row.changes) {
      SCOPED_TRACE("a refused change leaves the value as it was");
      Bytes out;
      const std::uint32_t rc = ReadValue(keyPath, "v", out);
      if (IsNt()) {
        EXPECT_EQ(rc, kSuccess);
        EXPECT_EQ(out, BytesOf({"old\0", 4}));
      } else {
        EXPECT_NE(out, BytesOf({"old\0", 4}));
      }
    }
  }
}

// Protected keys: a key whose access list grants the administrator no
// DELETE and no KEY_SET_VALUE (as the device keys of an NT machine do),
// until the tool writes its own list onto that very key.
class RegistryProtected : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    if (!W().EnforcesAccessLists()) GTEST_SKIP() << "this backend cannot set up refusing access lists";
    W().CreateKey(RegPath("P\\Child"));
    W().PutValue(RegPath("P"), "v", kRegSz, BytesOf({"old\0", 4}));
    W().ProtectKey(RegPath("P"));
  }

  std::uint32_t OpenAndClose(const std::string& path, std::uint32_t access) {
    RegHandle key = 0x1234;
    const std::uint32_t rc = Reg().OpenKey(path, access, key);
    if (rc == kSuccess) {
      EXPECT_EQ(Reg().CloseKey(key), kSuccess);
    } else {
      EXPECT_EQ(key, IRegistry::kNoHandle);
    }
    return rc;
  }

  std::uint32_t ReplaceList(const std::string& path) {
    RegHandle key = IRegistry::kNoHandle;
    const std::uint32_t open = Reg().OpenKey(path, kWriteDac, key);
    EXPECT_EQ(open, kSuccess) << "the administrator may always rewrite the list";
    if (open != kSuccess) return open;
    const std::uint32_t rc = Reg().ReplaceAccessList(key);
    EXPECT_EQ(Reg().CloseKey(key), kSuccess);
    return rc;
  }

  std::uint32_t DeleteBelow(const std::string& parent, const std::string& name) {
    RegHandle key = IRegistry::kNoHandle;
    const std::uint32_t open = Reg().OpenKey(parent, kKeyQueryValue, key);
    EXPECT_EQ(open, kSuccess);
    if (open != kSuccess) return open;
    const std::uint32_t rc = Reg().DeleteKey(key, name);
    EXPECT_EQ(Reg().CloseKey(key), kSuccess);
    return rc;
  }
};

TEST_F(RegistryProtected, RefusesChangesUntilItsOwnListIsReplaced) {
  if (!IsNt()) GTEST_SKIP() << "9x has no access lists";
  const std::string p = RegPath("P");
  const std::string child = RegPath("P\\Child");

  {
    SCOPED_TRACE("protected: reading works, changing and deleting are refused");
    EXPECT_EQ(OpenAndClose(p, kKeyRead), kSuccess);
    EXPECT_EQ(OpenAndClose(p, kKeySetValue), kAccessDenied);
    EXPECT_EQ(OpenAndClose(p, kDelete), kAccessDenied);
    EXPECT_EQ(OpenAndClose(child, kKeySetValue), kAccessDenied);
    EXPECT_EQ(DeleteBelow(p, "Child"), kAccessDenied);
    EXPECT_TRUE(KeyExists(child));
    Bytes out;
    EXPECT_EQ(ReadValue(p, "v", out), kSuccess);
    EXPECT_EQ(out, BytesOf({"old\0", 4}));
  }
  {
    SCOPED_TRACE("the parent's new list does not reach its sub-key");
    EXPECT_EQ(ReplaceList(p), kSuccess);
    EXPECT_EQ(OpenAndClose(child, kKeySetValue), kAccessDenied);
    EXPECT_EQ(DeleteBelow(p, "Child"), kAccessDenied);
  }
  {
    SCOPED_TRACE("a key whose own list was replaced may be changed and deleted");
    RegHandle key = IRegistry::kNoHandle;
    ASSERT_EQ(Reg().OpenKey(p, kKeySetValue, key), kSuccess);
    KeyGuard guard(Reg(), key);
    const Bytes fresh = BytesOf({"new\0", 4});
    EXPECT_EQ(Reg().SetValue(key, "v", kRegSz, fresh.data(), 4), kSuccess);
    EXPECT_EQ(ReplaceList(child), kSuccess);
    EXPECT_EQ(DeleteBelow(p, "Child"), kSuccess);
    EXPECT_EQ(DeleteBelow(RegPath(""), "P"), kSuccess);
    EXPECT_FALSE(KeyExists(p));
  }
}

class RegistryAccessList : public WorldTest {};

TEST_F(RegistryAccessList, ReplacingTheList) {
  W().CreateKey(RegPath("L"));
  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(RegPath("L"), kWriteDac, key), kSuccess);
  KeyGuard guard(Reg(), key);
  // Wine's win98 mode accepts RegSetKeySecurity; Windows 98 has no access
  // lists and refuses the call, which is what the boundary reports there.
  EXPECT_EQ(Reg().ReplaceAccessList(key), IsNt() ? kSuccess : kCallNotImplemented);

  if (IsNt()) {
    SCOPED_TRACE("the administrator keeps full access to the key");
    RegHandle again = IRegistry::kNoHandle;
    ASSERT_EQ(Reg().OpenKey(RegPath("L"), kKeyAllAccess, again), kSuccess);
    KeyGuard againGuard(Reg(), again);
    const Bytes data = BytesOf({"x\0", 2});
    EXPECT_EQ(Reg().SetValue(again, "v", kRegSz, data.data(), 2), kSuccess);

    SCOPED_TRACE("a handle never opened: 6");
    EXPECT_EQ(Reg().ReplaceAccessList(0x00BADBAD), kInvalidHandle);
  }
}

}  // namespace
}  // namespace zr::conformance
