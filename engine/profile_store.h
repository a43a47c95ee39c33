// The work file's store: an INI file with the semantics of the Windows
// private-profile calls (GetPrivateProfileStringA, GetPrivateProfileIntA,
// WritePrivateProfileStringA), kept in memory and written through the
// platform's whole-file write.
//
// Observable behaviour, shared with the real calls:
// - sections and keys compare without regard to case (ASCII letters; the
//   two bytes of a double-byte character are never folded); only the first
//   of duplicate sections, and its first matching key, is seen;
// - a write replaces a value in place (keeping the stored spelling of the
//   key), appends a new key after the last line of its section and a new
//   section at the end of the file; keys and values are trimmed on write;
// - reads trim, strip one pair of matching surrounding quotes, cut to the
//   buffer size less one; defaults lose trailing blanks and quotes;
// - integers are parsed as GetPrivateProfileIntA parses them;
// - the file is rewritten in the normal form (CRLF, no blank lines, "k=v")
//   and only when a write changes something; a UTF-8 byte-order mark stays.
//
// Where the real calls let one write damage other entries, this store does
// not, so that registry text copied into the file can never make up
// sections or keys of its own:
// - a value is cut at its first line break (a reload of the real file reads
//   the same value, without the lines that followed it);
// - a section or key name holding a line break, and a key that would turn
//   the line into a section header, are refused (false, nothing changes);
// - deleting a key deletes every line of that name in the section, and
//   deleting a section deletes its duplicates too, so that nothing older
//   shows through afterwards;
// - a cut never splits a double-byte character.
// A key holding '=' is written as the real calls write it ("k=eq" with "v"
// gives the line "k=eq=v"), and then reads as the file reads: as key "k".
//
// Writes are kept in memory and reach the file at Flush(); the engine
// flushes before each of its operations returns. The first write after a
// flush is written through at once, so an unwritable file is found before
// anything is read back from memory: like the real calls, writes to a file
// that cannot be written then read back as missing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/profile_syntax.h"
#include "platform/files.h"
#include "platform/text/codepage.h"

namespace zr {

class ProfileStore {
 public:
  // `codePage` decides which bytes start double-byte characters.
  ProfileStore(IFiles& files, std::string path, unsigned codePage = text::kDefaultCodePage);

  const std::string& Path() const { return path_; }

  // GetPrivateProfileStringA(section, key, def, buffer, size). The result is
  // the text copied (at most size - 1 bytes); the return value of the real
  // call is its length. A missing file, section or key gives the default.
  std::string GetString(std::string_view section, std::string_view key, std::string_view def, std::size_t size) const;

  // GetPrivateProfileStringA with key == NULL: the names of the section's
  // keys that have a value and do not start with ';', each followed by a
  // zero, then a final zero. A missing section, or one without such keys,
  // gives the default instead (as GetString gives it, followed by a zero).
  // With section == NULL too (ListSections): the names of the sections with
  // a header, duplicates included.
  // Returns the bytes the real call writes into a buffer of `size` (nothing
  // for size 0), and its return value in `ret`. When the names do not all
  // fit, the last one is cut, the bytes end in two zeros and fill the
  // buffer, and `ret` is size - 2.
  std::vector<char> ListKeys(std::string_view section, std::string_view def, std::size_t size,
                             std::uint32_t& ret) const;
  std::vector<char> ListSections(std::size_t size, std::uint32_t& ret) const;

  // GetPrivateProfileIntA(section, key, def).
  std::uint32_t GetInt(std::string_view section, std::string_view key, std::int32_t def) const;

  // WritePrivateProfileStringA(section, key, value): value nullopt deletes
  // the key. False when the file cannot be written or the names are refused
  // (see above); the store then holds what the file holds.
  bool WriteString(std::string_view section, std::string_view key, std::optional<std::string_view> value);
  // WritePrivateProfileStringA(section, NULL, NULL): deletes the section.
  bool DeleteSection(std::string_view section);

  // Writes pending changes. False (and the changes dropped, the file's
  // content reloaded) when the file cannot be written.
  bool Flush();

  // True when the last load could not read a file that may exist (refused,
  // a failing disk): the store then holds nothing of it.
  bool ReadFailed() const { return readFailed_; }

  // Forgets the cached content and any change not yet flushed; the next
  // access reads the file again (after the file was deleted or written by
  // someone else).
  void Invalidate();

 private:
  struct Entry {
    std::string name;
    std::optional<std::string> value;  // nullopt: a line without '='
  };
  struct Section {
    std::string name;  // "" for the lines above the first header
    bool hasHeader = false;
    std::vector<Entry> entries;
    // Hash of the folded key name -> position of the first entry of that
    // name: a run writes and reads thousands of keys, which a scan per call
    // would make quadratic. Only hashes are kept, not second copies of the
    // names.
    std::unordered_multimap<std::size_t, std::size_t> index;
  };

  enum class Change { kNone, kMade, kRefused };

  void Load() const;
  std::vector<std::uint8_t> Serialise() const;
  const Section* FindSection(std::string_view trimmedName) const;
  Section* FindSection(std::string_view trimmedName);
  const Entry* FindEntry(std::string_view section, std::string_view key) const;
  std::string CopyDefault(std::string_view def, std::size_t size) const;
  Change SetValue(std::string_view section, std::string_view key, std::string_view value);
  Change DeleteKey(std::string_view section, std::string_view key);
  Change RemoveSections(std::string_view section);
  // Makes a change durable as the write-through rule says; false when the
  // change was refused or the file did not take it.
  bool Commit(Change change);
  bool WriteFile();
  // Position of the first entry or section of that name, or npos.
  std::size_t FindEntryPosition(const Section& section, std::string_view name) const;
  std::size_t FindSectionPosition(std::string_view name) const;
  void AddEntry(Section& section, Entry entry) const;
  void AddSection(Section section) const;
  void ReindexEntries(Section& section) const;
  void ReindexSections() const;

  IFiles& files_;
  std::string path_;
  profile::CodePageText text_;
  mutable bool loaded_ = false;
  mutable bool bom_ = false;
  mutable bool readFailed_ = false;
  mutable std::vector<Section> sections_;  // [0] is the part above any header
  // Hash of the folded section name -> position of its first section.
  mutable std::unordered_multimap<std::size_t, std::size_t> sectionIndex_;
  bool wroteThrough_ = false;  // the file took a write since the last flush
  bool dirty_ = false;         // changes that only memory holds
};

// The number parsing of GetPrivateProfileIntA, given the stored text (after
// trimming and quote stripping): leading blanks (any byte up to ' '), one
// sign, "0x", "0o" or "0b" (lower-case only), decimal otherwise; digits are
// taken while they are digits of the base, wrapping modulo 2^32; "" gives
// def, text without digits gives 0.
std::uint32_t ParseProfileInt(std::string_view text, std::int32_t def);

}  // namespace zr
