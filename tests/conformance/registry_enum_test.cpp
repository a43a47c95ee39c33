// Enumeration: the registry lists sub-keys and values in its own order
// (lower-cased names compared code unit by code unit), not in the order of
// creation, and says how it treats a name buffer that is too small.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

const std::vector<std::string> kCreationOrder = {"b",  "A",  "c", "0001", "0000", "B2", "a1",
                                                 "_u", "Z",  "10", "9",  "~t",   "[x"};
const std::vector<std::string> kRegistryOrder = {"0000", "0001", "10", "9", "[x", "_u", "A",
                                                 "a1",   "b",    "B2", "c", "Z",  "~t"};

class RegistryEnum : public WorldTest {
 protected:
  // Every name the handle lists, by EnumKey or EnumValue, up to the first
  // result that is not kSuccess, which must be kNoMoreItems.
  template <typename Enum>
  std::vector<std::string> ListAll(Enum enumerate) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < 100; ++i) {
      char name[260];
      std::memset(name, kFill, sizeof name);
      std::uint32_t capacity = sizeof name;
      const std::uint32_t rc = enumerate(i, name, &capacity);
      if (rc != kSuccess) {
        EXPECT_EQ(rc, kNoMoreItems) << "at index " << i;
        // Past the end stays past the end.
        capacity = sizeof name;
        EXPECT_EQ(enumerate(i + 1, name, &capacity), kNoMoreItems);
        break;
      }
      EXPECT_LT(capacity, sizeof name);
      if (capacity >= sizeof name) break;
      EXPECT_EQ(name[capacity], '\0') << "the name is terminated and its length excludes the zero";
      names.emplace_back(name, capacity);
    }
    return names;
  }
};

TEST_F(RegistryEnum, SubKeysInRegistryOrder) {
  for (const std::string& name : kCreationOrder) W().CreateKey(RegPath("E\\" + name));
  W().CreateKey(RegPath("E\\a1\\child"));  // grandchildren are not listed

  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(RegPath("E"), kKeyRead, key), kSuccess);
  KeyGuard guard(Reg(), key);
  EXPECT_EQ(ListAll([&](std::uint32_t i, char* name, std::uint32_t* capacity) {
              return Reg().EnumKey(key, i, name, capacity);
            }),
            kRegistryOrder);
}

TEST_F(RegistryEnum, ValuesInRegistryOrderDefaultFirst) {
  const std::string keyPath = RegPath("E");
  W().CreateKey(keyPath);
  for (const std::string& name : kCreationOrder) {
    W().PutValue(keyPath, name, kRegSz, BytesOf({"x\0", 2}));
  }
  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(keyPath, kKeyAllAccess, key), kSuccess);
  KeyGuard guard(Reg(), key);
  auto list = [&] {
    return ListAll([&](std::uint32_t i, char* name, std::uint32_t* capacity) {
      return Reg().EnumValue(key, i, name, capacity);
    });
  };

  EXPECT_EQ(list(), kRegistryOrder);

  SCOPED_TRACE("the default value, once set, comes first; a late \"!late\" sorts second");
  W().PutValue(keyPath, "!late", kRegSz, BytesOf({"x\0", 2}));
  W().PutValue(keyPath, "", kRegSz, BytesOf({"d\0", 2}));
  std::vector<std::string> expected = {"", "!late"};
  expected.insert(expected.end(), kRegistryOrder.begin(), kRegistryOrder.end());
  EXPECT_EQ(list(), expected);

  SCOPED_TRACE("rewriting a value, or deleting and recreating it, does not move it");
  const Bytes data = {1, 2, 3, 4};
  ASSERT_EQ(Reg().SetValue(key, "b", kRegBinary, data.data(), 4), kSuccess);
  ASSERT_EQ(Reg().DeleteValue(key, "0000"), kSuccess);
  ASSERT_EQ(Reg().SetValue(key, "0000", kRegBinary, data.data(), 4), kSuccess);
  EXPECT_EQ(list(), expected);
}

TEST_F(RegistryEnum, NameBufferTooSmall) {
  const std::string keyPath = RegPath("E");
  W().CreateKey(keyPath + "\\0000");
  W().PutValue(keyPath, "0000", kRegSz, BytesOf({"x\0", 2}));
  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(keyPath, kKeyRead, key), kSuccess);
  KeyGuard guard(Reg(), key);

  for (std::uint32_t capacityIn : {2u, 4u}) {
    SCOPED_TRACE("capacity " + std::to_string(capacityIn));
    {
      SCOPED_TRACE("sub-key: 234, buffer untouched, capacity unchanged");
      char name[8];
      std::memset(name, kFill, sizeof name);
      std::uint32_t capacity = capacityIn;
      EXPECT_EQ(Reg().EnumKey(key, 0, name, &capacity), kMoreData);
      EXPECT_EQ(capacity, capacityIn);
      EXPECT_EQ(Bytes(name, name + sizeof name), Bytes(sizeof name, kFill));
    }
    {
      SCOPED_TRACE("value: 234, the name cut to capacity-1 with a zero, capacity unchanged");
      char name[8];
      std::memset(name, kFill, sizeof name);
      std::uint32_t capacity = capacityIn;
      EXPECT_EQ(Reg().EnumValue(key, 0, name, &capacity), kMoreData);
      EXPECT_EQ(capacity, capacityIn);
      Bytes expected(sizeof name, kFill);
      std::memcpy(expected.data(), "0000", capacityIn - 1);
      expected[capacityIn - 1] = 0;
      EXPECT_EQ(Bytes(name, name + sizeof name), expected);
    }
  }

  SCOPED_TRACE("an exact fit: capacity 5 holds 0000 and its zero");
  char name[8];
  std::uint32_t capacity = 5;
  EXPECT_EQ(Reg().EnumKey(key, 0, name, &capacity), kSuccess);
  EXPECT_EQ(capacity, 4u);
  capacity = 5;
  EXPECT_EQ(Reg().EnumValue(key, 0, name, &capacity), kSuccess);
  EXPECT_EQ(capacity, 4u);
}

TEST_F(RegistryEnum, CutValueNameAfterTheDefault) {
  // The measured "!la" case: index 1 once the default value is set.
  const std::string keyPath = RegPath("E");
  W().CreateKey(keyPath);
  W().PutValue(keyPath, "a", kRegSz, BytesOf({"x\0", 2}));
  W().PutValue(keyPath, "!late", kRegSz, BytesOf({"x\0", 2}));
  W().PutValue(keyPath, "", kRegSz, BytesOf({"x\0", 2}));
  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(keyPath, kKeyRead, key), kSuccess);
  KeyGuard guard(Reg(), key);

  char name[8];
  std::memset(name, kFill, sizeof name);
  std::uint32_t capacity = 4;
  EXPECT_EQ(Reg().EnumValue(key, 1, name, &capacity), kMoreData);
  EXPECT_EQ(capacity, 4u);
  EXPECT_EQ(Bytes(name, name + sizeof name),
            (Bytes{'!', 'l', 'a', 0, kFill, kFill, kFill, kFill}));
}

TEST_F(RegistryEnum, EmptyKeyListsNothing) {
  W().CreateKey(RegPath("E"));
  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(RegPath("E"), kKeyRead, key), kSuccess);
  KeyGuard guard(Reg(), key);
  char name[8];
  std::uint32_t capacity = sizeof name;
  EXPECT_EQ(Reg().EnumKey(key, 0, name, &capacity), kNoMoreItems);
  capacity = sizeof name;
  EXPECT_EQ(Reg().EnumValue(key, 0, name, &capacity), kNoMoreItems);
}

}  // namespace
}  // namespace zr::conformance
