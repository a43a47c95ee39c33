// The work-file store's own rules; the measured behaviour of the profile
// calls that it reproduces is the conformance suite's (profile_facts.h),
// which runs on this store. Here: when the store writes the file, how it
// recovers from a refused write, the edges of its lists, double-byte names,
// and the writes it keeps from damaging other entries.
#include "engine/profile_store.h"

#include <gtest/gtest.h>

#include "tests/support/memory_file.h"

namespace zr {
namespace {

using namespace std::string_literals;

const std::string kPath = "C:\\WINDOWS\\tvk_temp.dat";

class ProfileStoreTest : public ::testing::Test {
 protected:
  std::string FileText() { return files_.content.value_or("<no file>"); }
  testing::MemoryFile files_;
};

TEST_F(ProfileStoreTest, ListsNeverOverrunTheirBuffer) {
  files_.content = "[A]\r\nk=1\r\n[Only]\r\n;c=1\r\nbare\r\n";
  const ProfileStore store(files_, kPath);
  // Sections, or keys of a section with nothing listable (the default "D"):
  // size, return value and every byte written.
  const std::tuple<bool, std::size_t, std::uint32_t, std::string> rows[] = {
      {false, 0, 0, ""},     {false, 1, 0, "\0"s}, {false, 8, 7, "A\0Only\0\0"s}, {false, 7, 5, "A\0Onl\0\0"s},
      {true, 64, 1, "D\0"s}, {true, 1, 0, "\0"s}};
  for (const auto& [keys, size, ret, bytes] : rows) {
    std::uint32_t got = 0xDEAD;
    const std::vector<char> list = keys ? store.ListKeys("Only", "D", size, got) : store.ListSections(size, got);
    EXPECT_EQ(std::pair(std::string(list.begin(), list.end()), got), std::pair(bytes, ret)) << size;
  }
}

// The engine ends each operation with a flush; the first change after one
// goes to the file at once, so that the file holds it should the program
// die, and the rest wait for the flush.
TEST_F(ProfileStoreTest, FirstWriteAfterAFlushIsWrittenThroughTheRestAtFlush) {
  ProfileStore store(files_, kPath);
  EXPECT_TRUE(store.WriteString("S", "k", std::nullopt));
  EXPECT_FALSE(files_.content) << "deleting nothing creates no file";
  ASSERT_TRUE(store.WriteString("S", "a", "1"));
  EXPECT_EQ(FileText(), "[S]\r\na=1\r\n");
  const int written = files_.writes;
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(store.WriteString("T" + std::to_string(i % 10), std::to_string(i), "v"));
  EXPECT_EQ(files_.writes, written) << "later writes stay in memory";
  ASSERT_TRUE(store.Flush() && store.Flush());
  EXPECT_EQ(ProfileStore(files_, kPath).GetString("T3", "93", "", 64), "v");
  EXPECT_EQ(files_.writes, written + 1) << "nothing pending, nothing written";
  ASSERT_TRUE(store.WriteString("S", "a", "2"));
  EXPECT_EQ(files_.writes, written + 2) << "the first write after a flush goes through again";
  ASSERT_TRUE(store.Flush() && store.DeleteSection("S"));
  EXPECT_EQ(FileText().find("[S]"), std::string::npos) << "deleting one section is a change too";
  files_.content = "[A]\r\nk=1\r\n[B]\r\nk=2\r\n";
  ASSERT_TRUE(ProfileStore(files_, kPath).DeleteSection("A"));
  EXPECT_EQ(FileText(), "[B]\r\nk=2\r\n") << "a section deleted before anything was read";
}

TEST_F(ProfileStoreTest, RefusedWritesLeaveWhatTheFileHolds) {
  ProfileStore store(files_, kPath);
  ASSERT_TRUE(store.WriteString("S", "a", "1"));
  files_.refuseWrites = true;
  ASSERT_TRUE(store.WriteString("S", "b", "2"));
  EXPECT_FALSE(store.Flush());
  EXPECT_EQ(store.GetString("S", "b", "D", 64), "D") << "a failed flush drops what it could not write";
  EXPECT_FALSE(store.WriteString("S", "c", "3")) << "the first write after a failed flush fails";
  EXPECT_TRUE(store.WriteString("S", "a", "1")) << "the stored value again writes nothing";
  EXPECT_EQ(
      store.GetString("S", "a", "D", 64) + store.GetString("S", "b", "D", 64) + store.GetString("S", "c", "D", 64),
      "1DD");
  files_.refuseWrites = false;
  EXPECT_TRUE(store.WriteString("S", "d", "4"));
  EXPECT_EQ(FileText(), "[S]\r\na=1\r\nd=4\r\n");
}

// Shift-JIS: 0x83 0x41 and 0x83 0x61 are two different characters whose
// second bytes are the letters A and a; 0x83 0x5D ends in ']'.
TEST_F(ProfileStoreTest, DoubleByteCharactersStayWhole) {
  files_.content = "[S]\r\n[a\x83]\r\nk=1\r\n[\x83\x41]\r\nn=upper\r\n"s;
  ProfileStore store(files_, kPath);
  EXPECT_EQ(store.GetString("S", "k", "D", 64), "1") << "a ']' that ends a character closes no header";
  EXPECT_EQ(store.GetString("\x83\x61", "n", "D", 64), "D") << "a second byte is not case folded";
  ASSERT_TRUE(store.WriteString("x\x83]", "\x83\x61", "v"));
  ASSERT_TRUE(store.WriteString("S", "jp", "ab\x83\x41"));
  ASSERT_TRUE(store.Flush());
  const ProfileStore reloaded(files_, kPath);
  EXPECT_EQ(reloaded.GetString("X\x83]", "\x83\x61", "D", 64) + reloaded.GetString("x\x83]", "\x83\x41", "D", 64),
            "vD");
  EXPECT_EQ(reloaded.GetString("S", "jp", "", 4), "ab") << "a cut keeps characters whole";
  EXPECT_EQ(ProfileStore(files_, kPath, 1252).GetString("x\x83]", "\x83\x41", "D", 64), "v")
      << "in a single-byte code page every letter folds";
}

TEST_F(ProfileStoreTest, OneWriteCannotDamageOtherEntries) {
  files_.content = "[S]\r\nk=1\r\nk=2\r\nkeep=yes\r\n[T]\r\nx=1\r\n[S]\r\nk=3\r\n";
  ProfileStore store(files_, kPath);
  EXPECT_TRUE(store.WriteString("T", "v", "line\r\n[S]\r\nkeep=no")) << "cut at its line break";
  for (const auto& [section, key] : {std::pair{"T", "a\nb"}, {"T\r\n[S]", "a"}, {"T", "[x"}, {"x\x83", "a"}})
    EXPECT_FALSE(store.WriteString(section, key, "y]"))
        << "a line break, a header, a cut character: " << section << key;
  EXPECT_TRUE(store.WriteString("S", "k", std::nullopt));
  EXPECT_EQ(store.GetString("S", "k", "D", 64), "D") << "no older duplicate shows through";
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ(FileText(), "[S]\r\nkeep=yes\r\n[T]\r\nx=1\r\nv=line\r\n[S]\r\nk=3\r\n");
  EXPECT_TRUE(store.DeleteSection("s"));
  EXPECT_EQ(store.GetString("S", "k", "D", 64), "D") << "nor an older duplicate section";
  // A first key that starts with the bytes of a byte-order mark survives a reload.
  ASSERT_TRUE(store.WriteString("", "\xEF\xBB\xBFk", "v"));
  EXPECT_TRUE(store.Flush());
  EXPECT_EQ(FileText(), "\xEF\xBB\xBF\xEF\xBB\xBFk=v\r\n[T]\r\nx=1\r\nv=line\r\n") << "a mark before the key's own";
  EXPECT_EQ(ProfileStore(files_, kPath).GetString("", "\xEF\xBB\xBFk", "D", 64), "v");
}

}  // namespace
}  // namespace zr
