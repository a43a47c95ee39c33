// Keys: the path forms RegOpenKeyExA accepts, what RegDeleteKeyA removes on
// each platform, what handles to a deleted key and a closed root still do;
// the order in which sub-keys and values are listed (lower-cased names
// compared code unit by code unit, not the order of creation) and what a
// name buffer that is too small gets; the access masks NT holds a handle to
// and 9x ignores, and replacing a key's access list. (How the simulation's
// protected keys refuse changes until their list is replaced is the
// engine's unit tests' part: Wine enforces no access lists to compare with.)
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

class RegistryKeys : public WorldTest {};

TEST_F(RegistryKeys, OpenPathForms) {
  const std::string root = W().RegRoot();
  // The key opened must be the right one: it carries a value to read back.
  W().PutValue(RegPath("Sub"), "marker", kRegSz, BytesOf({"sub\0", 4}));
  W().PutValue(RegPath("Fwd/Slash"), "marker", kRegSz, BytesOf({"fwd\0", 4}));
  const struct {
    const char* fact;
    std::string path;
    std::uint32_t rc;
    const char* marker;
  } rows[] = {
      {"doubled backslashes", root + "\\\\Sub", kSuccess, "sub"},
      {"names compare without regard to case", Upper(root) + "\\SUB", kSuccess, "sub"},
      {"'/' is a name character", root + "\\Fwd/Slash", kSuccess, "fwd"},
      {"leading backslash: 161, handle NULL", "\\" + root + "\\Sub", kBadPathname, ""},
      {"missing key on the way: 2, handle NULL", root + "\\NoSuch\\Sub", kFileNotFound, ""},
      {"the empty path: HKLM itself", "", kSuccess, nullptr},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fact);
    RegHandle handle = 0x1234;
    EXPECT_EQ(Reg().OpenKey(row.path, kKeyQueryValue, handle), row.rc);
    EXPECT_EQ(handle == IRegistry::kRootHandle, row.marker == nullptr);
    if (row.rc != kSuccess) {
      EXPECT_EQ(handle, IRegistry::kNoHandle);
    }
    if (handle == IRegistry::kRootHandle || handle == IRegistry::kNoHandle) continue;
    char buffer[16] = {};
    std::uint32_t size = sizeof buffer;
    Reg().QueryValue(handle, "marker", reinterpret_cast<std::uint8_t*>(buffer), &size, nullptr);
    EXPECT_STREQ(buffer, row.marker);
    EXPECT_EQ(Reg().CloseKey(handle), kSuccess);
  }
}

TEST_F(RegistryKeys, WhatDeleteKeyRemoves) {
  // Below a key of its own, each row creates one key (with a value), opens
  // one and deletes a name below that; the row's keys afterwards (Tree).
  const struct {
    const char *fact, *setUp, *opened, *subkey;
    std::uint32_t rcNt, rc9x;
    const char *treeNt, *tree9x;
  } rows[] = {
      {"a path deletes only its last component", "D\\A\\B\\C", "", "D\\A\\B\\C", kSuccess, kSuccess, "D D\\A D\\A\\B",
       "D D\\A D\\A\\B"},
      {"a key with sub-keys: NT 5, 9x the whole sub-tree", "D\\A\\B\\C", "", "D\\A", kAccessDenied, kSuccess,
       "D D\\A D\\A\\B D\\A\\B\\C", "D"},
      {"trailing backslash, names in another case", "D\\Leaf", "", "d\\LEAF\\", kSuccess, kSuccess, "D", "D"},
      {"empty name: the handle's own key", "D\\Leaf", "D\\Leaf", "", kSuccess, kSuccess, "D", "D"},
      {"empty name on a key with sub-keys: NT 5, 9x the sub-tree", "D\\Leaf", "D", "", kAccessDenied, kSuccess,
       "D D\\Leaf", ""},
      {"missing key, or a missing key on the way", "D", "", "NoSuch\\Deeper", kFileNotFound, kFileNotFound, "D", "D"},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const auto& row = rows[i];
    SCOPED_TRACE(row.fact);
    const std::string base = RegPath("r" + std::to_string(i));
    W().PutValue(base + "\\" + row.setUp, "v", kRegSz, BytesOf({"x\0", 2}));
    OpenedKey key = Open(*row.opened ? base + "\\" + row.opened : base, kKeyAllAccess);
    ASSERT_EQ(key.rc, kSuccess);
    EXPECT_EQ(Reg().DeleteKey(key.handle, row.subkey), IsNt() ? row.rcNt : row.rc9x);
    EXPECT_EQ(Tree(base), IsNt() ? row.treeNt : row.tree9x);
  }
}

