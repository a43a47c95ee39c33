// The work-file store over files held in memory: the measured behaviour of
// the profile calls, then what is the store's own: when it reads and writes
// the file, how it recovers from a refused write, double-byte names, and the
// cases where it deliberately keeps one write from damaging other entries.
#include "engine/profile_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/memory_files.h"
#include "tests/support/profile_facts.h"

namespace zr {
namespace {

using namespace std::string_literals;
namespace facts = testing::profile_facts;

const std::string kPath = "C:\\WINDOWS\\tvk_temp.dat";

class ProfileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { files_.AddFolder("C:\\WINDOWS"); }

  std::string FileText() { return files_.Content(kPath).value_or("<no file>"); }

  void ExpectReads(const ProfileStore& store, const std::vector<facts::ReadRow>& rows) {
    for (const facts::ReadRow& row : rows) {
      SCOPED_TRACE(row.fact);
      EXPECT_EQ(store.GetString(row.section, row.key, row.def, row.size), row.expected);
    }
  }

  testing::MemoryFiles files_;
};

TEST_F(ProfileStoreTest, ReadsOfAHandWrittenFile) {
  files_.PutFile(kPath, facts::HandWrittenFile());
  ProfileStore store(files_, kPath);
  ExpectReads(store, facts::HandWrittenReads());
  ExpectReads(store, facts::DefaultReads());
}

TEST_F(ProfileStoreTest, Enumerations) {
  files_.PutFile(kPath, facts::HandWrittenFile());
  ProfileStore store(files_, kPath);
  for (const facts::ListRow& row : facts::HandWrittenLists()) {
    SCOPED_TRACE(row.fact);
    std::uint32_t ret = 0xDEAD;
    const std::vector<char> bytes = row.section ? store.ListKeys(*row.section, row.def, row.size, ret)
                                                : store.ListSections(row.size, ret);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), row.bytes);
    EXPECT_EQ(ret, row.ret);
  }
}

TEST_F(ProfileStoreTest, EnumerationEdges) {
  files_.PutFile(kPath, "[A]\r\nk=1\r\n[Only]\r\n;c=1\r\nbare\r\n"s);
  ProfileStore store(files_, kPath);
  struct Row {
    const char* what;
    std::optional<std::string> section;
    std::size_t size;
    std::uint32_t ret;
    std::string bytes;
  };
  const std::vector<Row> rows = {
      {"size 0 writes nothing", std::nullopt, 0, 0, ""},
      {"size 1: an empty list", std::nullopt, 1, 0, "\0"s},
      {"size 2: no room for a name", std::nullopt, 2, 0, "\0\0"s},
      {"a list that fills the buffer exactly is whole", std::nullopt, 8, 7, "A\0Only\0\0"s},
      {"one byte less cuts it", std::nullopt, 7, 5, "A\0Onl\0\0"s},
      {"a section with nothing listable gives the default", "Only", 64, 1, "D\0"s},
      {"the default is cut too", "Only", 1, 0, "\0"s},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::uint32_t ret = 0xDEAD;
    const std::vector<char> bytes =
        row.section ? store.ListKeys(*row.section, "D", row.size, ret) : store.ListSections(row.size, ret);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), row.bytes);
    EXPECT_EQ(ret, row.ret);
  }
  files_.DeleteFile(kPath);
  ProfileStore missing(files_, kPath);
  std::uint32_t ret = 0xDEAD;
  const std::vector<char> none = missing.ListSections(400, ret);
  EXPECT_EQ(std::string(none.begin(), none.end()), "\0"s) << "a missing file lists nothing";
  EXPECT_EQ(ret, 0u);
}

TEST_F(ProfileStoreTest, TruncationAt260Bytes) {
  files_.PutFile(kPath, facts::TruncationFile());
  ExpectReads(ProfileStore(files_, kPath), facts::TruncationReads());
}

TEST_F(ProfileStoreTest, WritesAndTheBytesTheyLeave) {
  for (const facts::WriteCase& c : facts::WriteCases()) {
    SCOPED_TRACE(c.fact);
    files_.DeleteFile(kPath);
    if (c.before) files_.PutFile(kPath, *c.before);
    ProfileStore store(files_, kPath);
    for (const facts::WriteOp& op : c.writes) {
      const bool ok = !op.key ? store.DeleteSection(op.section)
                              : store.WriteString(op.section, *op.key, op.value);
      EXPECT_TRUE(ok) << op.section;
    }
    EXPECT_TRUE(store.Flush());
    EXPECT_EQ(FileText(), c.after);
    ExpectReads(store, c.reads);
    // What memory holds is what the file says.
    ProfileStore reloaded(files_, kPath);
    ExpectReads(reloaded, c.reads);
  }
}

