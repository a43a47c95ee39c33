// The work-file store against the system's own private-profile calls: the
// same writes go to two files, one through WritePrivateProfileStringA and
// one through the store; afterwards both files hold the same bytes and
// every read gives the same answer. Cases where the store mends a fault of
// the real calls (line breaks in values, deleting duplicated keys) are left
// to the store's own tests.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/profile_store.h"
#include "platform/win32/windows_api.h"
#include "tests/conformance/world_fixture.h"

namespace zr::conformance {
namespace {

struct Write {
  const char* section;
  const char* key;    // nullptr: delete the section
  const char* value;  // nullptr: delete the key
};

struct Read {
  const char* section;
  const char* key;
  const char* def;
  std::size_t size;
};

class ProfileApiCompare : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    apiPath_ = FilePath("api.ini");
    storePath_ = FilePath("store.ini");
    store_.emplace(Files(), storePath_, GetACP());
  }

  void Seed(const std::string& text) {
    W().PutFile(apiPath_, BytesOf(text));
    W().PutFile(storePath_, BytesOf(text));
    store_->Invalidate();
  }

  void Apply(const std::vector<Write>& writes) {
    for (const Write& write : writes) {
      SCOPED_TRACE(std::string("write [") + write.section + "] " +
                   (write.key ? write.key : "(section)") + " = " +
                   (write.value ? write.value : "(delete)"));
      const bool api = WritePrivateProfileStringA(write.section, write.key, write.value,
                                                  apiPath_.c_str()) != FALSE;
      bool store = false;
      if (write.key == nullptr) {
        store = store_->DeleteSection(write.section);
      } else if (write.value == nullptr) {
        store = store_->WriteString(write.section, write.key, std::nullopt);
      } else {
        store = store_->WriteString(write.section, write.key, std::string_view(write.value));
      }
      EXPECT_EQ(store, api);
    }
    ASSERT_TRUE(store_->Flush());
  }

  void ExpectSameFile() {
    const Bytes api = W().FileBytes(apiPath_);
    const Bytes store = W().FileBytes(storePath_);
    EXPECT_EQ(std::string(store.begin(), store.end()), std::string(api.begin(), api.end()));
  }

  void ExpectSameStrings(const std::vector<Read>& reads) {
    for (const Read& read : reads) {
      SCOPED_TRACE(std::string("read [") + read.section + "] " + read.key + ", default '" +
                   read.def + "', size " + std::to_string(read.size));
      std::vector<char> buffer(read.size + 1, static_cast<char>(kFill));
      const DWORD ret = GetPrivateProfileStringA(read.section, read.key, read.def, buffer.data(),
                                                 static_cast<DWORD>(read.size), apiPath_.c_str());
      const std::string store = store_->GetString(read.section, read.key, read.def, read.size);
      EXPECT_EQ(store, std::string(buffer.data(), ret));
      EXPECT_EQ(store.size(), ret);
    }
  }

  // What the key list (section given) or the section list (nullptr) leaves
  // in a buffer of `size`: the bytes written and the return value.
  void ExpectSameList(const char* section, std::size_t size) {
    SCOPED_TRACE(std::string("list ") + (section ? section : "(sections)") + ", size " +
                 std::to_string(size));
    std::vector<char> buffer(size, static_cast<char>(kFill));
    const DWORD ret = GetPrivateProfileStringA(section, nullptr, "", buffer.data(),
                                               static_cast<DWORD>(size), apiPath_.c_str());
    std::uint32_t storeRet = 0;
    const std::vector<char> store = section ? store_->ListKeys(section, "", size, storeRet)
                                            : store_->ListSections(size, storeRet);
    EXPECT_EQ(storeRet, ret);
    ASSERT_LE(store.size(), size);
    // A cut list ends in two zeros that fill the buffer, as Windows documents
    // it and the store writes it. Wine's ANSI wrapper copies only up to the
    // first of them and leaves the buffer's last byte alone; that byte is
    // not compared.
    const bool cut = store.size() == size && size >= 2 && ret == size - 2;
    const std::size_t compared = cut ? size - 1 : store.size();
    EXPECT_EQ(std::string(store.begin(), store.begin() + static_cast<std::ptrdiff_t>(compared)),
              std::string(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(compared)));
    if (cut) {
      EXPECT_EQ(store.back(), '\0');
    }
    for (std::size_t i = store.size(); i < size; ++i) {
      EXPECT_EQ(static_cast<std::uint8_t>(buffer[i]), kFill) << "the call wrote byte " << i;
    }
  }

