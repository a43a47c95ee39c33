#include "engine/profile_store.h"

#include <utility>

#include "platform/win_codes.h"

namespace zr {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kLineEnd = "\r\n";

std::string_view CutAtLineBreak(std::string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (profile::IsLineBreak(s[i])) return s.substr(0, i);
  }
  return s;
}

bool HasLineBreak(std::string_view s) { return CutAtLineBreak(s).size() != s.size(); }

std::uint32_t AsReturnValue(std::size_t n) { return static_cast<std::uint32_t>(n); }

// The names, each followed by a zero, then a final zero, as far as a buffer
// of `size` bytes holds them (size > 0).
std::vector<char> PackNames(const std::vector<std::string_view>& names, std::size_t size,
                            const profile::CodePageText& text, std::uint32_t& ret) {
  std::vector<char> out;
  for (const std::string_view name : names) {
    if (out.size() + name.size() + 2 <= size) {
      out.insert(out.end(), name.begin(), name.end());
      out.push_back('\0');
      continue;
    }
    const std::size_t room = size - out.size();
    if (room >= 2) {
      const std::size_t cut = text.CutLength(name, room - 2);
      out.insert(out.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(cut));
    }
    out.resize(size, '\0');
    ret = AsReturnValue(size >= 2 ? size - 2 : 0);
    return out;
  }
  out.push_back('\0');
  ret = AsReturnValue(out.size() - 1);
  return out;
}

}  // namespace

ProfileStore::ProfileStore(IFiles& files, std::string path, unsigned codePage)
    : files_(files), path_(std::move(path)), text_(codePage) {}

std::size_t ProfileStore::FindEntryPosition(const Section& section, std::string_view name) const {
  const auto [first, last] = section.index.equal_range(text_.FoldedHash(name));
  for (auto it = first; it != last; ++it)
    if (text_.NamesEqual(section.entries[it->second].name, name)) return it->second;
  return std::string_view::npos;
}

std::size_t ProfileStore::FindSectionPosition(std::string_view name) const {
  const auto [first, last] = sectionIndex_.equal_range(text_.FoldedHash(name));
  for (auto it = first; it != last; ++it)
    if (text_.NamesEqual(sections_[it->second].name, name)) return it->second;
  return std::string_view::npos;
}

void ProfileStore::AddEntry(Section& section, Entry entry) const {
  // Only the first entry of a name is indexed: the first one wins.
  if (FindEntryPosition(section, entry.name) == std::string_view::npos)
    section.index.emplace(text_.FoldedHash(entry.name), section.entries.size());
  section.entries.push_back(std::move(entry));
}

void ProfileStore::AddSection(Section section) const {
  if (FindSectionPosition(section.name) == std::string_view::npos)
    sectionIndex_.emplace(text_.FoldedHash(section.name), sections_.size());
  sections_.push_back(std::move(section));
}

void ProfileStore::ReindexEntries(Section& section) const {
  section.index.clear();
  std::vector<Entry> entries = std::move(section.entries);
  section.entries.clear();
  for (Entry& entry : entries) AddEntry(section, std::move(entry));
}

void ProfileStore::ReindexSections() const {
  sectionIndex_.clear();
  std::vector<Section> sections = std::move(sections_);
  sections_.clear();
  for (Section& section : sections) AddSection(std::move(section));
}