TEST_F(ProfileStoreTest, IntegersAsTheRealCallParsesThem) {
  for (const facts::IntRow& row : facts::IntReads()) {
    SCOPED_TRACE("f=" + row.stored);
    files_.PutFile(kPath, "[S]\r\nf=" + row.stored + "\r\n");
    ProfileStore store(files_, kPath);
    EXPECT_EQ(store.GetInt("S", "f", row.def), row.expected);
  }
  ProfileStore store(files_, kPath);
  EXPECT_EQ(store.GetInt("S", "nokey", 42), 42u);
  EXPECT_EQ(store.GetInt("NoSuch", "f", 42), 42u);
}

TEST_F(ProfileStoreTest, ParseProfileIntBelowTheStore) {
  // Text that the store hands over only from inside quotes.
  struct Row {
    std::string text;
    std::uint32_t expected;
  };
  const std::vector<Row> rows = {
      {"  12abc", 12},      {"\t\x01 9", 9},   {" -0b11", static_cast<std::uint32_t>(-3)},
      {"0xfF", 255},        {"0o9", 0},        {"0b2", 0},
      {"\"7\"", 0},         {"+", 0},          {" ", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(ParseProfileInt(row.text, 42), row.expected);
  }
}

TEST_F(ProfileStoreTest, MissingFileReadsAsDefaultsAndIsCreatedByAWrite) {
  ProfileStore store(files_, kPath);
  EXPECT_EQ(store.GetString("S", "k", "def", 64), "def");
  EXPECT_EQ(store.GetInt("S", "k", 0), 0u);
  EXPECT_FALSE(files_.Content(kPath)) << "reading does not create the file";
  EXPECT_TRUE(store.WriteString("S", "k", std::nullopt)) << "deleting nothing succeeds";
  EXPECT_FALSE(files_.Content(kPath)) << "...and creates nothing";
  EXPECT_TRUE(store.WriteString("S", "k", "v"));
  EXPECT_EQ(FileText(), "[S]\r\nk=v\r\n");
}

TEST_F(ProfileStoreTest, MissingFolderRefusesWrites) {
  const std::string path = "C:\\nodir\\t.ini";
  ProfileStore store(files_, path);
  EXPECT_FALSE(store.WriteString("S", "k", "v"));
  EXPECT_FALSE(files_.Content(path));
  EXPECT_EQ(store.GetString("S", "k", "D", 64), "D") << "a refused write reads back as missing";
  EXPECT_EQ(store.GetInt("S", "k", 0), 0u);
}

TEST_F(ProfileStoreTest, ReadOnlyFileKeepsItsValue) {
  files_.PutFile(kPath, "[S]\r\nk=old\r\n");
  files_.MakeReadOnly(kPath);
  ProfileStore store(files_, kPath);
  EXPECT_EQ(store.GetString("S", "k", "", 64), "old");
  EXPECT_FALSE(store.WriteString("S", "k", "new"));
  EXPECT_EQ(store.GetString("S", "k", "", 64), "old");
  EXPECT_FALSE(store.WriteString("S", "added", "1")) << "every later write is refused too";
  EXPECT_EQ(store.GetInt("S", "added", 0), 0u);
  EXPECT_TRUE(store.WriteString("S", "k", "old")) << "the stored value again writes nothing";
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ(FileText(), "[S]\r\nk=old\r\n");
}

TEST_F(ProfileStoreTest, FirstWriteAfterAFlushIsWrittenThroughTheRestAtFlush) {
  ProfileStore store(files_, kPath);
  EXPECT_EQ(files_.ReadCount(), 0) << "nothing is read before it is needed";
  ASSERT_TRUE(store.WriteString("S", "a", "1"));
  EXPECT_EQ(files_.WriteCount(), 1);
  EXPECT_EQ(FileText(), "[S]\r\na=1\r\n");
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(store.WriteString("T" + std::to_string(i % 10), "k" + std::to_string(i), "v"));
  }
  EXPECT_EQ(files_.WriteCount(), 1) << "later writes stay in memory";
  EXPECT_EQ(store.GetString("T3", "k993", "", 64), "v");
  ASSERT_TRUE(store.Flush());
  EXPECT_EQ(files_.WriteCount(), 2);
  EXPECT_EQ(files_.ReadCount(), 1) << "the file was read once";
  EXPECT_EQ(ProfileStore(files_, kPath).GetString("T3", "k993", "", 64), "v");
  ASSERT_TRUE(store.Flush());
  EXPECT_EQ(files_.WriteCount(), 2) << "nothing pending, nothing written";
  ASSERT_TRUE(store.WriteString("S", "a", "2"));
  EXPECT_EQ(files_.WriteCount(), 3) << "the first write after a flush goes through again";
}

