// What the Win32 backend adds to the calls it wraps: the handle table that
// stands between 32-bit RegHandles and HKEYs, and the refusal of names with
// an inner zero, which the ANSI calls would read as a shorter name.
#include <gtest/gtest.h>

#include <string>

#include "platform/win_codes.h"
#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

class Win32Backend : public WorldTest {};

TEST_F(Win32Backend, HandlesAreCountedAndNeverReused) {
  W().CreateKey(RegPath("A"));
  RegHandle first = IRegistry::kNoHandle;
  RegHandle second = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(RegPath("A"), kKeyRead, first), kSuccess);
  ASSERT_EQ(Reg().OpenKey(RegPath("A"), kKeyRead, second), kSuccess);
  EXPECT_NE(first, second);
  EXPECT_EQ(W().OpenHandleCount(), 2);

  EXPECT_EQ(Reg().CloseKey(first), kSuccess);
  EXPECT_EQ(W().OpenHandleCount(), 1);
  RegHandle third = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(RegPath("A"), kKeyRead, third), kSuccess);
  EXPECT_NE(third, first) << "a closed number came back";
  // The stale number must not close the key that now lives elsewhere.
  EXPECT_EQ(Reg().CloseKey(first), kInvalidHandle);
  EXPECT_EQ(W().OpenHandleCount(), 2);
  EXPECT_EQ(Reg().CloseKey(second), kSuccess);
  EXPECT_EQ(Reg().CloseKey(third), kSuccess);

  std::uint32_t size = 0;
  EXPECT_EQ(Reg().QueryValue(third, "", nullptr, &size, nullptr), kInvalidHandle);
  EXPECT_EQ(Reg().QueryValue(IRegistry::kNoHandle, "", nullptr, &size, nullptr), kInvalidHandle);
}

TEST_F(Win32Backend, NamesWithAnInnerZeroAreRefused) {
  const std::string keyPath = RegPath("Parent");
  W().CreateKey(keyPath + "\\Child");
  W().PutValue(keyPath, "v", kRegSz, BytesOf({"x\0", 2}));
  const std::string withZero("Parent\0Child", 12);

  RegHandle handle = 0x1234;
  EXPECT_EQ(Reg().OpenKey(RegPath(withZero), kKeyRead, handle), kInvalidParameter);
  EXPECT_EQ(handle, IRegistry::kNoHandle);

  RegHandle root = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(W().RegRoot(), kKeyAllAccess, root), kSuccess);
  KeyGuard guard(Reg(), root);
  // Read as "Parent", this would remove the parent of the key meant.
  EXPECT_EQ(Reg().DeleteKey(root, withZero), kInvalidParameter);
  EXPECT_TRUE(KeyExists(keyPath + "\\Child"));

  RegHandle parent = IRegistry::kNoHandle;
  ASSERT_EQ(Reg().OpenKey(keyPath, kKeyAllAccess, parent), kSuccess);
  KeyGuard parentGuard(Reg(), parent);
  const std::string valueWithZero("v\0w", 3);
  EXPECT_EQ(Reg().DeleteValue(parent, valueWithZero), kInvalidParameter);
  std::uint32_t size = 0;
  EXPECT_EQ(Reg().QueryValue(parent, "v", nullptr, &size, nullptr), kSuccess);

  const std::string file = FilePath("f.txt");
  W().PutFile(file, BytesOf("keep"));
  EXPECT_EQ(Files().DeleteFile(file + std::string("\0.bak", 5)), kInvalidParameter);
  EXPECT_TRUE(W().FileExists(file));
}

TEST_F(Win32Backend, WholeFileReadOfAnEmptyAndALargerFile) {
  struct Row {
    const char* fact;
    Bytes bytes;
  };
  Bytes big(200000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  const Row rows[] = {{"empty", {}}, {"one byte", {0x41}}, {"larger than one read", big}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    const std::string path = FilePath("r.bin");
    EXPECT_EQ(Files().WriteWholeFile(path, row.bytes), kSuccess);
    EXPECT_EQ(W().FileBytes(path), row.bytes);
    Bytes out{1, 2, 3};
    EXPECT_EQ(Files().ReadWholeFile(path, out), kSuccess);
    EXPECT_EQ(out, row.bytes);
  }
}

}  // namespace
}  // namespace zr::conformance
