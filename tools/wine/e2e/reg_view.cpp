// reg_view: what a .reg export holds of a given set of keys and values, in
// one canonical text, so that the registry the Windows program left under
// Wine and the one the Linux program left in its machine image can be
// compared with diff.
//
//   reg_view [--codepage N] [--unicode] UNIVERSE.reg [UNIVERSE.reg ...] -- FILE.reg
//
// --unicode views the registry as the NT family holds it: text as UTF-16.
// Every file is read as text (a REGEDIT4 file through code page N), and
// the data of REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ values is shown as
// UTF-16LE bytes, so that a character the code page cannot hold ("ü" in
// 932) differs from the '?' that a conversion would leave. Without it the
// data is shown as the ANSI calls give it, in code page N, as on 9x.
//
// The universe is every key and value of the UNIVERSE files (the machine
// image before the run, and after the Linux program's run): exactly what
// belongs to the image, so the keys and values Wine keeps of its own are
// left out. For each universe key that FILE holds, one line
// "K<TAB>path"; for each universe value of it that FILE holds,
// "V<TAB>path<TAB>name<TAB>type:hex bytes" ("@" names the default value).
// One fact per line, so that lines can be compared as sets. Names are
// compared without regard to case and printed as the universe spells them.
// Output is UTF-8.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/sim/reg_file.h"
#include "platform/text/codepage.h"

namespace {

using zr::sim::RegKey;
using zr::sim::RegTree;

constexpr unsigned kUtf8 = 65001;

bool Parse(const std::vector<std::uint8_t>& bytes, const char* path, RegTree& tree, zr::sim::RegFormat& format) {
  zr::sim::RegParseError error;
  if (zr::sim::ParseRegFile(bytes, tree, format, error)) return true;
  std::fprintf(stderr, "reg_view: %s:%zu: %s\n", path, error.line, error.message.c_str());
  return false;
}

// Into `tree`; in a Unicode view `tree` holds UTF-8 (code page 65001) and
// a REGEDIT4 file is first turned into the version 5 file regedit would
// write of it.
bool Load(const char* path, RegTree& tree, unsigned codePage, bool unicode) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "reg_view: cannot read %s\n", path);
    return false;
  }
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  zr::sim::RegFormat format{};
  if (unicode) {
    RegTree ansi(codePage);
    if (!Parse(bytes, path, ansi, format)) return false;
    if (format == zr::sim::RegFormat::Regedit4) bytes = zr::sim::WriteRegFile(ansi, zr::sim::RegFormat::Version5);
  }
  return Parse(bytes, path, tree, format);
}

bool IsText(std::uint32_t type) { return type == 1 || type == 2 || type == 7; }

std::vector<std::uint8_t> Utf16Bytes(const std::vector<std::uint8_t>& utf8) {
  const std::u16string units = zr::text::Utf16FromUtf8(std::string(utf8.begin(), utf8.end()));
  std::vector<std::uint8_t> out;
  for (char16_t u : units) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  return out;
}

std::string Hex(const std::vector<std::uint8_t>& data) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::uint8_t b : data) {
    if (!out.empty()) out += ',';
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

void Walk(const RegKey& universe, const RegKey& file, const std::string& path, unsigned codePage) {
  const std::string shownPath = zr::text::ToUtf8(path, codePage);
  std::printf("K\t%s\n", shownPath.c_str());
  for (std::size_t i = 0; i < universe.ValueCount(); ++i) {
    const auto& name = universe.ValueAt(i);
    if (const auto* value = file.FindValue(name.fold)) {
      const std::string shown = name.name.empty() ? "@" : zr::text::ToUtf8(name.name, codePage);
      const bool utf16 = codePage == kUtf8 && IsText(value->type);
      std::printf("V\t%s\t%s\t%u:%s\n", shownPath.c_str(), shown.c_str(), value->type,
                  Hex(utf16 ? Utf16Bytes(value->data) : value->data).c_str());
    }
  }
  for (std::size_t i = 0; i < universe.ChildCount(); ++i) {
    const RegKey& child = *universe.ChildAt(i);
    if (const auto match = file.FindChild(child.Fold()))
      Walk(child, *match, path.empty() ? child.Name() : path + "\\" + child.Name(), codePage);
  }
}

}  // namespace

int main(int argc, char** argv) {
  unsigned codePage = zr::text::kDefaultCodePage;
  bool unicode = false;
  int at = 1;
  for (; at < argc; ++at) {
    if (at + 1 < argc && std::strcmp(argv[at], "--codepage") == 0)
      codePage = static_cast<unsigned>(std::strtoul(argv[++at], nullptr, 10));
    else if (std::strcmp(argv[at], "--unicode") == 0)
      unicode = true;
    else
      break;
  }
  const unsigned held = unicode ? kUtf8 : codePage;
  RegTree universe(held);
  for (; at < argc && std::strcmp(argv[at], "--") != 0; ++at)
    if (!Load(argv[at], universe, codePage, unicode)) return 1;
  if (at + 2 != argc) {
    std::fprintf(stderr, "usage: reg_view [--codepage N] [--unicode] UNIVERSE.reg... -- FILE.reg\n");
    return 2;
  }
  RegTree file(held);
  if (!Load(argv[at + 1], file, codePage, unicode)) return 1;
  Walk(universe.Root(), file.Root(), "", held);
  return 0;
}
