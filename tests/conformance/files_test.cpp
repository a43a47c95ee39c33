// Files: attributes, deletion, copying, the existence probe and whole-file
// reads and writes, with the error codes Windows gives for missing files,
// missing folders, folders used as files and read-only files.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

using namespace zr::win;

const Bytes kOld = BytesOf("old content\r\n");
const Bytes kNew = BytesOf("new");

std::string Upper(std::string text) {
  for (char& c : text) c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  return text;
}

class FilesTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    W().MakeFolder(FilePath("dir"));
    W().PutFile(FilePath("file.txt"), kOld);
    W().PutFile(FilePath("MixedCase.TXT"), kOld);
  }

  std::uint32_t Attributes(const std::string& path, std::uint32_t* error = nullptr) {
    std::uint32_t ignored = 0;
    std::uint32_t& err = error != nullptr ? *error : ignored;
    err = 0xDEAD;
    return Files().GetAttributes(path, err);
  }
};

TEST_F(FilesTest, GetAttributes) {
  struct Row {
    const char* fact;
    std::string path;
    std::uint32_t attributes;
    std::uint32_t error;  // checked when attributes is kInvalidFileAttributes
  };
  const std::vector<Row> rows = {
      {"missing file: 2", FilePath("nosuch.txt"), kInvalidFileAttributes, kFileNotFound},
      {"missing folder on the way: 3", FilePath("nodir\\x.txt"), kInvalidFileAttributes,
       kPathNotFound},
      {"empty path: 3", "", kInvalidFileAttributes, kPathNotFound},
      {"a file used as a folder: 3", FilePath("file.txt\\"), kInvalidFileAttributes,
       kPathNotFound},
      {"a folder", FilePath("dir"), kFileAttributeDirectory, 0},
      {"a folder with a trailing backslash", FilePath("dir\\"), kFileAttributeDirectory, 0},
      {"a folder, other case", Upper(FilePath("dir")), kFileAttributeDirectory, 0},
      {"a folder, other case, trailing backslash", Upper(FilePath("Dir")) + "\\",
       kFileAttributeDirectory, 0},
      {"a new file: archive, never normal", FilePath("file.txt"), kFileAttributeArchive, 0},
      {"a file queried in lower case", FilePath("mixedcase.txt"), kFileAttributeArchive, 0},
      {"a file queried in upper case", Upper(FilePath("MixedCase.TXT")), kFileAttributeArchive,
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    std::uint32_t error = 0;
    EXPECT_EQ(Attributes(row.path, &error), row.attributes);
    if (row.attributes == kInvalidFileAttributes) {
      EXPECT_EQ(error, row.error);
    }
  }

  SCOPED_TRACE("read-only file: 0x21");
  W().MakeReadOnly(FilePath("file.txt"));
  EXPECT_EQ(Attributes(FilePath("file.txt")), kFileAttributeReadonly | kFileAttributeArchive);
}

TEST_F(FilesTest, SetAttributes) {
  struct Row {
    const char* fact;
    std::string path;
    std::uint32_t set;
    std::uint32_t rc;
    std::uint32_t after;  // read back when rc is kSuccess
  };
  const std::vector<Row> rows = {
      {"missing file: 2", FilePath("nosuch.txt"), kFileAttributeNormal, kFileNotFound, 0},
      {"missing folder: 3", FilePath("nodir\\x.txt"), kFileAttributeNormal, kPathNotFound, 0},
      // Wine keeps the archive bit that Windows would clear.
      {"hidden: archive stays", FilePath("hidden.txt"), kFileAttributeHidden, kSuccess,
       kFileAttributeHidden | kFileAttributeArchive},
      {"0 means archive only", FilePath("zero.txt"), 0, kSuccess, kFileAttributeArchive},
      {"normal reads back as archive", FilePath("normal.txt"), kFileAttributeNormal, kSuccess,
       kFileAttributeArchive},
      {"read-only and archive", FilePath("ro.txt"), kFileAttributeReadonly | kFileAttributeArchive,
       kSuccess, kFileAttributeReadonly | kFileAttributeArchive},
      {"directory on a file is ignored", FilePath("dirbit.txt"), kFileAttributeDirectory, kSuccess,
       kFileAttributeArchive},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    if (row.rc == kSuccess) W().PutFile(row.path, kOld);
    EXPECT_EQ(Files().SetAttributes(row.path, row.set), row.rc);
    if (row.rc == kSuccess) {
      EXPECT_EQ(Attributes(row.path), row.after);
      EXPECT_EQ(W().FileBytes(row.path), kOld);
    }
  }

  SCOPED_TRACE("clearing read-only with normal");
  W().MakeReadOnly(FilePath("file.txt"));
  EXPECT_EQ(Files().SetAttributes(FilePath("file.txt"), kFileAttributeNormal), kSuccess);
  EXPECT_EQ(Attributes(FilePath("file.txt")), kFileAttributeArchive);
}

TEST_F(FilesTest, DeleteFile) {
  struct Row {
    const char* fact;
    std::string path;
    std::uint32_t rc;
  };
  W().PutFile(FilePath("plain.txt"), kOld);
  W().PutFile(FilePath("ro.txt"), kOld);
  W().MakeReadOnly(FilePath("ro.txt"));
  W().PutFile(FilePath("hs.txt"), kOld);
  ASSERT_EQ(Files().SetAttributes(FilePath("hs.txt"), kFileAttributeHidden | kFileAttributeSystem),
            kSuccess);

  const std::vector<Row> rows = {
      {"a file", FilePath("plain.txt"), kSuccess},
      {"read-only file: 5, it remains (also as root)", FilePath("ro.txt"), kAccessDenied},
      {"hidden and system file", FilePath("hs.txt"), kSuccess},
      {"names compare without regard to case", FilePath("MIXEDCASE.txt"), kSuccess},
      {"missing file: 2", FilePath("nosuch.txt"), kFileNotFound},
      {"missing folder: 3", FilePath("nodir\\x.txt"), kPathNotFound},
      {"a folder: 5, it remains", FilePath("dir"), kAccessDenied},
      {"empty path: 3", "", kPathNotFound},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    const bool existed = !row.path.empty() && W().FileExists(row.path);
    EXPECT_EQ(Files().DeleteFile(row.path), row.rc);
    if (existed) {
      EXPECT_EQ(W().FileExists(row.path), row.rc != kSuccess);
    }
  }

  SCOPED_TRACE("read-only file once its attribute is cleared");
  ASSERT_EQ(Files().SetAttributes(FilePath("ro.txt"), kFileAttributeNormal), kSuccess);
  EXPECT_EQ(Files().DeleteFile(FilePath("ro.txt")), kSuccess);
  EXPECT_FALSE(W().FileExists(FilePath("ro.txt")));
}

TEST_F(FilesTest, CopyFile) {
  enum class Before { Missing, Old, OldHidden };
  struct Row {
    const char* fact;
    std::string source, target;
    Before before;  // the target before the copy
    bool failIfExists;
    std::uint32_t rc;
    Bytes targetAfter;        // empty: the target does not exist afterwards
    std::uint32_t attrAfter;  // the target's attributes afterwards, when it exists
  };
  W().PutFile(FilePath("src.txt"), kNew);
  W().PutFile(FilePath("ro_src.txt"), kNew);
  W().MakeReadOnly(FilePath("ro_src.txt"));
  const std::string dst = FilePath("dst.txt");
  const std::uint32_t archive = kFileAttributeArchive;

  const std::vector<Row> rows = {
      {"new target: the source's bytes", FilePath("src.txt"), dst, Before::Missing, false,
       kSuccess, kNew, archive},
      {"existing target, overwrite", FilePath("src.txt"), dst, Before::Old, false, kSuccess, kNew,
       archive},
      {"existing target, fail if exists: 80, unchanged", FilePath("src.txt"), dst, Before::Old,
       true, kFileExists, kOld, archive},
      {"source named in another case", FilePath("SRC.TXT"), dst, Before::Old, false, kSuccess,
       kNew, archive},
      {"hidden target: replaced and stays hidden", FilePath("src.txt"), dst, Before::OldHidden,
       false, kSuccess, kNew, kFileAttributeHidden | archive},
      {"read-only source, new target: the attributes are copied", FilePath("ro_src.txt"), dst,
       Before::Missing, false, kSuccess, kNew, kFileAttributeReadonly | archive},
      {"missing source: 2", FilePath("nosuch.txt"), dst, Before::Missing, false, kFileNotFound,
       {}, 0},
      {"missing target folder: 3", FilePath("src.txt"), FilePath("nodir\\dst.txt"),
       Before::Missing, false, kPathNotFound, {}, 0},
      {"a folder as source: 5", FilePath("dir"), dst, Before::Missing, false, kAccessDenied, {},
       0},
      {"onto itself: 32, unharmed", FilePath("src.txt"), FilePath("src.txt"), Before::Missing,
       false, kSharingViolation, kNew, archive},
      {"onto itself in another case: 32, unharmed", FilePath("src.txt"), FilePath("SRC.TXT"),
       Before::Missing, false, kSharingViolation, kNew, archive},
  };

  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.fact);
    // Each row copies into a folder of its own.
    const std::string folder = FilePath("c" + std::to_string(i));
    W().MakeFolder(folder);
    const std::string target = row.target == dst ? folder + "\\dst.txt" : row.target;
    if (row.before != Before::Missing) W().PutFile(target, kOld);
    if (row.before == Before::OldHidden) {
      ASSERT_EQ(Files().SetAttributes(target, kFileAttributeHidden), kSuccess);
    }

    EXPECT_EQ(Files().CopyFile(row.source, target, row.failIfExists), row.rc);
    if (row.targetAfter.empty()) {
      EXPECT_FALSE(W().FileExists(target));
    } else {
      EXPECT_EQ(W().FileBytes(target), row.targetAfter);
      EXPECT_EQ(Attributes(target), row.attrAfter);
    }
  }
}

