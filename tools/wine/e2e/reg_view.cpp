// reg_view: what a .reg export holds of a given set of keys and values, in
// one canonical text, so that the registry the Windows program left under
// Wine and the one the Linux program left in its machine image can be
// compared with diff.
//
//   reg_view [--codepage N] UNIVERSE.reg [UNIVERSE.reg ...] -- FILE.reg
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

bool Load(const char* path, RegTree& tree) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "reg_view: cannot read %s\n", path);
    return false;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  zr::sim::RegFormat format{};
  zr::sim::RegParseError error;
  if (!zr::sim::ParseRegFile(bytes, tree, format, error)) {
    std::fprintf(stderr, "reg_view: %s:%zu: %s\n", path, error.line, error.message.c_str());
    return false;
  }
  return true;
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
      std::printf("V\t%s\t%s\t%u:%s\n", shownPath.c_str(), shown.c_str(), value->type, Hex(value->data).c_str());
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
  int at = 1;
  if (at + 1 < argc && std::strcmp(argv[at], "--codepage") == 0) {
    codePage = static_cast<unsigned>(std::strtoul(argv[at + 1], nullptr, 10));
    at += 2;
  }
  RegTree universe(codePage);
  for (; at < argc && std::strcmp(argv[at], "--") != 0; ++at)
    if (!Load(argv[at], universe)) return 1;
  if (at + 2 != argc) {
    std::fprintf(stderr, "usage: reg_view [--codepage N] UNIVERSE.reg... -- FILE.reg\n");
    return 2;
  }
  RegTree file(codePage);
  if (!Load(argv[at + 1], file)) return 1;
  Walk(universe.Root(), file.Root(), "", codePage);
  return 0;
}
