// Code-page conversion on Linux, through iconv.
#include <iconv.h>

#include <cerrno>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "platform/text/codepage.h"

namespace zr::text {
namespace {

std::string IconvName(unsigned codePage) {
  switch (codePage) {
    case 65001:
      return "UTF-8";
    case 1252:
      return "WINDOWS-1252";
    case 20127:
      return "ASCII";
    default:
      return "CP" + std::to_string(codePage);
  }
}

class Converter {
 public:
  Converter(const std::string& to, const std::string& from) : handle_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (Ok()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return handle_; }

 private:
  iconv_t handle_;
};

// Converts one unit of input at a time on error so that a bad sequence costs
// one replacement character, never the rest of the text.
template <typename In, typename Out>
void Convert(iconv_t cd, const In* in, std::size_t count, std::size_t unitOnError, std::basic_string<Out>& out,
             Out replacement) {
  char* src = const_cast<char*>(reinterpret_cast<const char*>(in));
  std::size_t srcLeft = count * sizeof(In);
  char buffer[1024];
  while (srcLeft > 0) {
    char* dst = buffer;
    std::size_t dstLeft = sizeof(buffer);
    const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(reinterpret_cast<Out*>(buffer), (sizeof(buffer) - dstLeft) / sizeof(Out));
    if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
      out += replacement;
      const std::size_t skip = unitOnError < srcLeft ? unitOnError : srcLeft;
      src += skip;
      srcLeft -= skip;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
}

// Opening a converter costs far more than most conversions, so each thread
// keeps the ones it has opened.
Converter& Cached(const std::string& to, const std::string& from) {
  thread_local std::map<std::pair<std::string, std::string>, std::unique_ptr<Converter>> cache;
  auto& slot = cache[{to, from}];
  if (!slot) slot = std::make_unique<Converter>(to, from);
  if (slot->Ok()) iconv(slot->Get(), nullptr, nullptr, nullptr, nullptr);
  return *slot;
}

}  // namespace

std::u16string ToUtf16(std::string_view bytes, unsigned codePage) {
  std::u16string out;
  Converter& cd = Cached("UTF-16LE", IconvName(codePage));
  if (!cd.Ok()) {
    for (unsigned char c : bytes) out += c < 0x80 ? char16_t(c) : char16_t(0xFFFD);
    return out;
  }
  Convert(cd.Get(), bytes.data(), bytes.size(), 1, out, char16_t(0xFFFD));
  return out;
}

std::string FromUtf16(std::u16string_view text, unsigned codePage) {
  std::string out;
  Converter& cd = Cached(IconvName(codePage), "UTF-16LE");
  if (!cd.Ok()) {
    for (char16_t c : text) out += c < 0x80 ? char(c) : '?';
    return out;
  }
  Convert(cd.Get(), text.data(), text.size(), 2, out, '?');
  return out;
}

bool IsSupportedCodePage(unsigned codePage) { return Converter("UTF-16LE", IconvName(codePage)).Ok(); }

}  // namespace zr::text