TEST_F(RegistryKeys, HandlesToADeletedKeyReport1018) {
  W().CreateKey(RegPath("D\\Gone"));
  OpenedKey self = Open(RegPath("D\\Gone"), kKeyAllAccess), other = Open(RegPath("D\\Gone"), kKeyAllAccess);
  ASSERT_EQ(Reg().DeleteKey(self.handle, ""), kSuccess);
  std::uint32_t size = 0;
  for (RegHandle handle : {self.Take(), other.Take()}) {
    EXPECT_EQ(Reg().SetValue(handle, "v", kRegSz, reinterpret_cast<const std::uint8_t*>("x"), 2), kKeyDeleted);
    EXPECT_EQ(Reg().QueryValue(handle, "v", nullptr, &size, nullptr), kKeyDeleted);
    EXPECT_EQ(Reg().CloseKey(handle), kSuccess);
  }
}

TEST_F(RegistryKeys, HandleNumbersClosingAndTheRoot) {
  W().CreateKey(RegPath("C"));
  RegHandle first = 0, second = 0, third = 0;
  ASSERT_TRUE(!Reg().OpenKey(RegPath("C"), kKeyRead, first) && !Reg().OpenKey(RegPath("C"), kKeyRead, second));
  ASSERT_TRUE(!Reg().CloseKey(first) && !Reg().OpenKey(RegPath("C"), kKeyRead, third));
  // The stale number must not close the key that now lives elsewhere.
  EXPECT_EQ(Reg().CloseKey(first), kInvalidHandle);
  EXPECT_EQ(W().OpenHandleCount(), 2);
  EXPECT_EQ(Reg().CloseKey(0x00BADBAD), kInvalidHandle);

  for (int twice = 0; twice < 2; ++twice)
    EXPECT_EQ(Reg().CloseRoot() + Reg().CloseKey(IRegistry::kRootHandle), kSuccess);
  EXPECT_EQ(Tree(RegPath("")), "C") << "the root works on after it was closed";
  EXPECT_EQ(Reg().CloseKey(second) + Reg().CloseKey(third), kSuccess) << "handles opened before stay valid";
}

TEST_F(RegistryKeys, HandleMasksOnNtIgnoredOn9x) {
  const Bytes fresh = BytesOf({"new\0", 4}), old = BytesOf({"old\0", 4});
  // Access, and whether to set "v" (or else query it): KEY_READ cannot set,
  // KEY_SET_VALUE cannot query, and access 0 opens but cannot query.
  const std::pair<std::uint32_t, bool> rows[] = {{kKeyRead, true}, {kKeySetValue, false}, {0, false}};
  for (const auto& [access, set] : rows) {
    SCOPED_TRACE(access);
    const std::string keyPath = RegPath("M" + std::to_string(access));
    W().PutValue(keyPath, "v", kRegSz, old);
    {
      OpenedKey key = Open(keyPath, access);
      ASSERT_EQ(key.rc, kSuccess);
      std::uint32_t size = 0;
      EXPECT_EQ(set ? Reg().SetValue(key.handle, "v", kRegSz, fresh.data(), 4)
                    : Reg().QueryValue(key.handle, "v", nullptr, &size, nullptr),
                IsNt() ? kAccessDenied : kSuccess);
    }
    Bytes out;
    ReadValue(keyPath, "v", out);
    EXPECT_EQ(out == old, IsNt() || !set) << "a refused change leaves the value as it was";
  }
}

// A missing pointer is refused before the handle is looked at; a handle
// that is no open key's is refused by every method; neither writes anything.
TEST_F(RegistryKeys, BadHandlesAndMissingArguments) {
  for (const RegHandle bad : {IRegistry::kNoHandle, RegHandle{0x00BADBAD}}) {
    std::uint8_t data[4] = {7, 7, 7, 7};
    std::uint32_t size = 4, type = 9, capacity = 4;
    char name[4] = "abc";
    const struct {
      const char* call;
      std::uint32_t result, expected;
    } rows[] = {
        {"QueryValue", Reg().QueryValue(bad, "v", data, &size, &type), kInvalidHandle},
        {"SetValue", Reg().SetValue(bad, "v", kRegBinary, data, 2), kInvalidHandle},
        {"DeleteValue", Reg().DeleteValue(bad, "v"), kInvalidHandle},
        {"DeleteKey", Reg().DeleteKey(bad, "k"), kInvalidHandle},
        {"EnumKey", Reg().EnumKey(bad, 0, name, &capacity), kInvalidHandle},
        {"EnumValue", Reg().EnumValue(bad, 0, name, &capacity), kInvalidHandle},
        {"CloseKey", Reg().CloseKey(bad), kInvalidHandle},
        {"QueryValue, data without a size", Reg().QueryValue(bad, "v", data, nullptr, &type), kInvalidParameter},
        {"SetValue, a size without data", Reg().SetValue(bad, "v", kRegBinary, nullptr, 4), kInvalidParameter},
        {"EnumKey without a name", Reg().EnumKey(bad, 0, nullptr, &capacity), kInvalidParameter},
        {"EnumValue without a capacity", Reg().EnumValue(bad, 0, name, nullptr), kInvalidParameter},
    };
    for (const auto& row : rows) EXPECT_EQ(row.result, row.expected) << row.call << ", handle " << bad;
    EXPECT_EQ(std::vector<std::uint8_t>(data, data + 4), std::vector<std::uint8_t>(4, 7));
    EXPECT_EQ(std::tuple(size, type, capacity, std::string(name)), std::tuple(4u, 9u, 4u, std::string("abc")));
  }
}

