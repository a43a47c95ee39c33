// What the Win32 backend adds to the calls it wraps: names with an inner
// zero are refused, where the ANSI calls would read a shorter name (the
// simulation keeps such a name whole); the current folder without its
// trailing backslash but a root's; and the shutdown privilege, enabled or refused with
// the last error (the restart request is the end-to-end tests' part).
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"
#include "platform/win_codes.h"
#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

class Win32Backend : public WorldTest {};

TEST_F(Win32Backend, NamesWithAnInnerZeroAreRefused) {
  W().PutValue(RegPath("Parent\\Child"), "v", kRegSz, BytesOf({"x\0", 2}));
  const std::string withZero("Parent\0Child", 12);
  RegHandle handle = 0x1234;
  EXPECT_EQ(Reg().OpenKey(RegPath(withZero), kKeyRead, handle), kInvalidParameter);
  EXPECT_EQ(handle, IRegistry::kNoHandle);
  // Read as "Parent", this would remove the parent of the key meant.
  EXPECT_EQ(Reg().DeleteKey(Open(RegPath(""), kKeyAllAccess).handle, withZero), kInvalidParameter);
  OpenedKey child = Open(RegPath("Parent\\Child"), kKeyAllAccess);
  EXPECT_EQ(Reg().DeleteValue(child.handle, std::string("v\0w", 3)), kInvalidParameter);
  Bytes out;
  EXPECT_EQ(ReadValue(RegPath("Parent\\Child"), "v", out), kSuccess);

  W().PutFile(FilePath("f.txt"), BytesOf("keep"));
  EXPECT_EQ(Files().DeleteFile(FilePath("f.txt") + std::string("\0.bak", 5)), kInvalidParameter);
  EXPECT_TRUE(W().FileExists(FilePath("f.txt")));
}

TEST_F(Win32Backend, CurrentFolderHasNoTrailingBackslashButARootKeepsIt) {
  char saved[MAX_PATH + 1];
  ASSERT_GT(GetCurrentDirectoryA(sizeof saved, saved), 0u);
  const struct {
    std::string setTo, expected;
  } rows[] = {{W().FileRoot(), W().FileRoot()}, {W().FileRoot() + "\\", W().FileRoot()}, {"C:\\", "C:\\"}};
  for (const auto& row : rows) {
    EXPECT_TRUE(SetCurrentDirectoryA(row.setTo.c_str())) << row.setTo;
    // The case on disk may differ from the case asked for.
    EXPECT_EQ(Upper(System().CurrentDirectory()), Upper(row.expected));
  }
  SetCurrentDirectoryA(saved);
}

TEST(Win32Power, ShutdownPrivilegeIsEnabledOrRefusedWithTheLastError) {
  const long result = win32::Win32Power().EnableShutdownPrivilege();
  win32::UniqueHandle token;
  PRIVILEGE_SET wanted = {1, PRIVILEGE_SET_ALL_NECESSARY, {}};
  BOOL held = FALSE;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()) &&
              LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &wanted.Privilege[0].Luid) &&
              PrivilegeCheck(token.Get(), &wanted, &held));
  EXPECT_EQ(result, held ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
}

}  // namespace
}  // namespace zr::conformance
