// The work file: reads, enumerations, integers and writes, with the exact
// bytes a write leaves, as the private-profile calls were measured to behave;
// and the results of writes to files that cannot be written.
#include <string>
#include <vector>

#include "engine/profile_store.h"
#include "tests/conformance/profile_calls.h"
#include "tests/support/profile_facts.h"

namespace zr::conformance {
namespace {

namespace facts = testing::profile_facts;

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }
std::string TextOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The engine's store, flushed after every write as the engine flushes at the
// end of each of its operations.
class StoreCalls final : public ProfileCalls {
 public:
  StoreCalls(IFiles& files, const std::string& path) : store_(files, path) {}

  std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                        std::size_t size) override {
    return store_.GetString(section, key, def, size);
  }
  std::vector<char> List(const std::optional<std::string>& section, const std::string& def,
                         std::size_t size, std::uint32_t& ret) override {
    return section ? store_.ListKeys(*section, def, size, ret) : store_.ListSections(size, ret);
  }
  std::uint32_t GetInt(const std::string& section, const std::string& key, std::int32_t def) override {
    return store_.GetInt(section, key, def);
  }
  bool Write(const std::string& section, const std::optional<std::string>& key,
             const std::optional<std::string>& value) override {
    bool ok = false;
    if (!key) {
      ok = store_.DeleteSection(section);
    } else if (value) {
      ok = store_.WriteString(section, *key, std::string_view(*value));
    } else {
      ok = store_.WriteString(section, *key, std::nullopt);
    }
    return store_.Flush() && ok;
  }

 private:
  ProfileStore store_;
};

std::unique_ptr<ProfileCalls> MakeStoreCalls(World& world, const std::string& path) {
  return std::make_unique<StoreCalls>(world.Platform().Files(), path);
}

TEST_P(WorkFileTest, ReadsOfAHandWrittenFile) {
  auto calls = Calls(Put(facts::HandWrittenFile()));
  ExpectReads(*calls, facts::HandWrittenReads());
  ExpectReads(*calls, facts::DefaultReads());
}

TEST_P(WorkFileTest, ReadsCutToTheBuffer) {
  auto calls = Calls(Put(facts::TruncationFile()));
  ExpectReads(*calls, facts::TruncationReads());
}

TEST_P(WorkFileTest, Enumerations) {
  auto calls = Calls(Put(facts::HandWrittenFile()));
  for (const facts::ListRow& row : facts::HandWrittenLists()) {
    SCOPED_TRACE(row.fact);
    std::uint32_t ret = 0xDEAD;
    const std::vector<char> bytes = calls->List(row.section, row.def, row.size, ret);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), row.bytes);
    EXPECT_EQ(ret, row.ret);
  }
}

TEST_P(WorkFileTest, Integers) {
  for (const facts::IntRow& row : facts::IntReads()) {
    SCOPED_TRACE("f=" + row.stored);
    auto calls = Calls(Put("[S]\r\nf=" + row.stored + "\r\n"));
    EXPECT_EQ(calls->GetInt("S", "f", row.def), row.expected);
    EXPECT_EQ(calls->GetInt("S", "missing", row.def), static_cast<std::uint32_t>(row.def));
  }
}

TEST_P(WorkFileTest, WritesAndTheBytesTheyLeave) {
  for (const facts::WriteCase& c : facts::WriteCases()) {
    SCOPED_TRACE(c.fact);
    const std::string path = FilePath("t.ini");
    if (c.before) {
      W().PutFile(path, BytesOf(*c.before));
    } else if (W().FileExists(path)) {
      W().Platform().Files().DeleteFile(path);
    }
    auto calls = Calls(path);
    for (const facts::WriteOp& op : c.writes) EXPECT_TRUE(calls->Write(op.section, op.key, op.value));
    EXPECT_EQ(TextOf(W().FileBytes(path)), c.after);
    ExpectReads(*calls, c.reads);
    ExpectReads(*Calls(path), c.reads);
  }
}

TEST_P(WorkFileTest, MissingFileReadsAsDefaults) {
  auto calls = Calls(FilePath("none.ini"));
  EXPECT_EQ(calls->GetString("S", "k", "def", 64), "def");
  EXPECT_EQ(calls->GetInt("S", "k", 42), 42u);
  std::uint32_t ret = 0xDEAD;
  const std::vector<char> bytes = calls->List(std::nullopt, "", 400, ret);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string(1, '\0'));
  EXPECT_EQ(ret, 0u);
  EXPECT_FALSE(W().FileExists(FilePath("none.ini"))) << "reading creates no file";
}

TEST_P(WorkFileTest, MissingFolderRefusesTheWrite) {
  const std::string path = FilePath("nodir\\t.ini");
  auto calls = Calls(path);
  EXPECT_FALSE(calls->Write("Sec", std::string("Key"), std::string("v1")));
  EXPECT_FALSE(W().FileExists(path));
  EXPECT_EQ(calls->GetString("Sec", "Key", "D", 64), "D");
}

TEST_P(WorkFileTest, ReadOnlyFileRefusesTheWriteAndKeepsItsValue) {
  if (!W().EnforcesReadOnlyFiles()) GTEST_SKIP() << "read-only files are writable to this backend's user";
  const std::string before = "[S]\r\nk=old\r\n";
  const std::string path = Put(before);
  W().MakeReadOnly(path);
  auto calls = Calls(path);
  EXPECT_FALSE(calls->Write("S", std::string("k"), std::string("new")));
  EXPECT_EQ(calls->GetString("S", "k", "D", 64), "old");
  EXPECT_EQ(TextOf(W().FileBytes(path)), before);
}

INSTANTIATE_TEST_SUITE_P(Store, WorkFileTest, ::testing::Values(&MakeStoreCalls));

}  // namespace
}  // namespace zr::conformance
