// System facts: the version record GetVersionExA fills in each Windows mode,
// the code page, and the Windows, system and current directories. The
// suites are named after the calls; the Wine harness runs them alone in its
// extra modes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

class Win32Version : public WorldTest {};

// The harness names the mode it set in ZR_WINDOWS_MODE; the simulation is
// a win98 or a winxp machine.
TEST_F(Win32Version, RecordMatchesTheMode) {
  const struct {
    std::string mode;
    VersionRecord record;
  } modes[] = {
      {"win98", {4, 10, 0x040A08AE, kPlatformWindows9x, " A "}},  // 4.10 in the build's high word
      {"winme", {4, 90, 0x045A0BB8, kPlatformWindows9x, " "}},
      {"win2k", {5, 0, 2195, kPlatformWindowsNt, "Service Pack 4"}},
      {"winxp", {5, 1, 2600, kPlatformWindowsNt, "Service Pack 3"}},
  };
  const char* harness = std::getenv("ZR_WINDOWS_MODE");
  const std::string mode = harness ? harness : IsNt() ? "winxp" : "win98";
  VersionRecord got;
  ASSERT_TRUE(System().GetVersion(got));
  // The harness and the simulated machines run in the product's code page.
  EXPECT_EQ(System().AnsiCodePage(), 932u);
  const auto known = std::find_if(std::begin(modes), std::end(modes), [&](const auto& m) { return m.mode == mode; });
  ASSERT_NE(known, std::end(modes)) << "unknown mode " << mode;
  const VersionRecord& k = known->record;
  EXPECT_EQ(std::tie(got.major, got.minor, got.build, got.platformId, got.csd),
            std::tie(k.major, k.minor, k.build, k.platformId, k.csd));
  EXPECT_EQ(W().PlatformId(), k.platformId);
}

class Win32Folders : public WorldTest {};

TEST_F(Win32Folders, WindowsSystemAndCurrentDirectories) {
  const std::string windows = System().WindowsDirectory(), system = System().SystemDirectory();
  const std::string current = System().CurrentDirectory();
  // Wine's win98 mode keeps the NT layout; Windows 98 itself has SYSTEM.
  EXPECT_TRUE(Upper(windows + system) == "C:\\WINDOWSC:\\WINDOWS\\SYSTEM32" ||
              (!IsNt() && Upper(windows + system) == "C:\\WINDOWSC:\\WINDOWS\\SYSTEM"))
      << windows << " " << system;
  if (std::getenv("ZR_WINDOWS_MODE") != nullptr) {
    EXPECT_EQ(windows + " " + system, "C:\\windows C:\\windows\\system32") << "Wine's own spelling";
  }
  // The current directory has no trailing backslash but a root's.
  EXPECT_TRUE(current.size() >= 3 && current[1] == ':' && (current.back() == '\\') == (current.size() == 3)) << current;
  for (const std::string& folder : {windows, system, current}) {
    std::uint32_t error = 0;
    EXPECT_EQ(Files().GetAttributes(folder, error) & (kFileAttributeDirectory | 0x80000000u), kFileAttributeDirectory)
        << folder << " is a folder";
  }
}

}  // namespace
}  // namespace zr::conformance
