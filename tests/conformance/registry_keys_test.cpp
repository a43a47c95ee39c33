// Opening, deleting and closing keys: the path forms RegOpenKeyExA accepts,
// what RegDeleteKeyA removes on each platform, and what a handle to a
// deleted key and a closed root still do.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

class RegistryOpen : public WorldTest {};

TEST_F(RegistryOpen, PathForms) {
  struct Row {
    const char* fact;
    std::string path;
    std::uint32_t rc;
  };
  // The key opened must be the right one: it carries a value to read back.
  const std::string root = W().RegRoot();
  W().CreateKey(RegPath("Sub"));
  W().PutValue(RegPath("Sub"), "marker", kRegSz, BytesOf({"sub\0", 4}));
  W().CreateKey(RegPath("Fwd/Slash"));
  W().PutValue(RegPath("Fwd/Slash"), "marker", kRegSz, BytesOf({"fwd\0", 4}));

  std::string upper = root;
  for (char& c : upper) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  std::string slashed = root;
  for (char& c : slashed) c = c == '\\' ? '/' : c;
  std::string doubled;
  for (char c : root) doubled.append(c == '\\' ? "\\\\" : std::string(1, c));

  const std::vector<Row> rows = {
      {"plain path", root + "\\Sub", kSuccess},
      {"trailing backslash", root + "\\Sub\\", kSuccess},
      {"doubled backslashes", doubled + "\\\\Sub", kSuccess},
      {"trailing doubled backslash", root + "\\Sub\\\\", kSuccess},
      {"names compare without regard to case", upper + "\\SUB", kSuccess},
      {"leading backslash: 161, handle NULL", "\\" + root + "\\Sub", kBadPathname},
      {"forward slash is a name character: missing key", slashed + "/Sub", kFileNotFound},
      {"missing key: 2, handle NULL", root + "\\NoSuch", kFileNotFound},
      {"missing middle component: 2", root + "\\NoSuch\\Sub", kFileNotFound},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    RegHandle handle = 0x1234;
    EXPECT_EQ(Reg().OpenKey(row.path, kKeyQueryValue, handle), row.rc);
    if (row.rc != kSuccess) {
      EXPECT_EQ(handle, IRegistry::kNoHandle);
      continue;
    }
    KeyGuard guard(Reg(), handle);
    EXPECT_NE(handle, IRegistry::kNoHandle);
    EXPECT_NE(handle, IRegistry::kRootHandle);
    std::vector<std::uint8_t> buffer(16, kFill);
    std::uint32_t size = 16;
    EXPECT_EQ(Reg().QueryValue(handle, "marker", buffer.data(), &size, nullptr), kSuccess);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 4), BytesOf({"sub\0", 4}));
  }

  SCOPED_TRACE("a name with '/' is one key of that name");
  Bytes out;
  EXPECT_EQ(ReadValue(RegPath("Fwd/Slash"), "marker", out), kSuccess);
  EXPECT_EQ(out, BytesOf({"fwd\0", 4}));
}

TEST_F(RegistryOpen, EmptyPathOpensTheRootItself) {
  RegHandle handle = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey("", kKeyRead, handle), kSuccess);
  EXPECT_EQ(handle, IRegistry::kRootHandle);

  SCOPED_TRACE("the handle lists HKLM's own keys, the scratch root's \"Software\" among them");
  bool found = false;
  for (std::uint32_t i = 0; !found; ++i) {
    char name[260];
    std::uint32_t capacity = sizeof name;
    const std::uint32_t rc = Reg().EnumKey(handle, i, name, &capacity);
    if (rc != kSuccess) {
      EXPECT_EQ(rc, kNoMoreItems);
      break;
    }
    std::string lower(name, capacity);
    for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    found = lower == "software";
  }
  EXPECT_TRUE(found);
  EXPECT_EQ(Reg().CloseKey(handle), kSuccess);
}

class RegistryDelete : public WorldTest {};

