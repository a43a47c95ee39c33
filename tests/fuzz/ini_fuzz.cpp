// The work-file store on arbitrary file bytes and arbitrary calls.
//
// The input is the file's bytes followed by a script; the script's numbers
// come from the input's end and its names from a fixed list, from the input
// or from the file's own section and key names. Besides surviving it, the
// store must:
// - never return more than a buffer holds;
// - read back every write that succeeded on plain ASCII names, the way a
//   reader of the file would (trimmed, cut at a line break, unquoted), and
//   after a failed flush read what the file holds;
// - hold in memory what a fresh load of the file it flushed reads;
// - leave a file that it rewrites again byte for byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/profile_store.h"
#include "tests/support/memory_files.h"

namespace {

using zr::ProfileStore;
using zr::testing::MemoryFiles;

constexpr char kPath[] = "C:\\w\\t.ini";

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "ini_fuzz: %s\n", what);
    std::abort();
  }
}

bool IsPlainAscii(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80 || c == '\0') return false;
  }
  return true;
}

// What a reader gets for a written value, for ASCII text (no double-byte
// characters to care about).
std::string ExpectedRead(std::string_view value) {
  const std::size_t lineBreak = value.find_first_of("\r\n");
  if (lineBreak != std::string_view::npos) value = value.substr(0, lineBreak);
  while (!value.empty() && zr::profile::IsBlank(value.front())) value.remove_prefix(1);
  while (!value.empty() && zr::profile::IsBlank(value.back())) value.remove_suffix(1);
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

std::string Fold(std::string_view name) {
  while (!name.empty() && zr::profile::IsBlank(name.front())) name.remove_prefix(1);
  while (!name.empty() && zr::profile::IsBlank(name.back())) name.remove_suffix(1);
  std::string out(name);
  for (char& c : out) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

// Expected reads, by folded section and key: a value, or nullopt for "reads
// as missing".
using Model = std::map<std::pair<std::string, std::string>, std::optional<std::string>>;

std::vector<std::string> SplitList(const std::vector<char>& bytes) {
  std::vector<std::string> names;
  std::string current;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\0') {
      current += bytes[i];
      continue;
    }
    if (current.empty() && i + 1 < bytes.size() && bytes[i + 1] == '\0') break;
    if (current.empty() && i + 1 == bytes.size()) break;
    names.push_back(current);
    current.clear();
  }
  return names;
}

class Run {
 public:
  explicit Run(FuzzedDataProvider& in) : in_(in) { files_.AddFolder("C:\\w"); }

  void Go() {
    const std::string file = in_.ConsumeBytesAsString(in_.ConsumeIntegralInRange<std::size_t>(0, 1 << 16));
    if (in_.ConsumeBool()) files_.PutFile(kPath, file);
    store_.emplace(files_, kPath);
    const int steps = in_.ConsumeIntegralInRange(0, 40);
    for (int i = 0; i < steps && in_.remaining_bytes() > 0; ++i) Step();
    files_.RefuseWrites(false);
    Flush();
    CheckModel(*store_);
    CheckRewriteIsStable();
  }