  std::string apiPath_;
  std::string storePath_;
  std::optional<ProfileStore> store_;
};

TEST_F(ProfileApiCompare, WritesFromNothing) {
  Apply({
      {"Sec", "Key", "v1"},
      {"Sec", "Key2", "v2"},
      {"Other", "a", "1"},
      {"SEC", "KEY", "v3"},
      {"sec", "Key3", "v4"},
      {"Sec", "Key2", nullptr},
      {"Sec", "empty", ""},
      {"Sec", "spaced", "  lead and trail  "},
      {"Sec", "  kspace  ", "x"},
      {"Sec", "quoted", "\"q\""},
      {"Br]acket", "k", "v"},
      {"Eq=Sec", "k=eq", "v"},
      {"Sec", "k]b", "v=w"},
      {"Gone", "g", "1"},
      {"Gone", nullptr, nullptr},
      {"Sec", "missing", nullptr},
  });
  ExpectSameFile();
  ExpectSameStrings({
      {"Sec", "Key", "D", 64},      {"sec", "KEY3", "D", 64},    {"Sec", "Key2", "D", 64},
      {"Sec", "empty", "D", 64},    {"Sec", "spaced", "D", 64},  {"Sec", "kspace", "D", 64},
      {"Sec", "quoted", "D", 64},   {"Br]acket", "k", "D", 64},  {"Br", "k", "D", 64},
      {"Eq=Sec", "k=eq", "D", 64},  {"Eq=Sec", "k", "D", 64},    {"Sec", "k]b", "D", 64},
      {"Gone", "g", "D", 64},       {"Other", "a", "D", 64},     {"Sec", "Key", "D", 2},
      {"Sec", "Key", "D", 1},       {"Nowhere", "k", "def   ", 64},
      {"Nowhere", "k", "   def", 64}, {"Nowhere", "k", "\"def\"", 64},
      {"Nowhere", "k", "defaultvalue", 5},
  });
  ExpectSameList(nullptr, 400);
  ExpectSameList(nullptr, 12);
  ExpectSameList("Sec", 400);
  ExpectSameList("Sec", 20);
  ExpectSameList("Nowhere", 400);
}

TEST_F(ProfileApiCompare, HandWrittenFileIsReadAlike) {
  Seed(
      "k0=before any section\r\n"
      "[Sec]\r\n"
      "key1=value1\r\n"
      "  key2  =  value2  \r\n"
      "key3=\"quoted value\"\r\n"
      "key4='single'\r\n"
      "key5=\"unbalanced\r\n"
      "key6=  \" spaced \"  \r\n"
      "key6b=\"a\" b \"c\"\r\n"
      "key6d=\"\"\r\n"
      "key6f=\t tab\t \r\n"
      ";key7=commented\r\n"
      "#key7c=hash\r\n"
      "key8\r\n"
      "key9=\r\n"
      "dup=first\r\n"
      "dup=second\r\n"
      "key12=a;b ; not a comment\r\n"
      "key13 = x = y\r\n"
      "[Sec]\r\n"
      "key10=in second section\r\n"
      "[ Spaced ]\r\n"
      "k=spaced section\r\n"
      "  [Indented]\r\n"
      "k=indented section\r\n"
      "[trail] junk\r\n"
      "k=trailing junk section\r\n"
      "[a]b]\r\n"
      "k=bracket section\r\n"
      "[Empty]\r\n"
      "[NoClose\r\n"
      "k=noclose section\r\n");
  ExpectSameStrings({
      {"", "k0", "D", 64},         {"Sec", "key1", "D", 64},   {"Sec", "key2", "D", 64},
      {"Sec", "key3", "D", 64},    {"Sec", "key3", "D", 8},    {"Sec", "key4", "D", 64},
      {"Sec", "key5", "D", 64},    {"Sec", "key6", "D", 64},   {"Sec", "key6b", "D", 64},
      {"Sec", "key6d", "D", 64},   {"Sec", "key6f", "D", 64},  {"Sec", ";key7", "D", 64},
      {"Sec", "key7", "D", 64},    {"Sec", "#key7c", "D", 64}, {"Sec", "key8", "D", 64},
      {"Sec", "key9", "D", 64},    {"Sec", "dup", "D", 64},    {"Sec", "key10", "D", 64},
      {"SEC", "KEY12", "D", 64},   {"Sec", "key13", "D", 64},  {"Spaced", "k", "D", 64},
      {" Spaced ", "k", "D", 64},  {"Indented", "k", "D", 64}, {"trail", "k", "D", 64},
      {"a]b", "k", "D", 64},       {"a", "k", "D", 64},        {"NoClose", "k", "D", 64},
      {"Empty", "k", "D", 64},
  });
  ExpectSameList(nullptr, 400);
  ExpectSameList("Sec", 400);
  ExpectSameList("Sec", 30);

  Apply({{"Sec", "added", "1"}, {"Sec", "key1", "changed"}, {"New", "n", "1"}});
  ExpectSameFile();
}

