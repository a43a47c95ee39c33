// The script commands as both hosts read them: what each line becomes, and
// the line and words of every error.
#include <gtest/gtest.h>

#include <sstream>

#include "app/script_command.h"

namespace zr::script {
namespace {

// A line's verb and number, or its error.
std::string Read(const Line& line) {
  if (!line.command) return std::to_string(line.number) + ": " + line.error;
  return std::to_string(line.number) + ": " + std::to_string(static_cast<int>(line.command->verb)) + " " +
         std::to_string(line.command->number) + " [" + line.command->argument + "]";
}

TEST(ScriptCommands, EveryLineReadsAsTheHostsExpect) {
  const std::string script =
      "# a comment\n\n  next extra\r\n\tcheck 1001\nuncheck 01002\nselect 1003 \nkey d\nkey 0x64\nkey 0X1ff\n"
      "tick\ntick 250\ntick 100001\ntick 0\ncheck\nselect 1234567890\nkey ;\nkey 0x\nexpect  テキスト　 \n"
      "jump 1\nplug\n\vfinish";
  const std::vector<std::string> expected = {
      "3: 0 0 [extra]",
      "4: 4 1001 [1001]",
      "5: 5 1002 [01002]",
      "6: 6 1003 [1003]",
      "7: 7 68 [d]",
      "8: 7 100 [0x64]",
      "9: not a key: '0X1ff'",
      "10: 8 1 []",
      "11: 8 250 [250]",
      "12: not a tick count: '100001'",
      "13: not a tick count: '0'",
      "14: no visible check box '' on this page",
      "15: no visible radio button '1234567890' on this page",
      "16: not a key: ';'",
      "17: not a key: '0x'",
      "18: 10 0 [テキスト　]",
      "19: unknown command 'jump'",
      "20: 9 0 []",
      "21: 2 0 []",
  };
  std::vector<std::string> read;
  for (const Line& line : ParseScript(script)) read.push_back(Read(line));
  EXPECT_EQ(read, expected);

  // The reader counts the same lines, and all of them at the end.
  std::istringstream in(script + "\n\n");
  Reader reader(in);
  Line line;
  for (const std::string& want : expected) {
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(Read(line), want);
  }
  EXPECT_FALSE(reader.Next(line));
  EXPECT_EQ(reader.LinesRead(), 22u);
}

}  // namespace
}  // namespace zr::script
