// The shutdown privilege and the restart request over the real calls. The
// restart is only asked for under the Wine harness, where it ends no
// console program; on a real Windows it would restart the machine.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/win32/win32_system.h"
#include "platform/win32/windows_api.h"

namespace zr::win32 {
namespace {

bool ShutdownPrivilegeEnabled() {
  UniqueHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return false;
  PRIVILEGE_SET wanted;
  wanted.PrivilegeCount = 1;
  wanted.Control = PRIVILEGE_SET_ALL_NECESSARY;
  wanted.Privilege[0].Attributes = 0;
  if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &wanted.Privilege[0].Luid)) {
    return false;
  }
  BOOL held = FALSE;
  return PrivilegeCheck(token.Get(), &wanted, &held) && held;
}

TEST(Win32Power, ShutdownPrivilegeIsEnabledOrRefusedWithTheLastError) {
  Win32Power power;
  const long result = power.EnableShutdownPrivilege();
  ASSERT_NE(result, -1) << "the process token did not open";
  if (result == ERROR_SUCCESS) {
    EXPECT_TRUE(ShutdownPrivilegeEnabled());
  } else {
    EXPECT_EQ(result, ERROR_NOT_ALL_ASSIGNED);
  }
}

TEST(Win32Power, RestartRequestIsAcceptedUnderTheHarness) {
  if (std::getenv("ZR_WINDOWS_MODE") == nullptr) GTEST_SKIP() << "would restart this machine";
  Win32Power power;
  power.EnableShutdownPrivilege();
  EXPECT_TRUE(power.RequestRestart());
}

}  // namespace
}  // namespace zr::win32
