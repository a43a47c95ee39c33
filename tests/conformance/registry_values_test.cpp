// Values: what RegQueryValueExA gives back in its result, size and type
// out-params and the caller's buffer; how many bytes RegSetValueExA stores
// on each platform; rewriting and deleting values.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

class RegistryValues : public WorldTest {};

TEST_F(RegistryValues, QueryFillsResultSizeTypeAndBufferAsWindows) {
  enum Pass { Buffer, NullData, NullSize, NullBoth, NullType };
  const std::string sz260(260, 'n'), sz260Zero = sz260 + '\0', abc0("abc\0", 4), keyPath = RegPath("Q");
  W().PutValue(keyPath, "abc", kRegSz, BytesOf(abc0));
  if (IsNt()) W().PutValue(keyPath, "sz260", kRegSz, BytesOf(sz260));  // 9x cannot store a REG_SZ without its zero
  W().PutValue(keyPath, "bin3", kRegBinary, BytesOf("abc"));
  const struct {
    const char* fact;
    const char* name;
    Pass pass;
    std::uint32_t sizeIn, rc, sizeOut, typeOut;
    std::string written;  // the buffer's first bytes afterwards; the rest keeps kFill
  } rows[] = {
      {"data NULL: the size", "abc", NullData, 0, kSuccess, 4, kRegSz, {}},
      {"exact fit; names in another case", "ABC", Buffer, 4, kSuccess, 4, kRegSz, abc0},
      {"too small: 234, the size needed, the type, buffer untouched", "abc", Buffer, 3, kMoreData, 4, kRegSz, {}},
      {"the type out-param may be omitted", "abc", NullType, 260, kSuccess, 4, kRegNone, abc0},
      {"REG_SZ without zero, exact fit: no zero added", "sz260", Buffer, 260, kSuccess, 260, kRegSz, sz260},
      {"REG_SZ without zero, room for one: added, not counted", "sz260", Buffer, 261, kSuccess, 260, kRegSz, sz260Zero},
      {"REG_BINARY: no terminator added", "bin3", Buffer, 260, kSuccess, 3, kRegBinary, "abc"},
      {"missing value: 2, size unchanged, type 0", "nosuch", Buffer, 260, kFileNotFound, 260, kRegNone, {}},
      {"unset default value: 2", "", Buffer, 260, kFileNotFound, 260, kRegNone, {}},
      {"data without a size: 87", "abc", NullSize, 0, kInvalidParameter, 0, 0xDEAD, {}},
      {"neither data nor size: 0 and the type", "bin3", NullBoth, 0, kSuccess, 0, kRegBinary, {}},
  };
  OpenedKey key = Open(keyPath, kKeyQueryValue);
  ASSERT_EQ(key.rc, kSuccess);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fact);
    if (!IsNt() && std::string(row.name) == "sz260") continue;
    Bytes buffer(row.sizeIn + 16, kFill);
    std::uint32_t size = row.sizeIn, type = row.pass == NullType ? kRegNone : 0xDEAD;
    std::uint8_t* data = row.pass == NullData || row.pass == NullBoth ? nullptr : buffer.data();
    std::uint32_t* sizeOut = row.pass == NullSize || row.pass == NullBoth ? nullptr : &size;
    EXPECT_EQ(Reg().QueryValue(key.handle, row.name, data, sizeOut, row.pass == NullType ? nullptr : &type), row.rc);
    EXPECT_EQ(std::pair(size, type), std::pair(row.sizeOut, row.typeOut));
    EXPECT_EQ(buffer, BytesOf(row.written + std::string(buffer.size() - row.written.size(), static_cast<char>(kFill))));
  }
}

// How many bytes RegSetValueExA stores. Within the given size, 9x takes a
// REG_SZ up to its first zero (adding one when there is none) and NT takes
// every byte. Windows also looks past the size (NT at the byte after it, to
// add a zero found there; 98 up to the string's zero wherever it is); the
// boundary never does: bytes after `size` do not reach the registry. A
// rewrite replaces kind and bytes; deleting a missing value gives 2.
TEST_F(RegistryValues, SetStoresStringLengthsAsEachPlatformDeleteRemoves) {
  const Bytes abc0 = BytesOf({"abc\0", 4}), abc = BytesOf("abc"), none;
  const Bytes abcdef0 = BytesOf({"abcdef\0", 7}), abcZ = BytesOf({"abc\0zzzzz\0", 10});
  const struct {  // buffer: what the caller's pointer points at (empty: NULL); stored nullopt: no value
    const char* fact;
    std::uint32_t kind;
    Bytes buffer;
    std::uint32_t size, rcNt;
    std::optional<Bytes> storedNt;
    std::uint32_t rc9x;
    std::optional<Bytes> stored9x;
  } rows[] = {
      {"REG_SZ, a zero after the size: not read; 9x adds its own", kRegSz, abc0, 3, kSuccess, abc, kSuccess, abc0},
      {"REG_SZ cut by the size: NT 3, 9x abc and a zero", kRegSz, abcdef0, 3, kSuccess, abc, kSuccess, abc0},
      {"REG_SZ with an inner zero: NT every byte, 9x up to it", kRegSz, abcZ, 10, kSuccess, abcZ, kSuccess, abc0},
      {"REG_SZ, size 0: NT nothing, 9x a lone zero", kRegSz, abc0, 0, kSuccess, none, kSuccess, Bytes{0}},
      {"REG_EXPAND_SZ, over a binary value named in another case: as given", kRegExpandSz, abcdef0, 3, kSuccess, abc,
       kSuccess, abc},
      {"REG_SZ, data NULL, size 0: NT stores empty, 9x 87", kRegSz, none, 0, kSuccess, none, kInvalidParameter, {}},
      // Wine's NT mode dies of a page fault in this call; the boundary refuses
      // it instead, as 9x does.
      {"REG_SZ, data NULL, size 5: 87", kRegSz, none, 5, kInvalidParameter, {}, kInvalidParameter, {}},
  };
  const std::string keyPath = RegPath("S");
  W().PutValue(keyPath, "V4", kRegBinary, Bytes(32, 0x07));
  OpenedKey key = Open(keyPath, kKeySetValue);
  ASSERT_EQ(key.rc, kSuccess);
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const auto& row = rows[i];
    SCOPED_TRACE(row.fact);
    const std::string name = "v" + std::to_string(i);
    const std::optional<Bytes>& stored = IsNt() ? row.storedNt : row.stored9x;
    EXPECT_EQ(Reg().SetValue(key.handle, name, row.kind, row.buffer.empty() ? nullptr : row.buffer.data(), row.size),
              IsNt() ? row.rcNt : row.rc9x);
    Bytes out;
    std::uint32_t type = 0;
    EXPECT_EQ(ReadValue(keyPath, name, out, &type), stored ? kSuccess : kFileNotFound);
    EXPECT_EQ(std::pair(out, type), std::pair(stored.value_or(none), stored ? row.kind : kRegNone));
  }
  EXPECT_EQ(Reg().DeleteValue(key.handle, "nosuch"), kFileNotFound);
  EXPECT_EQ(Reg().DeleteValue(key.handle, "V0"), kSuccess);
  EXPECT_EQ(Reg().DeleteValue(key.handle, "v0"), kFileNotFound) << "deleted";
}

}  // namespace
}  // namespace zr::conformance