TEST_F(RegistryKeys, ReplacingTheList) {
  W().CreateKey(RegPath("L"));
  // Wine's win98 mode accepts RegSetKeySecurity; Windows 98 has no access
  // lists and refuses the call, which is what the boundary reports there.
  EXPECT_EQ(Reg().ReplaceAccessList(Open(RegPath("L"), kWriteDac).handle), IsNt() ? kSuccess : kCallNotImplemented);
  // Interactive users read, administrators everything, neither entry
  // inherited; the sub-key keeps its own list.
  W().CreateKey(RegPath("L\\sub"));
  if (IsNt()) {
    EXPECT_EQ(W().AccessList(RegPath("L")), "(S-1-5-4 0x20019 0)(S-1-5-32-544 0xf003f 0)");
    EXPECT_NE(W().AccessList(RegPath("L\\sub")), W().AccessList(RegPath("L")));
  }
  OpenedKey again = Open(RegPath("L"), kKeyAllAccess);
  EXPECT_EQ(Reg().SetValue(again.handle, "v", kRegSz, reinterpret_cast<const std::uint8_t*>("x"), 2), kSuccess)
      << "the administrator keeps full access";
  if (IsNt()) {
    EXPECT_EQ(Reg().ReplaceAccessList(0x00BADBAD), kInvalidHandle);
  }
}

TEST_F(RegistryKeys, RegistryOrderAndShortNameBuffers) {
  const std::string creation[] = {"b", "A", "0001", "0000", "B2", "a1", "_u", "Z", "10", "9", "~t", "[x"};
  const std::string keyPath = RegPath("E");
  for (const std::string& name : creation) {
    W().CreateKey(keyPath + "\\" + name);
    W().PutValue(keyPath, name, kRegSz, BytesOf({"x\0", 2}));
  }
  W().CreateKey(keyPath + "\\a1\\child");  // grandchildren are not listed
  W().PutValue(keyPath, "!late", kRegSz, BytesOf({"x\0", 2}));
  W().PutValue(keyPath, "", kRegSz, BytesOf({"d\0", 2}));
  OpenedKey key = Open(keyPath, kKeyAllAccess);
  ASSERT_EQ(key.rc, kSuccess);

  // Every name listed, blank-separated, up to the first result other than
  // kSuccess, which must be kNoMoreItems, also one index further on.
  auto list = [&](auto enumerate) {
    std::string names;
    char name[260];
    std::uint32_t i = 0, size = sizeof name, rc;
    for (; (rc = (Reg().*enumerate)(key.handle, i, name, &size)) == kSuccess; ++i, size = sizeof name) {
      EXPECT_EQ(name[size], '\0') << "the name is terminated and its length excludes the zero";
      names += (i ? " " : "") + std::string(name, size);
    }
    EXPECT_EQ(rc, kNoMoreItems);
    EXPECT_EQ((Reg().*enumerate)(key.handle, i + 1, name, &(size = sizeof name)), kNoMoreItems);
    return names;
  };
  const std::string order = "0000 0001 10 9 [x _u A a1 b B2 Z ~t";
  EXPECT_EQ(list(&IRegistry::EnumKey), order);
  EXPECT_EQ(list(&IRegistry::EnumValue), " !late " + order) << "the default value first";

  const char fill = static_cast<char>(kFill);
  for (std::uint32_t capacity : {2u, 4u, 5u}) {
    SCOPED_TRACE("name capacity " + std::to_string(capacity));
    std::string keyName(8, fill), valueName(8, fill);
    std::uint32_t keySize = capacity, valueSize = capacity;
    EXPECT_EQ(Reg().EnumKey(key.handle, 0, keyName.data(), &keySize), capacity < 5 ? kMoreData : kSuccess);
    EXPECT_EQ(keyName, capacity < 5 ? std::string(8, fill) : std::string("0000\0", 5) + std::string(3, fill));
    EXPECT_EQ(keySize, capacity < 5 ? capacity : 4) << "a sub-key name that does not fit leaves buffer and size alone";
    EXPECT_EQ(Reg().EnumValue(key.handle, 1, valueName.data(), &valueSize), kMoreData);
    EXPECT_EQ(valueName, std::string("!late", capacity - 1) + '\0' + std::string(8 - capacity, fill));
    EXPECT_EQ(valueSize, capacity) << "a value name that does not fit is cut to capacity - 1 and a zero";
  }
}

}  // namespace
}  // namespace zr::conformance
