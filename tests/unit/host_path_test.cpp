// Windows paths of a machine image must land inside its drive folders,
// whatever the path says.
#include "platform/sim/host_path.h"

#include <gtest/gtest.h>

#include "platform/win_codes.h"
#include "tests/support/temp_image.h"

namespace zr::sim {
namespace {

namespace fs = std::filesystem;

TEST(HostPath, ResolvesWithoutRegardToCaseAndNeverLeavesTheImage) {
  testing::TempImage image;
  image.Write("drive_c/WINDOWS/inf/OEM3.INF", "x");
  image.Write("drive_c/Tools/ZR77/WinXp/mdmtvk5u.auto", "y");
  image.Write("outside.txt", "secret");
  fs::create_symlink(image.Folder() / "outside.txt", image.Folder() / "drive_c" / "link.txt");
  fs::create_directory_symlink(image.Folder(), image.Folder() / "drive_c" / "linkdir");
  const HostPathResolver resolver(image.Folder(), 932, "C:\\Tools\\ZR77");

  struct Case {
    const char* path;
    std::uint32_t error;
    const char* host;  // relative to the image; nullptr: not checked
  } cases[] = {
      {"C:\\windows\\INF\\oem3.inf", win::kSuccess, "drive_c/WINDOWS/inf/OEM3.INF"},
      {"c:/Windows/inf/Oem3.Inf", win::kSuccess, "drive_c/WINDOWS/inf/OEM3.INF"},
      {"C:\\WINDOWS\\inf\\oem9.inf", win::kFileNotFound, "drive_c/WINDOWS/inf/oem9.inf"},
      {"C:\\WINDOWS\\nothere\\oem9.inf", win::kPathNotFound, nullptr},
      {"C:\\WINDOWS\\inf\\oem3.inf\\", win::kPathNotFound, nullptr},
      {"C:\\WINDOWS\\inf\\oem3.inf\\x", win::kPathNotFound, nullptr},
      {"C:\\WINDOWS\\inf\\", win::kSuccess, "drive_c/WINDOWS/inf"},
      {"", win::kPathNotFound, nullptr},
      {"D:\\x", win::kPathNotFound, nullptr},
      {"\\\\server\\share\\x", win::kPathNotFound, nullptr},
      {"WinXp\\MDMTVK5U.AUTO", win::kSuccess, "drive_c/Tools/ZR77/WinXp/mdmtvk5u.auto"},
      {"\\WINDOWS\\inf\\oem3.inf", win::kSuccess, "drive_c/WINDOWS/inf/OEM3.INF"},
      // ".." stops at the drive root, as on Windows.
      {"C:\\..\\..\\outside.txt", win::kFileNotFound, "drive_c/outside.txt"},
      {"C:\\WINDOWS\\..\\..\\..\\WINDOWS\\inf\\oem3.inf", win::kSuccess, "drive_c/WINDOWS/inf/OEM3.INF"},
      // Links could lead out of the image: they are not followed.
      {"C:\\link.txt", win::kAccessDenied, nullptr},
      {"C:\\linkdir\\outside.txt", win::kAccessDenied, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const HostPath resolved = resolver.Resolve(c.path);
    EXPECT_EQ(resolved.error, c.error);
    EXPECT_EQ(resolved.exists, c.error == win::kSuccess);
    if (c.host != nullptr) {
      EXPECT_EQ(resolved.host, image.Folder() / c.host);
    }
  }
}

TEST(HostPath, MatchesJapaneseNamesGivenInTheCodePage) {
  testing::TempImage image;
  image.Write("drive_c/\xE3\x83\x89\xE3\x83\xA9\xE3\x82\xA4\xE3\x83\x90/a.txt", "x");  // ドライバ (UTF-8)
  const HostPathResolver resolver(image.Folder(), 932, "C:\\");
  // ドライバ in Shift-JIS; the trail byte 0x89 must not be taken for anything else.
  const HostPath resolved = resolver.Resolve("C:\\\x83\x68\x83\x89\x83\x43\x83\x6F\\A.TXT");
  EXPECT_EQ(resolved.error, win::kSuccess);
}

}  // namespace
}  // namespace zr::sim