TEST_F(RegistryDelete, WhatRegDeleteKeyRemoves) {
  struct Row {
    const char* fact;
    std::vector<std::string> setUp;  // keys created below the row's own key
    std::string subkey;              // deleted below the row's own key
    std::uint32_t rcNt, rc9x;
    std::vector<std::string> goneNt, gone9x;  // keys expected missing afterwards
    std::vector<std::string> keptNt, kept9x;  // keys expected present afterwards
  };
  const std::vector<Row> rows = {
      {"a path deletes only its last component", {"D1\\A\\B\\C"}, "D1\\A\\B\\C", kSuccess,
       kSuccess, {"D1\\A\\B\\C"}, {"D1\\A\\B\\C"}, {"D1\\A\\B"}, {"D1\\A\\B"}},
      {"key with a sub-key: NT 5 and nothing deleted, 9x the sub-tree", {"D1\\A\\B"}, "D1\\A",
       kAccessDenied, kSuccess, {}, {"D1\\A", "D1\\A\\B"}, {"D1\\A", "D1\\A\\B"}, {"D1"}},
      {"three levels with values: NT 5, 9x all gone", {"D1\\A\\B\\C", "D1\\X"}, "D1",
       kAccessDenied, kSuccess, {}, {"D1", "D1\\A\\B\\C", "D1\\X"}, {"D1\\A\\B\\C", "D1\\X"}, {}},
      {"trailing backslash", {"D2\\Leaf"}, "D2\\Leaf\\", kSuccess, kSuccess, {"D2\\Leaf"},
       {"D2\\Leaf"}, {"D2"}, {"D2"}},
      {"names compare without regard to case", {"D2\\Leaf"}, "d2\\LEAF", kSuccess, kSuccess,
       {"D2\\Leaf"}, {"D2\\Leaf"}, {"D2"}, {"D2"}},
      {"missing key", {"D3"}, "NoSuch", kFileNotFound, kFileNotFound, {}, {}, {"D3"}, {"D3"}},
      {"missing middle component", {"D3"}, "NoSuch\\Deeper", kFileNotFound, kFileNotFound, {},
       {}, {"D3"}, {"D3"}},
  };

  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.fact);
    const std::string base = RegPath("r" + std::to_string(i));
    W().CreateKey(base);
    for (const std::string& key : row.setUp) W().CreateKey(base + "\\" + key);
    W().PutValue(base + "\\" + row.setUp.front(), "v", kRegSz, BytesOf({"x\0", 2}));

    RegHandle parent = IRegistry::kNoHandle;
    ASSERT_EQ(Reg().OpenKey(base, kKeyQueryValue, parent), kSuccess);
    {
      KeyGuard guard(Reg(), parent);
      EXPECT_EQ(Reg().DeleteKey(parent, row.subkey), IsNt() ? row.rcNt : row.rc9x);
    }
    for (const std::string& key : IsNt() ? row.goneNt : row.gone9x) {
      EXPECT_FALSE(KeyExists(base + "\\" + key)) << key;
    }
    for (const std::string& key : IsNt() ? row.keptNt : row.kept9x) {
      EXPECT_TRUE(KeyExists(base + "\\" + key)) << key;
    }
  }
}

TEST_F(RegistryDelete, EmptyNameDeletesTheHandlesOwnKey) {
  W().CreateKey(RegPath("D2\\Leaf"));
  RegHandle leaf = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(RegPath("D2\\Leaf"), kKeyAllAccess, leaf), kSuccess);
  KeyGuard guard(Reg(), leaf);

  EXPECT_EQ(Reg().DeleteKey(leaf, ""), kSuccess);
  EXPECT_FALSE(KeyExists(RegPath("D2\\Leaf")));
  EXPECT_TRUE(KeyExists(RegPath("D2")));

  SCOPED_TRACE("later use of the handle gives 1018");
  const Bytes data = BytesOf({"x\0", 2});
  EXPECT_EQ(Reg().SetValue(leaf, "v", kRegSz, data.data(), 2), kKeyDeleted);
  std::uint32_t size = 0;
  EXPECT_EQ(Reg().QueryValue(leaf, "v", nullptr, &size, nullptr), kKeyDeleted);
  EXPECT_EQ(Reg().CloseKey(guard.Release()), kSuccess);
}