// What an ordinary user sees when writing over a read-only file. Wine leaves
// the check to Unix permissions, so a backend running as root cannot show it.
TEST_F(FilesTest, ReadOnlyTargetsRefuseWriters) {
  if (!W().EnforcesReadOnlyFiles()) GTEST_SKIP() << "read-only files are writable to this backend's user";
  W().PutFile(FilePath("src.txt"), kNew);
  W().PutFile(FilePath("ro.txt"), kOld);
  W().MakeReadOnly(FilePath("ro.txt"));
  {
    SCOPED_TRACE("copy onto a read-only target: 5, unchanged");
    EXPECT_EQ(Files().CopyFile(FilePath("src.txt"), FilePath("ro.txt"), false), kAccessDenied);
    EXPECT_EQ(W().FileBytes(FilePath("ro.txt")), kOld);
    EXPECT_EQ(Attributes(FilePath("ro.txt")), kFileAttributeReadonly | kFileAttributeArchive);
  }
  {
    SCOPED_TRACE("whole-file write onto a read-only file: 5, unchanged");
    EXPECT_EQ(Files().WriteWholeFile(FilePath("ro.txt"), kNew), kAccessDenied);
    EXPECT_EQ(W().FileBytes(FilePath("ro.txt")), kOld);
    EXPECT_EQ(Attributes(FilePath("ro.txt")), kFileAttributeReadonly | kFileAttributeArchive);
  }
}