 private:
  std::string Name() {
    static const char* const kNames[] = {
        "Sec", "sec", " Spaced ", "", "k", "K", "key1", "dup", "a]b", "x=y", "k=eq", ";c", "#h",
        "[x", "[a", "usb_root0", "index", "\x83\x41", "\x83\x61", "x\x83]", "a\r\nb", "NoClose"};
    switch (in_.ConsumeIntegralInRange(0, 3)) {
      case 0: return in_.ConsumeRandomLengthString(24);
      case 1: return Listed(std::nullopt);
      case 2: return Listed(Listed(std::nullopt));
      default: return kNames[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
    }
  }

  // A name the store lists: a section, or a key of `section`.
  std::string Listed(const std::optional<std::string>& section) {
    std::uint32_t ret = 0;
    const std::vector<char> bytes = section ? store_->ListKeys(*section, "", 4096, ret)
                                            : store_->ListSections(4096, ret);
    const std::vector<std::string> names = SplitList(bytes);
    if (names.empty()) return "";
    return names[in_.ConsumeIntegralInRange<std::size_t>(0, names.size() - 1)];
  }

  std::string Value() {
    static const char* const kValues[] = {"1", "", "  padded  ", "\"q\"", "'x'", "\"", "a=b",
                                          "v\r\n[Injected]\r\nk=1", "0x10", "\x83\x41\x83"};
    if (in_.ConsumeBool()) return in_.ConsumeRandomLengthString(300);
    return kValues[in_.ConsumeIntegralInRange<std::size_t>(0, std::size(kValues) - 1)];
  }

  std::size_t Size() { return in_.ConsumeIntegralInRange<std::size_t>(0, 300); }

  void Step() {
    switch (in_.ConsumeIntegralInRange(0, 9)) {
      case 0: {
        const std::size_t size = Size();
        const std::string text = store_->GetString(Name(), Name(), Value(), size);
        Check(text.size() + 1 <= size || (size == 0 && text.empty()), "GetString overran its buffer");
        break;
      }
      case 1: {
        const std::size_t size = Size();
        std::uint32_t ret = 0;
        CheckList(store_->ListSections(size, ret), size, ret);
        break;
      }
      case 2: {
        const std::size_t size = Size();
        std::uint32_t ret = 0;
        CheckList(store_->ListKeys(Name(), Value(), size, ret), size, ret);
        break;
      }
      case 3:
        store_->GetInt(Name(), Name(), in_.ConsumeIntegral<std::int32_t>());
        break;
      case 4: Write(Name(), Name(), Value()); break;
      case 5: Write(Name(), Name(), std::nullopt); break;
      case 6: DeleteSection(Name()); break;
      case 7: Flush(); break;
      case 8: files_.RefuseWrites(in_.ConsumeBool()); break;
      default:
        // Someone else removed the file; the store is told so.
        files_.DeleteFile(kPath);
        store_->Invalidate();
        current_.clear();
        durable_.clear();
        break;
    }
  }

  static void CheckList(const std::vector<char>& bytes, std::size_t size, std::uint32_t ret) {
    Check(bytes.size() <= size, "list overran its buffer");
    if (size == 0) return;
    Check(!bytes.empty() && bytes.back() == '\0', "list not terminated");
    Check(ret < size, "list length beyond its buffer");
  }

  void Write(const std::string& section, const std::string& key,
             const std::optional<std::string>& value) {
    const int writesBefore = files_.WriteCount();
    const bool ok = value ? store_->WriteString(section, key, std::string_view(*value))
                          : store_->WriteString(section, key, std::nullopt);
    if (!ok) return;
    if (IsPlainAscii(section)) {
      const std::string s = Fold(section);
      if (IsPlainAscii(key) && key.find('=') == std::string::npos &&
          (!value || IsPlainAscii(*value))) {
        current_[{s, Fold(key)}] = value ? std::optional(ExpectedRead(*value)) : std::nullopt;
      } else {
        // A key holding '=' lands where the reader splits it, and double-byte
        // text is beyond this model: forget the section.
        std::erase_if(current_, [&](const auto& entry) { return entry.first.first == s; });
      }
    }
    NoteWriteThrough(writesBefore);
    CheckModel(*store_);
  }

  void DeleteSection(const std::string& section) {
    const int writesBefore = files_.WriteCount();
    if (!store_->DeleteSection(section)) return;
    if (IsPlainAscii(section)) {
      for (auto& [name, expected] : current_) {
        if (name.first == Fold(section)) expected.reset();
      }
    }
    NoteWriteThrough(writesBefore);
    CheckModel(*store_);
  }

  // A successful change that wrote the file (the first after a flush) left
  // all of memory in it.
  void NoteWriteThrough(int writesBefore) {
    if (files_.WriteCount() != writesBefore) durable_ = current_;
  }

  void Flush() {
    const bool ok = store_->Flush();
    if (ok) {
      durable_ = current_;
    } else {
      current_ = durable_;
    }
    CheckModel(*store_);
    CheckMatchesFile();
  }

  void CheckModel(const ProfileStore& store) const {
    for (const auto& [name, expected] : current_) {
      const std::string text = store.GetString(name.first, name.second, "\x01missing", 1024);
      Check(text == (expected ? *expected : std::string("\x01missing")).substr(0, 1023),
            "a write does not read back");
    }
  }

  // Memory matches a fresh load of the file once nothing is pending.
  void CheckMatchesFile() {
    const ProfileStore fresh(files_, kPath);
    std::uint32_t ret = 0;
    const std::vector<char> sections = store_->ListSections(1 << 20, ret);
    Check(sections == fresh.ListSections(1 << 20, ret), "sections differ from the file's");
    std::vector<std::string> names = SplitList(sections);
    names.push_back("");
    for (const std::string& section : names) {
      const std::vector<char> keys = store_->ListKeys(section, "", 1 << 20, ret);
      Check(keys == fresh.ListKeys(section, "", 1 << 20, ret), "keys differ from the file's");
      for (const std::string& key : SplitList(keys)) {
        Check(store_->GetString(section, key, "", 1 << 20) == fresh.GetString(section, key, "", 1 << 20),
              "a value differs from the file's");
      }
    }
  }

  // The store writes its normal form; loading and rewriting that gives the
  // same bytes again.
  void CheckRewriteIsStable() {
    const std::optional<std::string> before = files_.Content(kPath);
    if (!before || Fold(*before).find("zz_fuzz_probe") != std::string::npos) return;
    const std::optional<std::string> normal = Rewrite();
    Check(Rewrite() == normal, "rewriting the store's own file changed it");
  }

  // Makes a fresh store rewrite the file without changing what it holds.
  std::optional<std::string> Rewrite() {
    ProfileStore again(files_, kPath);
    Check(again.WriteString("zz_fuzz_probe", "k", "v"), "probe write failed");
    Check(again.DeleteSection("zz_fuzz_probe"), "probe delete failed");
    Check(again.Flush(), "probe flush failed");
    return files_.Content(kPath);
  }

  FuzzedDataProvider& in_;
  MemoryFiles files_;
  std::optional<ProfileStore> store_;
  Model current_;  // what reads give now
  Model durable_;  // what the file holds
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Run(in).Go();
  return 0;
}
