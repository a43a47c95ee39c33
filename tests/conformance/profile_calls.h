// The work-file conformance suite drives the profile calls through this
// interface, so that the same tests run against the engine's store (on any
// backend's files) and, under Wine, against the real private-profile calls:
// a build adds its implementation with one INSTANTIATE_TEST_SUITE_P of
// WorkFileTest.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/conformance/world.h"
#include "tests/support/profile_facts.h"

namespace zr::conformance {

class ProfileCalls {
 public:
  virtual ~ProfileCalls() = default;
  // GetPrivateProfileStringA(section, key, def, buffer of `size`): the text
  // copied.
  virtual std::string GetString(const std::string& section, const std::string& key,
                                const std::string& def, std::size_t size) = 0;
  // The same with key NULL (and with section NULL when `section` is
  // nullopt): every byte the call writes, and its return value.
  virtual std::vector<char> List(const std::optional<std::string>& section, const std::string& def,
                                 std::size_t size, std::uint32_t& ret) = 0;
  virtual std::uint32_t GetInt(const std::string& section, const std::string& key,
                               std::int32_t def) = 0;
  // WritePrivateProfileStringA; a missing key or value is passed as NULL.
  // The file holds the write when this returns.
  virtual bool Write(const std::string& section, const std::optional<std::string>& key,
                     const std::optional<std::string>& value) = 0;
};

// Calls on the file at `path` of the world's machine.
using ProfileCallsFactory = std::unique_ptr<ProfileCalls> (*)(World& world, const std::string& path);

class WorkFileTest : public ::testing::TestWithParam<ProfileCallsFactory> {
 protected:
  void SetUp() override {
    // Parameterised test names hold '/', which a Windows path cannot.
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name) c = (c == '/') ? '_' : c;
    world_ = MakeWorld(name);
    ASSERT_NE(world_, nullptr);
  }

  World& W() { return *world_; }
  std::string FilePath(const std::string& relative) const {
    return world_->FileRoot() + "\\" + relative;
  }
  // Fresh calls on a file, as a new process would make them.
  std::unique_ptr<ProfileCalls> Calls(const std::string& path) { return GetParam()(*world_, path); }

  // A file of the test's own, holding `text`; its path.
  std::string Put(const std::string& text) {
    const std::string path = FilePath("t.ini");
    W().PutFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
    return path;
  }

  void ExpectReads(ProfileCalls& calls, const std::vector<testing::profile_facts::ReadRow>& rows) {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.fact);
      EXPECT_EQ(calls.GetString(row.section, row.key, row.def, row.size), row.expected);
    }
  }

  std::unique_ptr<World> world_;
};

}  // namespace zr::conformance