TEST_F(FilesTest, ProbeExisting) {
  struct Row {
    const char* fact;
    std::string path;
    std::uint32_t rc;
  };
  W().PutFile(FilePath("ro.txt"), kOld);
  W().MakeReadOnly(FilePath("ro.txt"));
  const std::vector<Row> rows = {
      {"existing file", FilePath("file.txt"), kSuccess},
      {"existing file, other case", Upper(FilePath("file.txt")), kSuccess},
      {"read-only file (access 0 asks for nothing)", FilePath("ro.txt"), kSuccess},
      {"missing file: 2", FilePath("nosuch.txt"), kFileNotFound},
      {"missing folder: 3", FilePath("nodir\\x.txt"), kPathNotFound},
      {"a folder: 5", FilePath("dir"), kAccessDenied},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    EXPECT_EQ(Files().ProbeExisting(row.path), row.rc);
  }
}

TEST_F(FilesTest, ReadWholeFile) {
  struct Row {
    const char* fact;
    std::string path;
    std::uint32_t rc;
    Bytes bytes;
  };
  const Bytes binary = {0x00, 0xFF, 0x0D, 0x0A, 0x1A, 0x00};
  W().PutFile(FilePath("bin.dat"), binary);
  W().PutFile(FilePath("empty.txt"), {});
  W().PutFile(FilePath("ro.txt"), kOld);
  W().MakeReadOnly(FilePath("ro.txt"));
  const std::vector<Row> rows = {
      {"every byte, zeros and control bytes included", FilePath("bin.dat"), kSuccess, binary},
      {"empty file", FilePath("empty.txt"), kSuccess, {}},
      {"read-only file", FilePath("ro.txt"), kSuccess, kOld},
      {"missing file: 2, out cleared", FilePath("nosuch.txt"), kFileNotFound, {}},
      {"missing folder: 3, out cleared", FilePath("nodir\\x.txt"), kPathNotFound, {}},
      {"a folder: 5, out cleared", FilePath("dir"), kAccessDenied, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fact);
    std::vector<std::uint8_t> out(7, kFill);
    EXPECT_EQ(Files().ReadWholeFile(row.path, out), row.rc);
    EXPECT_EQ(out, row.bytes);
  }
}

