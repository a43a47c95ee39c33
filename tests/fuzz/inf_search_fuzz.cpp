// The INF text search over arbitrary bytes: the first input byte picks a
// byte-order mark (none, UTF-16LE, UTF-8) and where the needle goes, the
// next ones the needle, the rest the file. Besides surviving it, a needle of
// letters and digits put into text that is not taken for UTF-16 is found,
// at the end of the file too.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "detect/inf_search.h"
#include "platform/sim/sim_files.h"
#include "tests/support/memory_file.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

struct TextFile final : zr::testing::MemoryFile {
  bool IsTextUnicode(const std::uint8_t* bytes, std::size_t size, int* flags) override {
    return zr::sim::LooksLikeUtf16(bytes, size, flags);
  }
};

bool Plain(const std::string& s) {
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ')) return false;
  return !s.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned mode = data[0];
  const std::size_t needleSize = data[1] % 32;
  if (size < 2 + needleSize) return 0;
  const std::string needle(reinterpret_cast<const char*>(data + 2), needleSize);
  std::string body(reinterpret_cast<const char*>(data + 2 + needleSize), size - 2 - needleSize);
  static const std::string kMarks[] = {"", "\xFF\xFE", "\xEF\xBB\xBF"};
  const std::string& mark = kMarks[mode % 3];
  const std::size_t at = body.empty() ? 0 : (mode / 3) % (body.size() + 1);
  body.insert((mode & 0x80) ? body.size() : at, needle);

  TextFile file;
  file.content = mark + body;
  const bool found = zr::InfNamesText(file, "C:\\WINDOWS\\inf\\oem9.inf", needle);
  const auto& bytes = *file.content;
  if (Plain(needle) &&
      !zr::sim::LooksLikeUtf16(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), nullptr))
    Require(found);
  return 0;
}
