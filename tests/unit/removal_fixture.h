// What the removal tests share: a fresh access-error flag for every test,
// and the whole-machine comparison.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/reg_edit.h"
#include "tests/support/engine_machine.h"
#include "tests/support/machine_snapshot.h"

namespace zr::testing {

// The access-error message is shown once per process; each test starts as
// a fresh run.
class RemovalTest : public ::testing::Test {
 protected:
  void SetUp() override { g_bAccessErrorShown = false; }
  void TearDown() override { g_bAccessErrorShown = false; }
};

// Fails with the list of differences unless `actual` is `expected`.
inline void ExpectMachine(const MachineSnapshot& expected, const MachineSnapshot& actual) {
  EXPECT_EQ(expected.DifferencesFrom(actual), "") << "(differences from the expected machine)";
}

// A REG_BINARY (or other hex) value line of a REGEDIT4 file.
inline std::string HexValue(const std::string& name, const std::vector<std::uint8_t>& bytes, int type = 3) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string line = "\"" + name + "\"=" + (type == 3 ? std::string("hex:") : "hex(" + std::to_string(type) + "):");
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) line += ',';
    line += kDigits[bytes[i] >> 4];
    line += kDigits[bytes[i] & 15];
  }
  return line + "\n";
}

}  // namespace zr::testing
