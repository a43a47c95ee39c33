// Arbitrary bytes read as a .reg file. Whatever reads must write in both
// formats and read back as the same tree wherever the format can carry it;
// where it cannot, one more round must reach a tree that is stable.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/sim/reg_file.h"

namespace {

using zr::sim::FitsRegFormat;
using zr::sim::ParseRegFile;
using zr::sim::RegFormat;
using zr::sim::RegParseError;
using zr::sim::RegTree;
using zr::sim::WriteRegFile;

constexpr unsigned kCodePage = 932;

void Require(bool condition) {
  if (!condition) std::abort();
}

RegTree ReadBack(const std::vector<std::uint8_t>& bytes, RegFormat expected) {
  RegTree tree(kCodePage);
  RegFormat format = RegFormat::Regedit4;
  RegParseError error;
  Require(ParseRegFile(bytes, tree, format, error));
  Require(format == expected);
  return tree;
}

void RoundTrip(const RegTree& tree, RegFormat format) {
  const std::vector<std::uint8_t> written = WriteRegFile(tree, format);
  const RegTree back = ReadBack(written, format);
  if (FitsRegFormat(tree, format)) {
    Require(back.SameAs(tree));
    Require(WriteRegFile(back, format) == written);
    return;
  }
  Require(FitsRegFormat(back, format));
  const std::vector<std::uint8_t> again = WriteRegFile(back, format);
  Require(ReadBack(again, format).SameAs(back));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  RegTree tree(kCodePage);
  RegFormat format = RegFormat::Regedit4;
  RegParseError error;
  if (!ParseRegFile(bytes, tree, format, error)) {
    Require(error.line >= 1 && !error.message.empty());
    return 0;
  }
  // What a file of a format held, that format can hold again.
  Require(FitsRegFormat(tree, RegFormat::Regedit4));
  if (format == RegFormat::Version5) Require(FitsRegFormat(tree, RegFormat::Version5));
  RoundTrip(tree, RegFormat::Regedit4);
  RoundTrip(tree, RegFormat::Version5);
  return 0;
}
