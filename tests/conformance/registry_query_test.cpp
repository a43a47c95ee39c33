// Reading values: what RegQueryValueExA gives back in its result, size and
// type out-params and the caller's buffer, for values that fit, values that
// do not, and values that are missing.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

enum class Pass { Buffer, NullData, NullSize, NullBoth };

struct QueryRow {
  const char* fact;
  const char* name;                 // the value queried
  std::optional<std::uint32_t> kind;  // set up with this kind, or left missing
  Bytes stored;
  Pass pass;
  std::uint32_t sizeIn;
  std::uint32_t rc;
  std::uint32_t sizeOut;
  std::uint32_t typeOut;
  Bytes written;  // the buffer's first bytes afterwards; the rest keeps kFill
  bool ntOnly = false;
};

Bytes WithFillAfter(Bytes bytes) {
  bytes.push_back(kFill);
  return bytes;
}

class RegistryQuery : public WorldTest {};

TEST_F(RegistryQuery, ResultSizeTypeAndBufferAsWindowsFillsThem) {
  const Bytes sz300 = Repeated(299, 's', true);
  const Bytes bin300 = Repeated(300, 'b', false);
  const Bytes exp300 = Repeated(299, 'e', true);
  const Bytes sz260NoZero = Repeated(260, 'n', false);
  const Bytes abc0 = BytesOf({"abc\0", 4});
  const Bytes abc = BytesOf("abc");
  const Bytes multi = BytesOf({"a\0b\0\0", 5});
  const Bytes dword = {0x78, 0x56, 0x34, 0x12};

  const std::vector<QueryRow> rows = {
      {"REG_SZ of 300 bytes into 260: 234, size 300, type given, buffer untouched", "sz300",
       kRegSz, sz300, Pass::Buffer, 260, kMoreData, 300, kRegSz, {}},
      {"REG_SZ of 300 bytes into 300: whole value with its zero", "sz300", kRegSz, sz300,
       Pass::Buffer, 300, kSuccess, 300, kRegSz, sz300},
      {"REG_SZ of 300 bytes, data NULL: the size", "sz300", kRegSz, sz300, Pass::NullData, 0,
       kSuccess, 300, kRegSz, {}},
      {"REG_BINARY of 300 bytes into 260: 234, untouched", "bin300", kRegBinary, bin300,
       Pass::Buffer, 260, kMoreData, 300, kRegBinary, {}},
      {"REG_EXPAND_SZ of 300 bytes into 260: 234, untouched", "exp300", kRegExpandSz, exp300,
       Pass::Buffer, 260, kMoreData, 300, kRegExpandSz, {}},
      {"REG_SZ abc, data NULL: size 4", "abc", kRegSz, abc0, Pass::NullData, 0, kSuccess, 4,
       kRegSz, {}},
      {"REG_SZ abc into 260: abc and zero, rest untouched", "abc", kRegSz, abc0, Pass::Buffer, 260,
       kSuccess, 4, kRegSz, abc0},
      {"REG_SZ abc into 3: 234, size 4, untouched", "abc", kRegSz, abc0, Pass::Buffer, 3,
       kMoreData, 4, kRegSz, {}},
      {"REG_SZ abc into exactly 4", "abc", kRegSz, abc0, Pass::Buffer, 4, kSuccess, 4, kRegSz,
       abc0},
      {"REG_SZ of 260 bytes without zero into 260: no zero added", "sz260", kRegSz, sz260NoZero,
       Pass::Buffer, 260, kSuccess, 260, kRegSz, sz260NoZero, true},
      {"REG_SZ of 260 bytes without zero into 261: zero added at [260], not counted", "sz260",
       kRegSz, sz260NoZero, Pass::Buffer, 261, kSuccess, 260, kRegSz,
       [&] {
         Bytes b = sz260NoZero;
         b.push_back(0);
         return b;
       }(),
       true},
      {"REG_BINARY abc, data NULL: size 3", "bin3", kRegBinary, abc, Pass::NullData, 0, kSuccess,
       3, kRegBinary, {}},
      {"REG_BINARY abc into 260: no terminator added", "bin3", kRegBinary, abc, Pass::Buffer, 260,
       kSuccess, 3, kRegBinary, WithFillAfter(abc)},
      {"REG_BINARY abc into 2: 234, untouched", "bin3", kRegBinary, abc, Pass::Buffer, 2,
       kMoreData, 3, kRegBinary, {}},
      {"REG_MULTI_SZ a,b into 260: as stored", "multi", kRegMultiSz, multi, Pass::Buffer, 260,
       kSuccess, 5, kRegMultiSz, multi},
      {"REG_DWORD into 2: 234, size 4, untouched", "dword", kRegDword, dword, Pass::Buffer, 2,
       kMoreData, 4, kRegDword, {}},
      {"missing value: 2, size unchanged, type 0, untouched", "nosuch", std::nullopt, {},
       Pass::Buffer, 260, kFileNotFound, 260, kRegNone, {}},
      {"unset default value: 2, size unchanged, type 0, untouched", "", std::nullopt, {},
       Pass::Buffer, 260, kFileNotFound, 260, kRegNone, {}},
      {"data given without a size: 87", "abc", kRegSz, abc0, Pass::NullSize, 0, kInvalidParameter,
       0, 0, {}},
      {"neither data nor size: 0, the type comes back", "bin3", kRegBinary, abc, Pass::NullBoth, 0,
       kSuccess, 0, kRegBinary, {}},
  };

  const std::string keyPath = RegPath("Q");
  W().CreateKey(keyPath);
  for (const QueryRow& row : rows) {
    if (row.kind) W().PutValue(keyPath, row.name, *row.kind, row.stored);
  }

  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(keyPath, kKeyQueryValue, key), kSuccess);
  KeyGuard guard(Reg(), key);

  for (const QueryRow& row : rows) {
    SCOPED_TRACE(row.fact);
    if (row.ntOnly && !IsNt()) continue;  // 9x cannot store a REG_SZ without its zero

    std::vector<std::uint8_t> buffer(row.sizeIn + 16, kFill);
    std::uint32_t size = row.sizeIn;
    std::uint32_t type = 0xDEAD;
    std::uint8_t* data = (row.pass == Pass::Buffer || row.pass == Pass::NullSize) ? buffer.data()
                                                                                    : nullptr;
    std::uint32_t* sizeArg = (row.pass == Pass::NullSize || row.pass == Pass::NullBoth) ? nullptr
                                                                                          : &size;

    EXPECT_EQ(Reg().QueryValue(key, row.name, data, sizeArg, &type), row.rc);
    if (sizeArg != nullptr) {
      EXPECT_EQ(size, row.sizeOut);
    }
    if (row.pass != Pass::NullSize) {
      EXPECT_EQ(type, row.typeOut);
    }

    Bytes expected = row.written;
    expected.resize(buffer.size(), kFill);
    EXPECT_EQ(buffer, expected);
  }
}

