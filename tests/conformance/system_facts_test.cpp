// System facts: the version record GetVersionExA fills in each Windows mode,
// and the Windows, system and current directories.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

std::string Lower(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return text;
}

struct KnownVersion {
  const char* mode;
  VersionRecord record;
};

// The records measured in each mode; a machine reports one of them.
const std::vector<KnownVersion> kKnownVersions = {
    {"win98: the build field keeps 4.10 in its high word", {4, 10, 0x040A08AE, 1, " A "}},
    {"winme: the build field keeps 4.90 in its high word", {4, 90, 0x045A0BB8, 1, " "}},
    {"win2k", {5, 0, 2195, 2, "Service Pack 4"}},
    {"winxp", {5, 1, 2600, 2, "Service Pack 3"}},
};

class SystemFacts : public WorldTest {
 protected:
  bool IsFolder(const std::string& path) {
    std::uint32_t error = 0;
    const std::uint32_t attributes = Files().GetAttributes(path, error);
    return attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory) != 0;
  }
};

TEST_F(SystemFacts, VersionRecordIsOneOfTheMeasuredModes) {
  VersionRecord record;
  ASSERT_TRUE(System().GetVersion(record));
  EXPECT_EQ(record.platformId, W().PlatformId());

  const KnownVersion* match = nullptr;
  for (const KnownVersion& known : kKnownVersions) {
    const VersionRecord& k = known.record;
    if (k.major == record.major && k.minor == record.minor && k.build == record.build &&
        k.platformId == record.platformId && k.csd == record.csd) {
      match = &known;
    }
  }
  EXPECT_NE(match, nullptr) << "got " << record.major << "." << record.minor << " build 0x"
                            << std::hex << record.build << " platform " << record.platformId
                            << " csd \"" << record.csd << "\"";
}

TEST_F(SystemFacts, Directories) {
  struct Row {
    const char* fact;
    std::string got;
    std::string expected;  // compared without regard to case
  };
  const std::string windows = System().WindowsDirectory();
  const std::string system = System().SystemDirectory();
  // Wine's win98 mode keeps the NT layout; Windows 98 itself has SYSTEM.
  const std::string system9x = Lower(system) == "c:\\windows\\system" ? system : "C:\\windows\\system32";
  const std::vector<Row> rows = {
      {"Windows directory", windows, "C:\\windows"},
      {"system directory, also for the 32-bit process", system,
       IsNt() ? "C:\\windows\\system32" : system9x},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    EXPECT_EQ(Lower(row.got), Lower(row.expected)) << row.got;
    EXPECT_TRUE(IsFolder(row.got)) << row.got;
  }

  SCOPED_TRACE("current directory: an existing folder, no trailing backslash but a root's");
  const std::string current = System().CurrentDirectory();
  ASSERT_GE(current.size(), 3u) << current;
  EXPECT_EQ(current[1], ':');
  EXPECT_EQ(current.back() == '\\', current.size() == 3) << current;
  EXPECT_TRUE(IsFolder(current)) << current;
}

}  // namespace
}  // namespace zr::conformance