TEST_F(FilesTest, WriteWholeFile) {
  {
    SCOPED_TRACE("a new file holds the bytes and has the archive attribute");
    EXPECT_EQ(Files().WriteWholeFile(FilePath("new.ini"), kNew), kSuccess);
    EXPECT_EQ(W().FileBytes(FilePath("new.ini")), kNew);
    EXPECT_EQ(Attributes(FilePath("new.ini")), kFileAttributeArchive);
  }
  {
    SCOPED_TRACE("a longer file is cut to exactly the bytes written");
    EXPECT_EQ(Files().WriteWholeFile(FilePath("file.txt"), kNew), kSuccess);
    EXPECT_EQ(W().FileBytes(FilePath("file.txt")), kNew);
  }
  {
    SCOPED_TRACE("an empty write leaves an empty file");
    EXPECT_EQ(Files().WriteWholeFile(FilePath("file.txt"), {}), kSuccess);
    EXPECT_TRUE(W().FileExists(FilePath("file.txt")));
    EXPECT_EQ(W().FileBytes(FilePath("file.txt")), Bytes{});
  }
  {
    SCOPED_TRACE("a name in another case reuses the file");
    EXPECT_EQ(Files().WriteWholeFile(FilePath("MIXEDCASE.txt"), kNew), kSuccess);
    std::vector<std::uint8_t> out;
    EXPECT_EQ(Files().ReadWholeFile(FilePath("MixedCase.TXT"), out), kSuccess);
    EXPECT_EQ(out, kNew);
  }
  {
    SCOPED_TRACE("missing folder: 3, nothing made");
    EXPECT_EQ(Files().WriteWholeFile(FilePath("nodir\\x.ini"), kNew), kPathNotFound);
    EXPECT_FALSE(W().FileExists(FilePath("nodir\\x.ini")));
  }
  {
    SCOPED_TRACE("a folder: 5");
    EXPECT_EQ(Files().WriteWholeFile(FilePath("dir"), kNew), kAccessDenied);
    EXPECT_EQ(Attributes(FilePath("dir")), kFileAttributeDirectory);
  }
}

}  // namespace
}  // namespace zr::conformance
