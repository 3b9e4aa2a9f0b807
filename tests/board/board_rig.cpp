#include "board_rig.h"

#include <gtest/gtest.h>

#include <QTimer>

namespace vyx::test {

BoardRig::BoardRig(sim::Options options, const Route& route) : board(std::move(options)) {
  const std::string device = board.Start();
  EXPECT_NE(device, "") << board.LastError();
  EXPECT_TRUE(platform.portMap().Set(1, route ? route(device) : device));
  Set("CommPort", std::string("1"));
  EXPECT_EQ(vyx.Fields().Caption(Field::LblComm), "Connect") << platform.port().LastError();
}

void BoardRig::UpdateEnded(const UpdateEnd& end) {
  ends.push_back(end);
  if (waiting != nullptr) waiting->quit();
}

bool BoardRig::Update(milliseconds limit) {
  const std::size_t before = ends.size();
  QEventLoop loop;
  QTimer::singleShot(limit, &loop, &QEventLoop::quit);
  waiting = &loop;
  Set("UpdateCmd", true);
  if (ends.size() == before) loop.exec();
  waiting = nullptr;
  return ends.size() > before;
}

std::string BoardRig::Get(std::string_view property) const {
  PropValue v;
  EXPECT_TRUE(vyx.Get(property, v)) << property;
  return std::holds_alternative<std::string>(v) ? std::get<std::string>(v) : "";
}

void BoardRig::Set(std::string_view property, PropValue value) {
  const Status s = vyx.Set(property, value);
  EXPECT_TRUE(s.ok()) << property << ": " << s.message();
}

std::vector<Exchange> BoardRig::TakeExchanges() {
  const std::vector<sim::LogEntry> log = board.FrameLog();
  board.ClearFrameLog();
  lastLog.clear();
  for (const sim::LogEntry& e : log) lastLog += "  " + sim::FormatLogEntry(e) + "\n";
  std::vector<Exchange> out;
  for (const sim::LogEntry& e : log) {
    const std::string bytes(e.bytes.begin(), e.bytes.end());
    if (e.direction == sim::Direction::kIn) {
      out.push_back({bytes, "", false});
    } else if (e.direction == sim::Direction::kOut && !out.empty()) {
      out.back().reply = bytes;
      out.back().clean = !bytes.empty() && (e.note.empty() || e.note == "late");
    }
  }
  return out;
}

void ExpectOnlyTheLastAnswerShown(const FaultRun& run) {
  sim::Options o;
  o.line_rate = run.paced;
  o.seed = 7;
  o.board.dif_rate = 50000;  // every reply carries its own count
  o.faults = run.faults;
  BoardRig rig(o);
  long requests = 0, mismatched = 0, wrong = 0;
  // The board's log of the updates that took more than one request; the first few tell.
  std::string retried;
  for (long update = 0; update < run.updates; ++update) {
    const int before = rig.newData;
    ASSERT_TRUE(rig.Update()) << "update " << update << " hung";
    std::string answer = "none";
    int clean = 0, asked = 0;
    for (const Exchange& x : rig.TakeExchanges()) {
      if (x.frame != "Q02119" && !x.frame.starts_with('u')) continue;  // not a status request
      ++requests;
      ++asked;
      clean += x.clean;
      // The block is the reply's last 26 bytes; its DIF count sits at 0x30.
      const auto dif = [&](std::size_t i) {
        return std::uint8_t(x.reply[x.reply.size() - 11 + i]);
      };
      answer = x.reply.size() < 26 ? "none" : std::to_string(dif(0) << 16 | dif(1) << 8 | dif(2));
    }
    const bool told = rig.newData > before;
    if (asked > 1 && retried.size() < 20'000) {
      retried += "update " + std::to_string(update) + ":\n" + rig.lastLog;
    }
    EXPECT_EQ(rig.ends.back().ok(), told) << rig.ends.back().Describe();
    mismatched += told != (clean == 1);
    const std::string shown =
        rig.Get("DIFcount") + " " + rig.Get("FWver") + " " + rig.Get("AD0volt");
    if (told && shown != answer + " 1.0 1.000" && wrong++ == 0) {
      ADD_FAILURE() << "update " << update << " showed " << shown << ", the answer was " << answer
                    << "; the board's log:\n"
                    << rig.lastLog;
    }
  }
  EXPECT_EQ(wrong, 0) << "updates showed other readings than their answers";
  if (!run.paced) {
    EXPECT_EQ(mismatched, 0) << "NewData and clean replies disagree";
  }
  const sim::Counters c = rig.board.GetCounters();
  const sim::FaultSettings& f = run.faults;
  const std::pair<double, std::uint64_t> kinds[] = {
      {f.silence, c.silence},       {f.bad_checksum, c.bad_checksum}, {f.stray, c.stray},
      {f.stray_pass, c.stray_pass}, {f.truncate, c.truncate},         {f.late, c.late}};
  long faults = 0;
  for (const auto& [probability, count] : kinds) {
    EXPECT_EQ(probability > 0, count > 0) << "a kind of fault never came: the run proves less";
    faults += long(count);
  }
  EXPECT_LE(requests - rig.newData, run.triesPerFault * faults)
      << "clean replies were thrown away; the updates that were tried again:\n"
      << retried;
}

}  // namespace vyx::test