TEST_F(ProfileApiCompare, RewriteOfAnUntidyFile) {
  struct Case {
    const char* fact;
    const char* seed;
    std::vector<Write> writes;
  };
  const std::vector<Case> cases = {
      {"LF lines, spaces, blank lines and comments",
       "; top comment\n[S]\n  a  =  1  \nnoequals\n;c=2\n\n\n[T]\nb=2\n", {{"S", "new", "N"}}},
      {"a comment above the next section belongs to the one before",
       "[A]\r\na=1\r\n\r\n; about B\r\n[B]\r\nb=2\r\n\r\n", {{"A", "c", "3"}}},
      {"no final line break", "[S]\r\na=1", {{"S", "b", "2"}}},
      {"duplicate sections: the first one is changed",
       "[S]\r\nk=1\r\nk=2\r\n[S]\r\nk=3\r\nz=9\r\n", {{"S", "k", "NEW"}, {"S", "z", "Z"}}},
      {"the value already stored leaves the file alone", "[S]\n a = 1 \n", {{"S", "a", "1"}}},
      {"a byte-order mark stays", "\xEF\xBB\xBF[B]\r\nk=v\r\n", {{"B", "k2", "v2"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fact);
    Seed(c.seed);
    Apply(c.writes);
    ExpectSameFile();
  }
}

TEST_F(ProfileApiCompare, IntegersAndLongValues) {
  const char* const numbers[] = {
      "12",         "  12abc",    "12 ",         "-5",         "+7",
      "0x10",       "0X1f",       "-0x10",       "0b101",      "0o17",
      "010",        "0x",         "",            "abc",        "- 5",
      "--5",        "4294967297", "4294967295",  "2147483648", "-2147483649",
      "99999999999999999999",     "1e3",         "\"7\"",
  };
  std::vector<Write> writes;
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < std::size(numbers); ++i) keys.push_back("n" + std::to_string(i));
  for (std::size_t i = 0; i < std::size(numbers); ++i) {
    writes.push_back({"N", keys[i].c_str(), numbers[i]});
  }
  const std::string v258(258, 'a'), v259(259, 'b'), v260(260, 'c'), v300(300, 'd');
  const std::string quoted300 = "\"" + std::string(300, 'e') + "\"";
  writes.push_back({"L", "v258", v258.c_str()});
  writes.push_back({"L", "v259", v259.c_str()});
  writes.push_back({"L", "v260", v260.c_str()});
  writes.push_back({"L", "v300", v300.c_str()});
  writes.push_back({"L", "q300", quoted300.c_str()});
  Apply(writes);
  ExpectSameFile();

  for (std::size_t i = 0; i < std::size(numbers); ++i) {
    SCOPED_TRACE(std::string("int '") + numbers[i] + "'");
    for (const int def : {42, -3}) {
      EXPECT_EQ(store_->GetInt("N", keys[i], def),
                GetPrivateProfileIntA("N", keys[i].c_str(), def, apiPath_.c_str()));
    }
  }
  EXPECT_EQ(store_->GetInt("N", "missing", 42),
            GetPrivateProfileIntA("N", "missing", 42, apiPath_.c_str()));
  EXPECT_EQ(store_->GetInt("Nowhere", "n0", 42),
            GetPrivateProfileIntA("Nowhere", "n0", 42, apiPath_.c_str()));

  const std::string longDefault(300, 'z');
  ExpectSameStrings({
      {"L", "v258", "D", 260},
      {"L", "v259", "D", 260},
      {"L", "v260", "D", 260},
      {"L", "v300", "D", 260},
      {"L", "q300", "D", 260},
      {"L", "missing", longDefault.c_str(), 260},
  });
}

}  // namespace
}  // namespace zr::conformance
