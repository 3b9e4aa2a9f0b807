// The board simulator's command line: every option reaches its setting, and a value out of
// range is refused as the control protocol refuses it.
#include "options.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vyx::board_sim {
namespace {

struct Row {
  std::vector<std::string> args;
  std::function<bool(const sim::Options&)> holds;  // empty: the line is refused
};

TEST(BoardSimOptions, EachOptionReachesItsSettingOrIsRefused) {
  const std::vector<Row> rows = {
      {{"--reply-chunk", "0"}, [](const sim::Options& o) { return o.reply_chunk == 0; }},
      {{"--reply-chunk", "8"}, [](const sim::Options& o) { return o.reply_chunk == 8; }},
      {{"--line-rate"}, [](const sim::Options& o) { return o.line_rate; }},
      {{"--stray-pass", "0.5"}, [](const sim::Options& o) { return o.faults.stray_pass == 0.5; }},
      {{"--eeprom-stray", "1"}, [](const sim::Options& o) { return o.faults.eeprom_stray == 1; }},
      {{"--junk-rate", "200"}, [](const sim::Options& o) { return o.faults.junk_rate == 200; }},
      {{"--delay", "215"}, [](const sim::Options& o) { return o.faults.delay_ms == 215; }},
      {{"--dif-rate", "0"}, [](const sim::Options& o) { return o.board.dif_rate == 0; }},
      {{"--reply-chunk", "-1"}, {}},
      {{"--delay", "2.5"}, {}},
      {{"--stray", "1.5"}, {}},
      {{"--dif-rate", "1e308"}, {}},
      {{"--stray"}, {}},
      {{"--gremlins", "1"}, {}},
  };
  for (const Row& row : rows) {
    const CommandLine cl = ParseCommandLine(row.args);
    const std::string line = ::testing::PrintToString(row.args);
    if (row.holds) {
      EXPECT_TRUE(cl.error.empty()) << line << ": " << cl.error;
      EXPECT_TRUE(row.holds(cl.options)) << line;
    } else {
      EXPECT_FALSE(cl.error.empty()) << line << " was taken";
    }
  }
}

}  // namespace
}  // namespace vyx::board_sim
