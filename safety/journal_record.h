// One change of a journal, as the journaling platform records it before
// the change and as putting the journal back reads it again.
//
// journal.txt holds the changes in order, in the machine's code page, one
// line each, with tab-separated fields; bytes below 0x20 and '%' inside a
// field are written %XX:
//
//   zrdrvtool journal	1	codepage	932
//   #N	<kind>	<path>	<value name>	step: <the step that made it>
//   	key	<key path>                          (a deleted key tree, parents first)
//   	value	<key path>	<name>	<type>	<hex bytes> (a value as it was)
//   	file	<path>	<attributes>	<copy below files/>	<size>	<hash>
//   	attributes	<attributes before>
//   #N	now	<type>	<hex bytes>                 (value: what the change wrote)
//   #N	now	<size>	<hash>	<attributes>        (file: what the change left)
//   #N	now	<attributes>                        (attributes change)
//   #N	done	<what became of it>    or    #N	refused	<Win32 code>
//   journal incomplete	<why>
//
// Registry paths carry "HKEY_LOCAL_MACHINE\"; file paths are the Windows
// paths the engine used. A change without its done/refused line was
// interrupted: it may or may not have happened. The hash is 64-bit FNV-1a
// of the file's bytes, in hex.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zr::safety {

enum class ChangeKind {
  kKeyDeleted,
  kValueDeleted,
  kValueChanged,
  kValueCreated,
  kAccessListReplaced,
  kFileDeleted,
  kFileOverwritten,
  kFileCreated,
  kAttributesChanged,
};

enum class Outcome { kPending, kDone, kRefused };

struct ValueState {
  std::string key;  // with the HKEY_LOCAL_MACHINE\ prefix
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
};

struct FileState {
  std::uint32_t attributes = 0;
  std::string stored;  // below the journal folder: files/<drive>/<path>
  std::uint64_t size = 0;
  std::uint64_t hash = 0;
};

struct Change {
  int number = 0;
  ChangeKind kind = ChangeKind::kKeyDeleted;
  std::string path;  // registry key (HKEY_LOCAL_MACHINE\...) or Windows file path
  std::string name;  // the value's name
  std::string step;
  // As it was.
  std::vector<std::string> keys;
  std::vector<ValueState> values;
  FileState file;
  // As the change left it.
  Outcome outcome = Outcome::kPending;
  std::uint32_t refusal = 0;
  std::uint32_t nowType = 0;
  std::vector<std::uint8_t> nowData;
  FileState nowFile;
};

inline constexpr char kHklmPrefix[] = "HKEY_LOCAL_MACHINE\\";

std::string_view KindText(ChangeKind kind);
std::uint64_t HashBytes(const std::vector<std::uint8_t>& bytes);

// Text of the journal: the first line, a change before it is made, and its
// outcome afterwards.
std::string JournalHeader(unsigned codePage);
std::string ChangeLines(const Change& change);
std::string OutcomeLines(const Change& change, std::string_view became);
std::string IncompleteLine(std::string_view why);

struct ParsedJournal {
  bool headerOk = false;
  unsigned codePage = 0;
  bool incomplete = false;          // the journal says it stopped recording
  std::vector<Change> changes;      // in journal order
  std::vector<std::string> damage;  // lines that could not be read, with their numbers
};

// Reads journal.txt. Never fails as a whole: what cannot be read is listed
// in `damage`, and the change it belongs to is left out.
ParsedJournal ParseJournal(const std::vector<std::uint8_t>& bytes);

}  // namespace zr::safety
