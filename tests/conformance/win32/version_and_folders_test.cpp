// The version record and the folders, as the Windows modes of Wine report
// them. The harness names the mode it set in ZR_WINDOWS_MODE; on a real
// Windows (no such variable) only the mode-independent rules are checked.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/win32/windows_api.h"
#include "platform/win_codes.h"
#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

struct ModeFacts {
  const char* mode;
  VersionRecord version;
};

const ModeFacts kModes[] = {
    {"win98", {4, 10, 0x040A08AE, win::kPlatformWindows9x, " A "}},
    {"winme", {4, 90, 0x045A0BB8, win::kPlatformWindows9x, " "}},
    {"win2k", {5, 0, 2195, win::kPlatformWindowsNt, "Service Pack 4"}},
    {"winxp", {5, 1, 2600, win::kPlatformWindowsNt, "Service Pack 3"}},
};

const ModeFacts* CurrentMode() {
  const char* mode = std::getenv("ZR_WINDOWS_MODE");
  if (mode == nullptr) return nullptr;
  for (const ModeFacts& facts : kModes) {
    if (std::string(mode) == facts.mode) return &facts;
  }
  return nullptr;
}

class Win32Version : public WorldTest {};

TEST_F(Win32Version, RecordMatchesTheMode) {
  const ModeFacts* facts = CurrentMode();
  if (facts == nullptr) GTEST_SKIP() << "ZR_WINDOWS_MODE names no known Windows mode";
  VersionRecord version;
  ASSERT_TRUE(System().GetVersion(version));
  EXPECT_EQ(version.major, facts->version.major);
  EXPECT_EQ(version.minor, facts->version.minor);
  EXPECT_EQ(version.build, facts->version.build);
  EXPECT_EQ(version.platformId, facts->version.platformId);
  EXPECT_EQ(version.csd, facts->version.csd);
  EXPECT_EQ(W().PlatformId(), facts->version.platformId);
}

TEST_F(Win32Version, NineXKeepsTheVersionInTheBuildsHighWord) {
  VersionRecord version;
  ASSERT_TRUE(System().GetVersion(version));
  if (version.platformId != win::kPlatformWindows9x) GTEST_SKIP() << "an NT mode";
  EXPECT_EQ(version.build >> 16, (version.major << 8) | version.minor);
}

TEST_F(Win32Version, HarnessRunsInTheProductsCodePage) {
  if (CurrentMode() == nullptr) GTEST_SKIP() << "not started by the Wine harness";
  // Registry names and data go through the ANSI calls in this code page.
  EXPECT_EQ(GetACP(), 932u);
}

class Win32Folders : public WorldTest {};

TEST_F(Win32Folders, WindowsAndSystemFolders) {
  if (CurrentMode() == nullptr) GTEST_SKIP() << "the folders are Wine's only under Wine";
  EXPECT_EQ(System().WindowsDirectory(), "C:\\windows");
  EXPECT_EQ(System().SystemDirectory(), "C:\\windows\\system32");
}

TEST_F(Win32Folders, CurrentFolderHasNoTrailingBackslashButARootKeepsIt) {
  char saved[MAX_PATH + 1];
  const DWORD savedLength = GetCurrentDirectoryA(sizeof(saved), saved);
  ASSERT_GT(savedLength, 0u);
  ASSERT_LT(savedLength, sizeof(saved));

  struct Row {
    std::string setTo;
    std::string expected;
  };
  const Row rows[] = {
      {W().FileRoot(), W().FileRoot()},
      {W().FileRoot() + "\\", W().FileRoot()},
      {"C:\\", "C:\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.setTo);
    ASSERT_TRUE(SetCurrentDirectoryA(row.setTo.c_str()));
    std::string current = System().CurrentDirectory();
    // The case on disk may differ from the case asked for.
    EXPECT_EQ(CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, current.c_str(), -1,
                             row.expected.c_str(), -1),
              CSTR_EQUAL)
        << current;
  }
  SetCurrentDirectoryA(saved);
}

TEST_F(Win32Folders, DeepCurrentFolderIsReadWhole) {
  // Longer than the first buffer the backend tries.
  std::string deep = W().FileRoot();
  while (deep.size() < 250) deep += "\\folder_of_some_length";
  W().MakeFolder(deep);
  char saved[MAX_PATH + 1];
  ASSERT_GT(GetCurrentDirectoryA(sizeof(saved), saved), 0u);
  if (!SetCurrentDirectoryA(deep.c_str())) GTEST_SKIP() << "the system refuses a folder this deep";
  const std::string current = System().CurrentDirectory();
  SetCurrentDirectoryA(saved);
  EXPECT_EQ(current.size(), deep.size());
}

}  // namespace
}  // namespace zr::conformance