TEST_F(ProfileStoreTest, FailedFlushDropsThePendingChanges) {
  ProfileStore store(files_, kPath);
  ASSERT_TRUE(store.WriteString("S", "a", "1"));
  files_.RefuseWrites(true);
  ASSERT_TRUE(store.WriteString("S", "b", "2"));
  EXPECT_FALSE(store.Flush());
  EXPECT_EQ(store.GetString("S", "a", "D", 64), "1");
  EXPECT_EQ(store.GetString("S", "b", "D", 64), "D");
  files_.RefuseWrites(false);
  EXPECT_TRUE(store.WriteString("S", "c", "3"));
  EXPECT_EQ(FileText(), "[S]\r\na=1\r\nc=3\r\n");
}

TEST_F(ProfileStoreTest, InvalidateReadsTheFileAgain) {
  files_.PutFile(kPath, "[S]\r\nk=1\r\n");
  ProfileStore store(files_, kPath);
  EXPECT_EQ(store.GetInt("S", "k", 0), 1u);
  files_.PutFile(kPath, "[S]\r\nk=2\r\n");
  store.Invalidate();
  EXPECT_EQ(store.GetInt("S", "k", 0), 2u);
  files_.DeleteFile(kPath);
  store.Invalidate();
  EXPECT_EQ(store.GetInt("S", "k", 0), 0u);
}

// Shift-JIS: 0x83 0x41 and 0x83 0x61 are two different characters whose
// second bytes are the letters A and a; 0x83 0x5D ends in ']'.
TEST_F(ProfileStoreTest, DoubleByteCharactersStayWhole) {
  files_.PutFile(kPath, "[S]\r\n[a\x83]\r\nk=1\r\n[\x83\x41]\r\nn=upper\r\n"s);
  ProfileStore store(files_, kPath);
  EXPECT_EQ(store.GetString("S", "k", "D", 64), "1") << "a ']' that ends a character closes no header";
  EXPECT_EQ(store.GetString("\x83\x41", "n", "D", 64), "upper");
  EXPECT_EQ(store.GetString("\x83\x61", "n", "D", 64), "D") << "a second byte is not case folded";

  ASSERT_TRUE(store.WriteString("x\x83]", "\x83\x61", "v"));
  ASSERT_TRUE(store.WriteString("S", "jp", "ab\x83\x41"));
  ASSERT_TRUE(store.Flush());
  ProfileStore reloaded(files_, kPath);
  EXPECT_EQ(reloaded.GetString("X\x83]", "\x83\x61", "D", 64), "v");
  EXPECT_EQ(reloaded.GetString("x\x83]", "\x83\x41", "D", 64), "D");
  EXPECT_EQ(reloaded.GetString("S", "jp", "", 4), "ab") << "a cut keeps characters whole";
  EXPECT_EQ(reloaded.GetString("S", "jp", "", 5), "ab\x83\x41");
  EXPECT_EQ(ProfileStore(files_, kPath, 1252).GetString("x\x83]", "\x83\x41", "D", 64), "v")
      << "in a single-byte code page every letter folds";
}

TEST_F(ProfileStoreTest, OneWriteCannotDamageOtherEntries) {
  files_.PutFile(kPath, "[S]\r\nk=1\r\nk=2\r\nkeep=yes\r\n[T]\r\nx=1\r\n[S]\r\nk=3\r\n");
  ProfileStore store(files_, kPath);

  EXPECT_TRUE(store.WriteString("T", "v", "line\r\n[S]\r\nkeep=no")) << "cut at its line break";
  EXPECT_EQ(store.GetString("T", "v", "D", 64), "line");
  EXPECT_FALSE(store.WriteString("T", "a\nb", "v")) << "a key with a line break";
  EXPECT_FALSE(store.WriteString("T\r\n[S]", "a", "v")) << "a section with a line break";
  EXPECT_FALSE(store.WriteString("T", "[x", "y]")) << "a key that would make a header";
  EXPECT_FALSE(store.WriteString("x\x83", "a", "v")) << "a section cut inside a character";

  EXPECT_TRUE(store.WriteString("S", "k", std::nullopt));
  EXPECT_EQ(store.GetString("S", "k", "D", 64), "D") << "no older duplicate shows through";
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ(FileText(), "[S]\r\nkeep=yes\r\n[T]\r\nx=1\r\nv=line\r\n[S]\r\nk=3\r\n");

  EXPECT_TRUE(store.DeleteSection("s"));
  EXPECT_EQ(store.GetString("S", "k", "D", 64), "D") << "nor an older duplicate section";
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ(FileText(), "[T]\r\nx=1\r\nv=line\r\n");
}

TEST_F(ProfileStoreTest, AFirstKeyStartingWithTheMarkBytesSurvivesAReload) {
  ProfileStore store(files_, kPath);
  ASSERT_TRUE(store.WriteString("", "\xEF\xBB\xBFk", "v"));
  EXPECT_EQ(ProfileStore(files_, kPath).GetString("", "\xEF\xBB\xBFk", "D", 64), "v");
}

}  // namespace
}  // namespace zr
