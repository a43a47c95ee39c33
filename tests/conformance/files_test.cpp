// Files: attributes, deletion, copying, the existence probe and whole-file
// reads and writes, with the error codes Windows gives for missing files,
// missing folders, folders used as files and read-only files.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

const Bytes kOld = BytesOf("old content\r\n"), kNew = BytesOf("new");
constexpr std::uint32_t kArchive = kFileAttributeArchive, kReadOnly = kFileAttributeReadonly | kArchive;
constexpr std::uint32_t kGone = kInvalidFileAttributes;

class FilesTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    W().MakeFolder(FilePath("dir"));
    for (const char* name : {"file.txt", "MixedCase.TXT", "ro.txt"}) W().PutFile(FilePath(name), kOld);
    W().MakeReadOnly(FilePath("ro.txt"));
  }

  std::uint32_t Attributes(const std::string& path) { return Files().GetAttributes(path, error_ = 0xDEAD); }
  std::uint32_t error_ = 0;  // the last error of the last Attributes()

  // The file's bytes and attributes are as given (kGone: no such file).
  void ExpectFile(const std::string& path, const Bytes& bytes, std::uint32_t attributes) {
    EXPECT_EQ(Attributes(path), attributes) << path;
    if (attributes != kGone) {
      EXPECT_EQ(W().FileBytes(path), bytes) << path;
    }
  }
};

// GetAttributes gives the attributes, or 0xFFFFFFFF and the error; every
// call that takes a path fails alike on a path that names nothing, or a
// folder where a file is meant, and leaves it so.
TEST_F(FilesTest, AttributesAndTheErrorsOfEachCall) {
  constexpr std::uint32_t n = 0xFFFF, kDir = kFileAttributeDirectory;  // n: not measured
  const std::string dst = FilePath("dst.txt");
  const struct {
    const char* fact;
    std::string path;
    std::uint32_t get, set, remove, probe, read, write, copyFrom, copyTo;
  } rows[] = {
      {"missing file", FilePath("nosuch.txt"), 2, 2, 2, 2, 2, n, 2, n},
      {"missing folder on the way", FilePath("nodir\\x.txt"), 3, 3, 3, 3, 3, 3, 3, 3},
      {"a file used as a folder", FilePath("file.txt\\"), 3, n, n, n, n, n, n, n},
      {"empty path", "", 3, n, 3, n, n, n, n, n},
      {"a folder", FilePath("dir"), kDir, n, 5, 5, 5, 5, 5, n},
      {"a folder in another case, trailing backslash", Upper(FilePath("Dir")) + "\\", kDir, n, n, n, n, n, n, n},
      {"a new file: archive, never normal", FilePath("file.txt"), kArchive, n, n, n, n, n, n, n},
      {"read-only", FilePath("ro.txt"), kReadOnly, n, n, n, n, n, n, n},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.fact);
    const std::uint32_t before = Attributes(row.path);
    EXPECT_EQ(before == kGone ? error_ : before, row.get);
    Bytes out(7, kFill);
    const std::pair<std::uint32_t, std::function<std::uint32_t()>> calls[] = {
        {row.set, [&] { return Files().SetAttributes(row.path, kFileAttributeNormal); }},
        {row.remove, [&] { return Files().DeleteFile(row.path); }},
        {row.probe, [&] { return Files().ProbeExisting(row.path); }},
        {row.read, [&] { return Files().ReadWholeFile(row.path, out); }},
        {row.write, [&] { return Files().WriteWholeFile(row.path, kNew); }},
        {row.copyFrom, [&] { return Files().CopyFile(row.path, dst, false); }},
        {row.copyTo, [&] { return Files().CopyFile(FilePath("file.txt"), row.path, false); }},
    };
    for (std::size_t i = 0; i < std::size(calls); ++i) {
      if (calls[i].first != n) {
        EXPECT_EQ(calls[i].second(), calls[i].first) << "call " << i;
      }
    }
    if (row.read != n) {
      EXPECT_EQ(out, Bytes{}) << "a failed read clears its out-param";
    }
    EXPECT_EQ(Attributes(row.path), before);
    EXPECT_FALSE(W().FileExists(dst));
  }
}

TEST_F(FilesTest, SetAttributesKeepsArchiveAndIgnoresDirectory) {
  // Wine keeps the archive bit that Windows would clear when hiding a file.
  const struct {
    std::uint32_t set, after;
  } steps[] = {{kFileAttributeHidden, kFileAttributeHidden | kArchive},
               {kFileAttributeNormal, kArchive},
               {kFileAttributeDirectory, kArchive}};
  for (const auto& step : steps) {
    SCOPED_TRACE("set " + std::to_string(step.set));
    EXPECT_EQ(Files().SetAttributes(FilePath("file.txt"), step.set), kSuccess);
    ExpectFile(FilePath("file.txt"), kOld, step.after);
  }
}