void ProfileStore::Load() const {
  if (loaded_) return;
  sections_.clear();
  sectionIndex_.clear();
  AddSection(Section{});
  bom_ = false;
  std::vector<std::uint8_t> bytes;
  const std::uint32_t read = files_.ReadWholeFile(path_, bytes);
  readFailed_ = read != win::kSuccess && read != win::kFileNotFound && read != win::kPathNotFound;
  if (read != win::kSuccess) bytes.clear();
  std::string_view content(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (content.starts_with(kUtf8Bom)) {
    bom_ = true;
    content.remove_prefix(kUtf8Bom.size());
  }
  profile::ForEachLine(content, text_, [this](std::string_view line) {
    const profile::Line parsed = profile::ParseLine(line, text_);
    if (parsed.isHeader) {
      AddSection(Section{std::string(parsed.name), true, {}, {}});
    } else {
      AddEntry(sections_.back(), Entry{std::string(parsed.name),
                                       parsed.value ? std::optional<std::string>(*parsed.value) : std::nullopt});
    }
  });
  loaded_ = true;
}

std::vector<std::uint8_t> ProfileStore::Serialise() const {
  // A first line that itself starts with the mark's bytes would lose them
  // to the next load, which takes them for the mark; one more mark keeps
  // them.
  const std::vector<Entry>& top = sections_.front().entries;
  const bool bom = bom_ || (!top.empty() && top.front().name.starts_with(kUtf8Bom));
  std::size_t total = bom ? kUtf8Bom.size() : 0;
  for (const Section& section : sections_) {
    if (section.hasHeader) total += section.name.size() + 2 + kLineEnd.size();
    for (const Entry& entry : section.entries) {
      total += entry.name.size() + kLineEnd.size() + (entry.value ? entry.value->size() + 1 : 0);
    }
  }
  std::vector<std::uint8_t> out;
  out.reserve(total);
  const auto put = [&out](std::string_view s) { out.insert(out.end(), s.begin(), s.end()); };
  if (bom) put(kUtf8Bom);
  for (const Section& section : sections_) {
    if (section.hasHeader) {
      put("[");
      put(section.name);
      put("]");
      put(kLineEnd);
    }
    for (const Entry& entry : section.entries) {
      put(entry.name);
      if (entry.value) {
        put("=");
        put(*entry.value);
      }
      put(kLineEnd);
    }
  }
  return out;
}

const ProfileStore::Section* ProfileStore::FindSection(std::string_view trimmedName) const {
  Load();
  const std::size_t at = FindSectionPosition(trimmedName);
  return at == std::string_view::npos ? nullptr : &sections_[at];
}

ProfileStore::Section* ProfileStore::FindSection(std::string_view trimmedName) {
  return const_cast<Section*>(std::as_const(*this).FindSection(trimmedName));
}

const ProfileStore::Entry* ProfileStore::FindEntry(std::string_view section, std::string_view key) const {
  const Section* found = FindSection(text_.Trim(section));
  if (!found) return nullptr;
  const std::size_t at = FindEntryPosition(*found, text_.Trim(key));
  return at == std::string_view::npos ? nullptr : &found->entries[at];
}

std::string ProfileStore::CopyDefault(std::string_view def, std::size_t size) const {
  if (size == 0) return {};
  const std::string_view text = text_.Unquote(text_.TrimRight(def));
  return std::string(text.substr(0, text_.CutLength(text, size - 1)));
}

std::string ProfileStore::GetString(std::string_view section, std::string_view key, std::string_view def,
                                    std::size_t size) const {
  if (size == 0) return {};
  const Entry* entry = FindEntry(section, key);
  if (!entry || !entry->value) return CopyDefault(def, size);
  const std::string_view text = text_.Unquote(*entry->value);
  return std::string(text.substr(0, text_.CutLength(text, size - 1)));
}

std::vector<char> ProfileStore::ListSections(std::size_t size, std::uint32_t& ret) const {
  ret = 0;
  if (size == 0) return {};
  Load();
  std::vector<std::string_view> names;
  for (const Section& section : sections_) {
    if (section.hasHeader && !section.name.empty()) names.push_back(section.name);
  }
  return PackNames(names, size, text_, ret);
}

std::vector<char> ProfileStore::ListKeys(std::string_view section, std::string_view def, std::size_t size,
                                         std::uint32_t& ret) const {
  ret = 0;
  if (size == 0) return {};
  std::vector<std::string_view> names;
  if (const Section* found = FindSection(text_.Trim(section))) {
    for (const Entry& entry : found->entries) {
      // Comments stay readable by their full name but are not listed.
      if (entry.value && !entry.name.starts_with(';')) names.push_back(entry.name);
    }
  }
  if (!names.empty()) return PackNames(names, size, text_, ret);
  const std::string text = CopyDefault(def, size);
  ret = AsReturnValue(text.size());
  std::vector<char> out(text.begin(), text.end());
  out.push_back('\0');
  return out;
}

std::uint32_t ProfileStore::GetInt(std::string_view section, std::string_view key, std::int32_t def) const {
  const Entry* entry = FindEntry(section, key);
  const std::string_view text = entry && entry->value ? text_.Unquote(*entry->value) : std::string_view();
  return ParseProfileInt(text, def);
}

ProfileStore::Change ProfileStore::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view sectionName = text_.Trim(section);
  const std::string_view keyName = text_.Trim(key);
  if (HasLineBreak(sectionName) || HasLineBreak(keyName)) return Change::kRefused;

  // The entry is what a reload of the written line reads, so a key holding
  // '=' splits where the reader splits it, and a key that would make the
  // line a header is refused rather than written.
  const std::string_view text = text_.Trim(CutAtLineBreak(value));
  std::string line;
  line.reserve(keyName.size() + 1 + text.size());
  line.append(keyName).append(1, '=').append(text);
  const profile::Line parsed = profile::ParseLine(line, text_);
  if (parsed.isHeader || !parsed.value) return Change::kRefused;

  Section* target = FindSection(sectionName);
  if (!target) {
    const std::string header = "[" + std::string(sectionName) + "]";
    const profile::Line readBack = profile::ParseLine(header, text_);
    if (!readBack.isHeader || readBack.name != sectionName) return Change::kRefused;
    AddSection(Section{std::string(sectionName), true, {}, {}});
    target = &sections_.back();
  }
  if (const std::size_t at = FindEntryPosition(*target, parsed.name); at != std::string_view::npos) {
    Entry& entry = target->entries[at];
    if (entry.value && *entry.value == *parsed.value) return Change::kNone;
    entry.value = std::string(*parsed.value);
    return Change::kMade;
  }
  AddEntry(*target, Entry{std::string(parsed.name), std::string(*parsed.value)});
  return Change::kMade;
}

