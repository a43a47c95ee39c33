// Arbitrary bytes read as a .reg file. Whatever reads must write in both
// formats and read back as the same tree wherever the format can carry it;
// where it cannot, one more round must reach a tree that is stable. Saved in
// its own format, it loads and saves again to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/sim/reg_file.h"

namespace {

using namespace zr::sim;
using Bytes = std::vector<std::uint8_t>;

constexpr unsigned kCodePage = 932;

void Require(bool condition) {
  if (!condition) std::abort();
}

RegTree ReadBack(const Bytes& bytes, RegFormat expected) {
  RegTree tree(kCodePage);
  RegFormat format = RegFormat::Regedit4;
  RegParseError error;
  Require(ParseRegFile(bytes, tree, format, error) && format == expected);
  return tree;
}

// A tree written in `format` reads back as the same tree (when the format can
// hold it), and from then on each load and save gives the same bytes. The
// first write of a tree read from the other format may still differ from the
// second: text the code page cannot hold is kept as the file held it only
// once it was read from a file of this format.
void RoundTrip(const RegTree& tree, RegFormat format) {
  const RegTree back = ReadBack(WriteRegFile(tree, format), format);
  const bool fits = FitsRegFormat(tree, format);
  Require(!fits || back.SameAs(tree));
  const Bytes again = WriteRegFile(back, format);
  Require(WriteRegFile(ReadBack(again, format), format) == again);
  Require(fits || (FitsRegFormat(back, format) && ReadBack(again, format).SameAs(back)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RegTree tree(kCodePage);
  RegFormat format = RegFormat::Regedit4;
  RegParseError error;
  if (!ParseRegFile(Bytes(data, data + size), tree, format, error)) {
    Require(error.line >= 1 && !error.message.empty());
    return 0;
  }
  // What a file of a format held, that format can hold again.
  Require(FitsRegFormat(tree, RegFormat::Regedit4));
  Require(format == RegFormat::Regedit4 || FitsRegFormat(tree, RegFormat::Version5));
  RoundTrip(tree, RegFormat::Regedit4);
  RoundTrip(tree, RegFormat::Version5);
  // An image saved in the format it was read in, loaded and saved again
  // unchanged, comes back byte for byte, whatever text its data holds.
  const Bytes saved = WriteRegFile(tree, format);
  Require(WriteRegFile(ReadBack(saved, format), format) == saved);
  return 0;
}