TEST_F(RegistryQuery, TypeOutParamMayBeOmitted) {
  // The engine's value reader asks for no type.
  const std::string keyPath = RegPath("Q");
  W().CreateKey(keyPath);
  W().PutValue(keyPath, "v", kRegSz, BytesOf({"hello\0", 6}));

  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(keyPath, kKeyQueryValue, key), kSuccess);
  KeyGuard guard(Reg(), key);
  std::vector<std::uint8_t> buffer(260, kFill);
  std::uint32_t size = 260;
  EXPECT_EQ(Reg().QueryValue(key, "v", buffer.data(), &size, nullptr), kSuccess);
  EXPECT_EQ(size, 6u);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 6), BytesOf({"hello\0", 6}));
}

TEST_F(RegistryQuery, ValueNamesIgnoreCase) {
  const std::string keyPath = RegPath("Q");
  W().CreateKey(keyPath);
  W().PutValue(keyPath, "DriverDesc", kRegSz, BytesOf({"x\0", 2}));

  Bytes out;
  EXPECT_EQ(ReadValue(keyPath, "DRIVERDESC", out), kSuccess);
  EXPECT_EQ(out, BytesOf({"x\0", 2}));
  EXPECT_EQ(ReadValue(keyPath, "driverdesc", out), kSuccess);
}

// How many bytes RegSetValueExA stores. Within the given size, 9x takes a
// REG_SZ up to its first zero (adding one when there is none) and NT takes
// every byte. Windows also looks past the size (NT at the byte after it, to
// add a zero found there; 98 up to the string's zero wherever it is); the
// boundary never does: bytes after `size` do not reach the registry.
struct StoreRow {
  const char* fact;
  std::uint32_t kind;
  Bytes buffer;  // what the caller's pointer points at
  std::uint32_t size;
  bool nullData;
  std::uint32_t rcNt;
  std::optional<Bytes> storedNt;  // nullopt: no value afterwards
  std::uint32_t rc9x;
  std::optional<Bytes> stored9x;
};

class RegistryStore : public WorldTest {};

