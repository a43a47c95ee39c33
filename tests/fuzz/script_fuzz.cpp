// The script reader on arbitrary text: besides surviving it, every line it
// gives is a command or says what is wrong, in the order of the text, and a
// script read whole reads as the same script read line by line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/script_command.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "script_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::istringstream in(text);
  zr::script::Reader reader(in);
  zr::script::Line streamed;
  std::size_t last = 0;
  for (const zr::script::Line& line : zr::script::ParseScript(text)) {
    Check(line.command.has_value() != !line.error.empty(), "a line is both or neither a command and an error");
    Check(line.number > last && !line.text.empty(), "lines out of order or empty");
    last = line.number;
    Check(reader.Next(streamed) && streamed.number == line.number && streamed.error == line.error,
          "the reader reads another script");
  }
  Check(!reader.Next(streamed), "the reader reads more lines");
  return 0;
}
