// The work-file store on arbitrary file bytes and arbitrary calls: the file's
// bytes, then a script of calls on names from a fixed list or from the
// input. Besides surviving it, the store must never return more than a
// buffer holds, must read a write that succeeded on plain ASCII text back as
// a reader of the file would (trimmed, cut at a line break, unquoted), and
// after a flush must hold in memory what a fresh load of the file reads.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/profile_store.h"
#include "tests/support/memory_file.h"

namespace {

using zr::ProfileStore;

constexpr char kPath[] = "C:\\w\\t.ini";
constexpr std::size_t kAll = 1 << 20;

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "ini_fuzz: %s\n", what);
  std::abort();
}

bool IsPlain(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](unsigned char c) { return c != 0 && c < 0x80; });
}

std::string ExpectedRead(std::string_view value) {
  value = value.substr(0, value.find_first_of("\r\n"));
  while (!value.empty() && zr::profile::IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && zr::profile::IsBlank(value.back())) value.remove_suffix(1);
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

// The names of a list, up to its end or its first empty name.
std::vector<std::string> Names(const std::vector<char>& list) {
  std::vector<std::string> names;
  for (const char* at = list.data(); at < list.data() + list.size() && *at != '\0'; at += names.back().size() + 1)
    names.emplace_back(at);
  return names;
}

class Run {
 public:
  explicit Run(FuzzedDataProvider& in) : in_(in) {
    const std::string file = in_.ConsumeBytesAsString(in_.ConsumeIntegralInRange<std::size_t>(0, 1 << 16));
    if (in_.ConsumeBool()) file_.content = file;
    store_.emplace(file_, kPath);
    for (int steps = in_.ConsumeIntegralInRange(0, 40); steps-- > 0 && in_.remaining_bytes() > 0;) Step();
    file_.refuseWrites = false;
    Flush();
  }

 private:
  std::string Pick(std::initializer_list<const char*> fixed, std::size_t randomLength) {
    if (in_.ConsumeBool()) return in_.ConsumeRandomLengthString(randomLength);
    return fixed.begin()[in_.ConsumeIntegralInRange<std::size_t>(0, fixed.size() - 1)];
  }
  std::string Name() {
    return Pick({"Sec", "sec", " Spaced ", "", "k", "K", "a]b", "x=y", ";c", "[x", "\x83\x41", "\x83\x61", "x\x83]"},
                24);
  }
  std::string Value() { return Pick({"1", "", "  padded  ", "\"q\"", "'x'", "\"", "a=b", "v\r\n[I]\r\nk=1"}, 300); }

  void Step() {
    const std::size_t size = in_.ConsumeIntegralInRange<std::size_t>(0, 300);
    const std::string section = Name(), key = Name(), value = Value();
    std::uint32_t ret = 0;
    std::vector<char> list;
    switch (in_.ConsumeIntegralInRange(0, 7)) {
      case 0:
        Check(store_->GetString(section, key, value, size).size() < std::max<std::size_t>(size, 1), "overrun");
        return;
      case 1:
        list = store_->ListSections(size, ret);
        break;
      case 2:
        list = store_->ListKeys(section, value, size, ret);
        break;
      case 3:
        store_->GetInt(section, key, in_.ConsumeIntegral<std::int32_t>());
        return;
      case 4:
        // A key holding '=' lands where the reader splits it, and double-byte
        // text is beyond this check.
        if (store_->WriteString(section, key, value) && IsPlain(section + key + value) && key.find('=') == key.npos)
          Check(store_->GetString(section, key, "", kAll) == ExpectedRead(value), "a write does not read back");
        return;
      case 5:
        store_->WriteString(section, key, std::nullopt);
        return;
      case 6:
        store_->DeleteSection(section);
        return;
      default:
        file_.refuseWrites = in_.ConsumeBool();
        Flush();
        return;
    }
    Check(list.size() <= size && (size == 0 || (list.back() == '\0' && ret < size)), "a list overran its buffer");
  }

  void Flush() {
    if (!store_->Flush()) return;
    const ProfileStore fresh(file_, kPath);
    std::uint32_t ret = 0;
    std::vector<std::string> sections = Names(store_->ListSections(kAll, ret));
    Check(store_->ListSections(kAll, ret) == fresh.ListSections(kAll, ret), "sections differ from the file's");
    sections.push_back("");
    for (const std::string& section : sections) {
      const std::vector<char> keys = store_->ListKeys(section, "", kAll, ret);
      Check(keys == fresh.ListKeys(section, "", kAll, ret), "keys differ from the file's");
      for (const std::string& key : Names(keys))
        Check(store_->GetString(section, key, "", kAll) == fresh.GetString(section, key, "", kAll), "values differ");
    }
  }

  FuzzedDataProvider& in_;
  zr::testing::MemoryFile file_;
  std::optional<ProfileStore> store_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Run run(in);
  return 0;
}