ProfileStore::Change ProfileStore::DeleteKey(std::string_view section, std::string_view key) {
  Section* target = FindSection(text_.Trim(section));
  if (!target) return Change::kNone;
  const std::string_view name = text_.Trim(key);
  const auto removed =
      std::erase_if(target->entries, [&](const Entry& entry) { return text_.NamesEqual(entry.name, name); });
  if (removed > 0) ReindexEntries(*target);
  return removed > 0 ? Change::kMade : Change::kNone;
}

ProfileStore::Change ProfileStore::RemoveSections(std::string_view section) {
  Load();
  const std::string_view name = text_.Trim(section);
  bool removed = false;
  // The part above the first header has no header to remove: it is emptied.
  if (text_.NamesEqual(sections_.front().name, name) && !sections_.front().entries.empty()) {
    sections_.front().entries.clear();
    sections_.front().index.clear();
    removed = true;
  }
  const auto erased = std::erase_if(sections_, [&](const Section& candidate) {
    return candidate.hasHeader && text_.NamesEqual(candidate.name, name);
  });
  if (erased > 0) ReindexSections();
  return removed || erased > 0 ? Change::kMade : Change::kNone;
}

bool ProfileStore::WriteString(std::string_view section, std::string_view key, std::optional<std::string_view> value) {
  Load();
  return Commit(value ? SetValue(section, key, *value) : DeleteKey(section, key));
}

bool ProfileStore::DeleteSection(std::string_view section) { return Commit(RemoveSections(section)); }

bool ProfileStore::Commit(Change change) {
  if (change == Change::kRefused) return false;
  if (change == Change::kNone) return true;
  if (wroteThrough_) {
    dirty_ = true;
    return true;
  }
  if (!WriteFile()) {
    Invalidate();
    return false;
  }
  wroteThrough_ = true;
  return true;
}

bool ProfileStore::Flush() {
  wroteThrough_ = false;
  if (!dirty_) return true;
  dirty_ = false;
  if (WriteFile()) return true;
  Invalidate();
  return false;
}

bool ProfileStore::WriteFile() { return files_.WriteWholeFile(path_, Serialise()) == win::kSuccess; }

void ProfileStore::Invalidate() {
  loaded_ = false;
  bom_ = false;
  sections_.clear();
  sectionIndex_.clear();
  dirty_ = false;
  wroteThrough_ = false;
}

}  // namespace zr
