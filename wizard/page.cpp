#include "wizard/page.h"

#include "platform/text/codepage.h"

namespace zr {

std::string FromEngineText(CRegEdit& engine, std::string_view bytes) {
  return text::ToUtf8(bytes, engine.Platform().System().AnsiCodePage());
}

std::string CutToCharacters(const std::string& text, std::size_t limit) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    // A UTF-8 character starts at every byte that is not a continuation byte.
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (characters == limit) return text.substr(0, i);
      ++characters;
    }
  }
  return text;
}

}  // namespace zr
