// journal.txt as putting a journal back reads it, on arbitrary bytes: it
// never fails as a whole, and what it hands on is what a journal holds
// (no more value bytes than the hex digits of the input give).
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "safety/journal_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  const zr::safety::ParsedJournal parsed = zr::safety::ParseJournal(bytes);
  std::size_t held = 0;
  for (const auto& change : parsed.changes) {
    for (const auto& value : change.values) held += value.data.size();
    held += change.nowData.size();
  }
  if (held * 2 > size) {  // each byte takes two hex digits at least
    std::fprintf(stderr, "journal_fuzz: more value bytes than the input can hold\n");
    std::abort();
  }
  return 0;
}