TEST_F(FilesTest, DeleteFile) {
  W().PutFile(FilePath("hs.txt"), kOld);
  ASSERT_EQ(Files().SetAttributes(FilePath("hs.txt"), kFileAttributeHidden | kFileAttributeSystem), kSuccess);
  for (const char* name : {"file.txt", "hs.txt", "MIXEDCASE.txt"})
    EXPECT_EQ(Files().DeleteFile(FilePath(name)), kSuccess) << name;
  EXPECT_EQ(Files().DeleteFile(FilePath("ro.txt")), kAccessDenied) << "also as root";
  ASSERT_EQ(Files().SetAttributes(FilePath("ro.txt"), kFileAttributeNormal), kSuccess);
  EXPECT_EQ(Files().DeleteFile(FilePath("ro.txt")), kSuccess);
  for (const char* name : {"file.txt", "hs.txt", "MixedCase.TXT", "ro.txt"}) ExpectFile(FilePath(name), {}, kGone);
}

TEST_F(FilesTest, CopyFile) {
  enum Before { Missing, Existing, Hidden };  // the target before the copy
  const std::string src = FilePath("file.txt");
  const struct {
    const char* fact;
    std::string source;
    Before before;
    bool failIfExists;
    std::uint32_t rc, attributes;
  } rows[] = {
      {"existing target, overwrite; source in another case", Upper(src), Existing, false, kSuccess, kArchive},
      {"existing target, fail if exists: 80, unchanged", src, Existing, true, kFileExists, kArchive},
      {"hidden target: replaced and stays hidden", src, Hidden, false, kSuccess, kFileAttributeHidden | kArchive},
      {"read-only source: the attributes are copied", FilePath("ro.txt"), Missing, false, kSuccess, kReadOnly},
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(rows[i].fact);
    const std::string dst = FilePath("dst" + std::to_string(i) + ".txt");
    if (rows[i].before != Missing) W().PutFile(dst, kNew);
    if (rows[i].before == Hidden) {
      ASSERT_EQ(Files().SetAttributes(dst, kFileAttributeHidden), kSuccess);
    }
    EXPECT_EQ(Files().CopyFile(rows[i].source, dst, rows[i].failIfExists), rows[i].rc);
    ExpectFile(dst, rows[i].rc == kSuccess ? kOld : kNew, rows[i].attributes);
  }
  EXPECT_EQ(Files().CopyFile(src, Upper(src), false), kSharingViolation) << "onto itself";
  ExpectFile(src, kOld, kArchive);
}

// What an ordinary user sees when writing over a read-only file. Wine leaves
// the check to Unix permissions, so a backend running as root cannot show it.
TEST_F(FilesTest, ReadOnlyTargetsRefuseWriters) {
  if (!W().EnforcesReadOnlyFiles()) GTEST_SKIP() << "read-only files are writable to this backend's user";
  EXPECT_EQ(Files().CopyFile(FilePath("file.txt"), FilePath("ro.txt"), false), kAccessDenied);
  EXPECT_EQ(Files().WriteWholeFile(FilePath("ro.txt"), kNew), kAccessDenied);
  ExpectFile(FilePath("ro.txt"), kOld, kReadOnly);
}

TEST_F(FilesTest, ProbeReadAndWriteWholeFiles) {
  Bytes every(200000);  // each byte value, and more than one read takes
  for (std::size_t i = 0; i < every.size(); ++i) every[i] = static_cast<std::uint8_t>(i * 7);
  const struct {
    const char* fact;
    std::string path;
    Bytes bytes;
  } writes[] = {
      {"a longer file is cut to exactly the bytes written", FilePath("file.txt"), kNew},
      {"an empty write leaves an empty file", FilePath("file.txt"), {}},
      {"a new file, every byte", FilePath("new.bin"), every},
  };
  for (const auto& write : writes) {
    SCOPED_TRACE(write.fact);
    EXPECT_EQ(Files().WriteWholeFile(write.path, write.bytes), kSuccess);
    ExpectFile(write.path, write.bytes, kArchive);
  }
  // Access 0 asks for nothing, so a read-only file opens.
  for (const auto& [path, bytes] : {std::pair{FilePath("new.bin"), every}, {FilePath("ro.txt"), kOld}}) {
    Bytes out(7, kFill);
    EXPECT_EQ(Files().ProbeExisting(path) + Files().ReadWholeFile(path, out), kSuccess) << path;
    EXPECT_EQ(out, bytes) << path;
  }
}

}  // namespace
}  // namespace zr::conformance