TEST_F(RegistryDelete, EmptyNameOnAKeyWithSubKeys) {
  W().CreateKey(RegPath("D2\\Leaf\\Deeper"));
  RegHandle d2 = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(RegPath("D2"), kKeyAllAccess, d2), kSuccess);
  KeyGuard guard(Reg(), d2);

  if (IsNt()) {
    SCOPED_TRACE("NT: 5, nothing deleted");
    EXPECT_EQ(Reg().DeleteKey(d2, ""), kAccessDenied);
    EXPECT_TRUE(KeyExists(RegPath("D2\\Leaf\\Deeper")));
  } else {
    SCOPED_TRACE("9x: the sub-tree is deleted");
    EXPECT_EQ(Reg().DeleteKey(d2, ""), kSuccess);
    EXPECT_FALSE(KeyExists(RegPath("D2")));
    EXPECT_FALSE(KeyExists(RegPath("D2\\Leaf\\Deeper")));
  }
}

TEST_F(RegistryDelete, OtherHandlesToADeletedKeyReport1018) {
  W().CreateKey(RegPath("D4\\Gone"));
  RegHandle parent = IRegistry::kNoHandle;
  RegHandle other = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(RegPath("D4\\Gone"), kKeyAllAccess, other), kSuccess);
  KeyGuard otherGuard(Reg(), other);
  ASSERT_EQ(Reg().OpenKey(RegPath("D4"), kKeyQueryValue, parent), kSuccess);
  KeyGuard parentGuard(Reg(), parent);

  EXPECT_EQ(Reg().DeleteKey(parent, "Gone"), kSuccess);
  const Bytes data = BytesOf({"x\0", 2});
  EXPECT_EQ(Reg().SetValue(other, "v", kRegSz, data.data(), 2), kKeyDeleted);
  std::uint32_t size = 0;
  EXPECT_EQ(Reg().QueryValue(other, "v", nullptr, &size, nullptr), kKeyDeleted);
  EXPECT_EQ(Reg().CloseKey(otherGuard.Release()), kSuccess);
}

class RegistryClose : public WorldTest {};

TEST_F(RegistryClose, ClosingTheRootKeepsItUsable) {
  W().CreateKey(RegPath("C"));
  RegHandle before = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(RegPath("C"), kKeyRead, before), kSuccess);
  KeyGuard guard(Reg(), before);

  EXPECT_EQ(Reg().CloseRoot(), kSuccess);
  EXPECT_TRUE(KeyExists(RegPath("C")));
  EXPECT_EQ(Reg().CloseRoot(), kSuccess);
  EXPECT_EQ(Reg().CloseKey(IRegistry::kRootHandle), kSuccess);
  EXPECT_EQ(Reg().CloseKey(IRegistry::kRootHandle), kSuccess);
  EXPECT_TRUE(KeyExists(RegPath("C")));

  SCOPED_TRACE("handles opened before stay valid");
  char name[16];
  std::uint32_t capacity = sizeof name;
  EXPECT_EQ(Reg().EnumKey(before, 0, name, &capacity), kNoMoreItems);
  EXPECT_EQ(Reg().CloseKey(guard.Release()), kSuccess);
}

TEST_F(RegistryClose, InvalidHandles) {
  W().CreateKey(RegPath("C"));
  RegHandle handle = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(RegPath("C"), kKeyRead, handle), kSuccess);

  {
    SCOPED_TRACE("the same handle twice: 0 then 6");
    EXPECT_EQ(Reg().CloseKey(handle), kSuccess);
    EXPECT_EQ(Reg().CloseKey(handle), kInvalidHandle);
  }
  {
    SCOPED_TRACE("NULL: 6");
    EXPECT_EQ(Reg().CloseKey(IRegistry::kNoHandle), kInvalidHandle);
  }
  {
    SCOPED_TRACE("a handle never opened: 6");
    EXPECT_EQ(Reg().CloseKey(0x00BADBAD), kInvalidHandle);
  }
}

}  // namespace
}  // namespace zr::conformance