TEST_F(RegistryStore, StringLengthsAsEachPlatformStoresThem) {
  const Bytes abc0 = BytesOf({"abc\0", 4});
  const Bytes abcdef0 = BytesOf({"abcdef\0", 7});
  const Bytes abcZ = BytesOf({"abc\0zzzzz\0", 10});
  const Bytes long300 = Repeated(299, 'L', true);
  const Bytes long260 = Repeated(260, 'L', false);
  const Bytes abc = BytesOf("abc");
  const Bytes none;

  const std::vector<StoreRow> rows = {
      {"REG_SZ abc, size 3, a zero after it: not read; 9x adds its own", kRegSz, abc0, 3, false,
       kSuccess, abc, kSuccess, abc0},
      {"REG_SZ abcdef, size 3: NT 3, 9x abc and a zero", kRegSz, abcdef0, 3, false, kSuccess, abc,
       kSuccess, abc0},
      {"REG_SZ abc\\0zzzzz, size 10: NT 10, 9x up to the first zero", kRegSz, abcZ, 10, false,
       kSuccess, abcZ, kSuccess, abc0},
      {"REG_SZ abc, size 0: NT nothing, 9x a lone zero", kRegSz, abc0, 0, false, kSuccess, none,
       kSuccess, Bytes{0}},
      {"REG_SZ of 300 bytes, size 260: NT 260, 9x 260 and a zero", kRegSz, long300, 260, false,
       kSuccess, long260, kSuccess, Repeated(260, 'L', true)},
      {"REG_EXPAND_SZ, size 3: as given", kRegExpandSz, abcdef0, 3, false, kSuccess, abc, kSuccess,
       abc},
      {"REG_EXPAND_SZ, size 0: as given", kRegExpandSz, abcdef0, 0, false, kSuccess, none,
       kSuccess, none},
      {"REG_MULTI_SZ, size 3: as given", kRegMultiSz, abcdef0, 3, false, kSuccess, abc, kSuccess,
       abc},
      {"REG_MULTI_SZ, size 0: as given", kRegMultiSz, abcdef0, 0, false, kSuccess, none, kSuccess,
       none},
      {"REG_BINARY, size 3: as given", kRegBinary, abcdef0, 3, false, kSuccess, abc, kSuccess,
       abc},
      {"REG_BINARY, size 0: as given", kRegBinary, abcdef0, 0, false, kSuccess, none, kSuccess,
       none},
      {"REG_SZ, data NULL, size 0: NT stores empty, 9x 87", kRegSz, none, 0, true, kSuccess, none,
       kInvalidParameter, std::nullopt},
      // Wine's NT mode dies of a page fault in this call; the boundary refuses
      // the call instead, as 9x does.
      {"REG_SZ, data NULL, size 5: 87", kRegSz, none, 5, true, kInvalidParameter, std::nullopt,
       kInvalidParameter, std::nullopt},
  };

  const std::string keyPath = RegPath("S");
  W().CreateKey(keyPath);
  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(keyPath, kKeySetValue, key), kSuccess);
  KeyGuard guard(Reg(), key);

  for (std::size_t i = 0; i < rows.size(); ++i) {
    const StoreRow& row = rows[i];
    SCOPED_TRACE(row.fact);
    const std::string name = "v" + std::to_string(i);
    const std::uint32_t rc = IsNt() ? row.rcNt : row.rc9x;
    const std::optional<Bytes>& stored = IsNt() ? row.storedNt : row.stored9x;

    EXPECT_EQ(Reg().SetValue(key, name, row.kind, row.nullData ? nullptr : row.buffer.data(),
                             row.size),
              rc);
    Bytes out;
    std::uint32_t type = 0;
    const std::uint32_t read = ReadValue(keyPath, name, out, &type);
    if (stored) {
      EXPECT_EQ(read, kSuccess);
      EXPECT_EQ(out, *stored);
      EXPECT_EQ(type, row.kind);
    } else {
      EXPECT_EQ(read, kFileNotFound);
    }
  }
}

TEST_F(RegistryStore, RewritingAValueReplacesKindAndBytes) {
  const std::string keyPath = RegPath("S");
  W().CreateKey(keyPath);
  W().PutValue(keyPath, "ComDB", kRegBinary, Bytes(32, 0x07));

  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(keyPath, kKeySetValue, key), kSuccess);
  KeyGuard guard(Reg(), key);
  const Bytes dword = {1, 0, 0, 0};
  EXPECT_EQ(Reg().SetValue(key, "COMDB", kRegDword, dword.data(), 4), kSuccess);

  Bytes out;
  std::uint32_t type = 0;
  EXPECT_EQ(ReadValue(keyPath, "ComDB", out, &type), kSuccess);
  EXPECT_EQ(out, dword);
  EXPECT_EQ(type, kRegDword);
}

TEST_F(RegistryStore, DeleteValueOfMissingValueIs2) {
  const std::string keyPath = RegPath("S");
  W().CreateKey(keyPath);
  W().PutValue(keyPath, "there", kRegSz, BytesOf({"x\0", 2}));

  RegHandle key = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(keyPath, kKeySetValue, key), kSuccess);
  KeyGuard guard(Reg(), key);
  EXPECT_EQ(Reg().DeleteValue(key, "nosuch"), kFileNotFound);
  EXPECT_EQ(Reg().DeleteValue(key, "THERE"), kSuccess);
  Bytes out;
  EXPECT_EQ(ReadValue(keyPath, "there", out), kFileNotFound);
  EXPECT_EQ(Reg().DeleteValue(key, "there"), kFileNotFound);
}

}  // namespace
}  // namespace zr::conformance
