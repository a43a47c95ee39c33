// The work file: the engine's store, over each backend's files, does what
// the private-profile calls do: reads, lists, integers, the exact bytes
// writes leave, and the writes a file refuses. Where the backend has the
// system's own calls (under Wine), the store must give their answers on the
// same file after the same writes; elsewhere the measured ones.
#include <string>
#include <vector>

#include "engine/profile_store.h"
#include "tests/conformance/system_profile.h"
#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

namespace facts = testing::profile_facts;

class WorkFile : public WorldTest {
 protected:
  // A store on a file of the test's own holding `text`, or no file at all,
  // and the system's calls on a twin of it.
  ProfileStore Store(const std::optional<std::string>& text) {
    for (const std::string& path : {FilePath("t.ini"), FilePath("twin.ini")}) {
      text ? W().PutFile(path, BytesOf(*text)) : void(Files().DeleteFile(path));
    }
    system_ = MakeSystemProfile(FilePath("twin.ini"));
    return ProfileStore(Files(), FilePath("t.ini"));
  }

  void ExpectReads(const ProfileStore& store, const std::vector<facts::ReadRow>& rows) {
    for (const facts::ReadRow& row : rows) {
      SCOPED_TRACE(row.fact);
      EXPECT_EQ(store.GetString(row.section, row.key, row.def, row.size),
                system_ ? system_->GetString(row.section, row.key, row.def, row.size) : row.expected);
    }
  }

  std::string Text(const std::string& path) {
    const Bytes bytes = W().FileBytes(path);
    return std::string(bytes.begin(), bytes.end());
  }

  std::unique_ptr<SystemProfile> system_;
};

TEST_F(WorkFile, ReadsListsAndIntegers) {
  const ProfileStore hand = Store(facts::HandWrittenFile());
  ExpectReads(hand, facts::HandWrittenReads());
  ExpectReads(hand, facts::DefaultReads());
  for (const facts::ListRow& row : facts::HandWrittenLists()) {
    SCOPED_TRACE(row.fact);
    std::uint32_t ret = 0xDEAD, expectedRet = row.ret;
    const std::vector<char> bytes =
        row.section ? hand.ListKeys(*row.section, row.def, row.size, ret) : hand.ListSections(row.size, ret);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              system_ ? system_->List(row.section, row.def, row.size, expectedRet) : row.bytes);
    EXPECT_EQ(ret, expectedRet);
  }
  ExpectReads(Store(facts::TruncationFile()), facts::TruncationReads());
  for (const facts::IntRow& row : facts::IntReads()) {
    SCOPED_TRACE("f=" + row.stored);
    const ProfileStore store = Store("[S]\r\nf=" + row.stored + "\r\n");
    EXPECT_EQ(store.GetInt("S", "f", row.def), system_ ? system_->GetInt("S", "f", row.def) : row.expected);
  }
}

TEST_F(WorkFile, WritesAndTheBytesTheyLeave) {
  for (const facts::WriteCase& c : facts::WriteCases()) {
    SCOPED_TRACE(c.fact);
    ProfileStore store = Store(c.before);
    for (const facts::WriteOp& op : c.writes) {
      EXPECT_EQ(op.key ? store.WriteString(op.section, *op.key, op.value) : store.DeleteSection(op.section),
                system_ ? system_->Write(op) : true);
    }
    ASSERT_TRUE(store.Flush());
    EXPECT_EQ(Text(store.Path()), system_ ? Text(FilePath("twin.ini")) : c.after);
    ExpectReads(store, c.reads);
    ExpectReads(ProfileStore(Files(), store.Path()), c.reads);
  }
}

TEST_F(WorkFile, MissingFileReadsAsDefaultsMissingFolderRefusesWrites) {
  ProfileStore none = Store(std::nullopt);
  std::uint32_t ret = 0xDEAD;
  EXPECT_EQ(none.GetString("S", "k", "def", 64) + std::to_string(none.GetInt("S", "k", 42)), "def42");
  EXPECT_EQ(none.ListSections(400, ret), std::vector<char>{'\0'});
  EXPECT_EQ(ret, 0u);
  EXPECT_FALSE(W().FileExists(none.Path())) << "reading creates no file";

  ProfileStore nowhere(Files(), FilePath("nodir\\t.ini"));
  EXPECT_FALSE(nowhere.WriteString("Sec", "Key", "v1") && nowhere.Flush());
  EXPECT_FALSE(W().FileExists(nowhere.Path()));
  EXPECT_EQ(nowhere.GetString("Sec", "Key", "D", 64), "D");
}

TEST_F(WorkFile, ReadOnlyFileRefusesTheWriteAndKeepsItsValue) {
  if (!W().EnforcesReadOnlyFiles()) GTEST_SKIP() << "read-only files are writable to this backend's user";
  ProfileStore readOnly = Store("[S]\r\nk=old\r\n");
  W().MakeReadOnly(readOnly.Path());
  EXPECT_FALSE(readOnly.WriteString("S", "k", "new") && readOnly.Flush());
  EXPECT_EQ(readOnly.GetString("S", "k", "D", 64), "old");
  EXPECT_EQ(Text(readOnly.Path()), "[S]\r\nk=old\r\n");
}

}  // namespace
}  // namespace zr::conformance
