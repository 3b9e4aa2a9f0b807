// The 30 public properties and the NewData event, driven through the rig's doubles.
#include "control/properties.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "rig.h"

namespace vyx::test {
namespace {

PropValue Str(std::string s) { return PropValue{std::move(s)}; }
PropValue Int(int v) { return PropValue{static_cast<std::int16_t>(v)}; }

PropValue GetOk(Vyx& v, std::string_view name) {
  PropValue out;
  const Status s = v.Get(name, out);
  EXPECT_TRUE(s.ok()) << name << ": " << s.message();
  return out;
}

void SetOk(Vyx& v, std::string_view name, const PropValue& value) {
  const Status s = v.Set(name, value);
  EXPECT_TRUE(s.ok()) << name << ": " << s.message();
}

// Everything a refused set must leave alone: every field, the flags and the wire.
std::vector<std::string> Snapshot(Rig& r) {
  std::vector<std::string> out;
  const FieldStore& f = r.vyx.Fields();
  for (int i = 0; i < kFieldCount; ++i) {
    const auto fld = static_cast<Field>(i);
    out.push_back(std::string(NameOf(fld)) + "=" + f.Text(fld) + "|" +
                  std::to_string(f.State(fld)) + "|" + std::to_string(f.Selected(fld)) + "|" +
                  std::to_string(f.Color(fld)) + "|" + std::to_string(f.Emphasis(fld)));
  }
  const Members& m = r.m();
  for (bool flag : {m.NamePending, m.VrefPending, m.PWMPending, m.DPWPending, m.DOGPending,
                    m.DOPending, m.RSTPending, m.AwaitReply}) {
    out.push_back(flag ? "1" : "0");
  }
  out.push_back("frames=" + std::to_string(r.port.frames.size()));
  out.push_back("opens=" + std::to_string(r.port.opens));
  return out;
}

// The interface as the host sees it, written out independently of the component's table.
struct Expected {
  const char* name;
  PropType type;
  Field field;
};
const Expected kInterface[] = {
    {"CommPort", PropType::String, Field::TxtComm},
    {"CommStatus", PropType::String, Field::LblComm},
    {"MicroAddress", PropType::String, Field::TxtMicro},
    {"MicroStatus", PropType::String, Field::LblStatus},
    {"UpdateCmd", PropType::Boolean, Field::CmdUpdate},
    {"ClearCmd", PropType::Boolean, Field::CmdClear},
    {"IDstring", PropType::String, Field::TxtName},
    {"Vrefvolt", PropType::String, Field::TxtVref},
    {"AD0volt", PropType::String, Field::TxtAD0},
    {"AD1volt", PropType::String, Field::TxtAD1},
    {"AD2volt", PropType::String, Field::TxtAD2},
    {"AD3volt", PropType::String, Field::TxtAD3},
    {"AD4volt", PropType::String, Field::TxtAD4},
    {"DITinterval", PropType::String, Field::TxtDIT},
    {"FWver", PropType::String, Field::LblFW},
    {"DIFcount", PropType::String, Field::TxtDIF},
    {"PWMduty", PropType::String, Field::TxtPWM},
    {"DPWduty", PropType::String, Field::TxtDPW},
    {"DOGduty", PropType::String, Field::TxtDOG},
    {"DONstate", PropType::Integer, Field::ChkDON},
    {"DOEstate", PropType::Integer, Field::ChkDOE},
    {"DOKstate", PropType::Integer, Field::ChkDOK},
    {"DOSstate", PropType::Integer, Field::ChkDOS},
    {"DINstate", PropType::Integer, Field::ChkDIN},
    {"DISstate", PropType::Integer, Field::ChkDIS},
    {"RSTstate", PropType::Integer, Field::ChkRST},
    {"DIFstate", PropType::Integer, Field::ChkDIF},
    {"DITstate", PropType::Integer, Field::ChkDIT},
    {"ZeroCmd", PropType::Boolean, Field::CmdZero},
    {"CLKtime", PropType::String, Field::TxtTime},
};

TEST(Properties, EverySetStoresIntoItsFieldThenNotifiesByExactName) {
  Rig r;
  ASSERT_EQ(std::size(kInterface), kProperties.size());
  for (std::size_t i = 0; i < std::size(kInterface); ++i) {
    const Expected& e = kInterface[i];
    SCOPED_TRACE(e.name);
    // Interface order and dispatch identifiers, counted down from the first.
    EXPECT_EQ(kProperties[i].name, e.name);
    EXPECT_EQ(kProperties[i].dispatchId, 0x6803001Du - i);
    const std::string_view help = e.type != PropType::String                 ? kHelpValue
                                  : SpecOf(e.field).kind == FieldKind::Label ? kHelpCaption
                                                                             : kHelpText;
    EXPECT_EQ(kProperties[i].help, help);
    r.host.events.clear();
    const std::string text = "x" + std::to_string(i);
    switch (e.type) {
      case PropType::String:
        SetOk(r.vyx, e.name, Str(text));
        EXPECT_EQ(r.vyx.Fields().Text(e.field), text);
        EXPECT_EQ(std::get<std::string>(GetOk(r.vyx, e.name)), text);
        break;
      case PropType::Integer:
        SetOk(r.vyx, e.name, Int(1));
        EXPECT_EQ(r.vyx.Fields().State(e.field), 1);
        EXPECT_EQ(std::get<std::int16_t>(GetOk(r.vyx, e.name)), 1);
        r.host.events.clear();
        SetOk(r.vyx, e.name, Int(0));
        EXPECT_EQ(r.vyx.Fields().State(e.field), 0);
        break;
      case PropType::Boolean:
        // False presses nothing, but the host still hears of the set.
        SetOk(r.vyx, e.name, PropValue{false});
        EXPECT_FALSE(std::get<bool>(GetOk(r.vyx, e.name)));
        break;
    }
    EXPECT_EQ(r.host.events, std::vector<std::string>{"changed " + std::string(e.name)});
  }
  EXPECT_EQ(r.host.newData, 0);
}

TEST(Properties, RefusedSetsChangeNothingAndNotifyNothing) {
  struct Row {
    const char* what;
    const char* name;
    PropValue value;
    const char* message;
  };
  const Row rows[] = {
      {"unknown name", "Nope", Str("1"), "\"Nope\""},
      {"names are exact", "commport", Str("1"), "\"commport\""},
      {"integer for a text", "CommPort", Int(1), "wrong type"},
      {"text for a check box", "DONstate", Str("1"), "wrong type"},
      {"Boolean for a check box", "DONstate", PropValue{true}, "wrong type"},
      {"integer for a command", "UpdateCmd", Int(-1), "wrong type"},
      {"text for a command", "ClearCmd", Str("True"), "wrong type"},
      {"check box state 2", "DONstate", Int(2), "0 or 1"},
      {"check box state -1", "RSTstate", Int(-1), "0 or 1"},
      {"input box state 5", "DINstate", Int(5), "0 or 1"},
      {"text one byte too long", "AD0volt", Str(std::string(kMaxTextBytes + 1, 'x')), "65535"},
      {"caption too long", "MicroStatus", Str(std::string(100000, 'R')), "65535"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Rig r;
    r.Connect();
    const auto before = Snapshot(r);
    r.host.events.clear();
    const Status s = r.vyx.Set(row.name, row.value);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find(row.message), std::string::npos) << s.message();
    EXPECT_EQ(Snapshot(r), before);
    EXPECT_TRUE(r.host.events.empty());
  }
}

TEST(Properties, UnknownNameOnGetIsAnError) {
  Rig r;
  PropValue v = Str("untouched");
  const Status s = r.vyx.Get("AD5volt", v);
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("AD5volt"), std::string::npos);
  EXPECT_EQ(std::get<std::string>(v), "untouched");
}

TEST(Properties, TextsAreStoredByteForByte) {
  const std::string rows[] = {
      std::string("a\0b\0", 4),         // NUL bytes are data, not an end
      "Ω µV ✓",                         // UTF-8 beyond ASCII
      std::string(kMaxTextBytes, 'z'),  // the longest text taken
      std::string("\xff\xfe", 2),       // not valid UTF-8: still stored as given
  };
  for (const char* name : {"AD0volt", "CommStatus", "IDstring"}) {
    for (const std::string& text : rows) {
      SCOPED_TRACE(name);
      Rig r;
      SetOk(r.vyx, name, Str(text));
      EXPECT_EQ(std::get<std::string>(GetOk(r.vyx, name)), text);
    }
  }
}

TEST(Properties, UpdateCmdStartsNothingUnlessStatusIsExactlyReady) {
  for (const char* status : {"Busy", "ready", "Ready ", ""}) {
    SCOPED_TRACE(status);
    Rig r;
    r.Connect();
    SetOk(r.vyx, "MicroStatus", Str(status));
    r.port.frames.clear();
    r.host.events.clear();
    SetOk(r.vyx, "UpdateCmd", PropValue{true});
    EXPECT_TRUE(r.port.frames.empty());
    EXPECT_FALSE(r.m().AwaitReply);
    EXPECT_EQ(r.vyx.Fields().Caption(Field::LblStatus), status);
    EXPECT_EQ(r.host.events, std::vector<std::string>{"changed UpdateCmd"});
  }
}

TEST(Properties, CommandsReadTrueOnlyWhileTheirClickRuns) {
  struct Row {
    const char* name;
    Field touched;  // a field the click writes, where the value is sampled
  };
  for (const Row& row : {Row{"UpdateCmd", Field::LblStatus}, Row{"ClearCmd", Field::TxtAD0},
                         Row{"ZeroCmd", Field::TxtPWM}}) {
    SCOPED_TRACE(row.name);
    Rig r;
    r.Connect();
    SetOk(r.vyx, "AD0volt", Str("1.5"));
    std::vector<bool> during;
    r.vyx.SetFieldObserver([&](Field f) {
      if (f == row.touched) during.push_back(std::get<bool>(GetOk(r.vyx, row.name)));
    });
    SetOk(r.vyx, row.name, PropValue{true});
    r.vyx.SetFieldObserver(nullptr);
    ASSERT_FALSE(during.empty()) << "the click did not write the sampled field";
    EXPECT_TRUE(during.front());
    EXPECT_FALSE(std::get<bool>(GetOk(r.vyx, row.name)));
  }
}

TEST(Properties, UnchangedValuesLeavePendingFlagsAsTheyWere) {
  for (bool preset : {false, true}) {
    SCOPED_TRACE(preset);
    Rig r;
    r.f().SetState(Field::ChkDON, 1);
    r.f().SetText(Field::TxtName, "board7");
    r.m().DOPending = preset;
    r.m().NamePending = preset;
    SetOk(r.vyx, "DONstate", Int(1));
    SetOk(r.vyx, "IDstring", Str("board7"));
    EXPECT_EQ(r.m().DOPending, preset);
    EXPECT_EQ(r.m().NamePending, preset);
    // Both sets were completed, so the host heard of both.
    EXPECT_EQ(r.host.events, (std::vector<std::string>{"changed DONstate", "changed IDstring"}));
  }
}

TEST(Properties, ReadingSetsStoreAndSendNothing) {
  Rig r;
  r.Connect();
  r.port.frames.clear();
  for (const char* name : {"AD0volt", "AD4volt", "DITinterval", "DIFcount", "CLKtime", "FWver"}) {
    SetOk(r.vyx, name, Str("1.234"));
    EXPECT_EQ(std::get<std::string>(GetOk(r.vyx, name)), "1.234") << name;
  }
  EXPECT_TRUE(r.port.frames.empty());
}

// A host that records what the component looked like when each notification arrived.
class SnapshotHost : public Host {
 public:
  void PropertyChanged(std::string_view name) override {
    seen.push_back(std::string(name) + ":" + (sample ? sample() : ""));
  }
  void NewData() override { seen.push_back("NewData"); }
  std::function<std::string()> sample;
  std::vector<std::string> seen;
};

TEST(Properties, NotificationComesAfterEveryNestedEffect) {
  Rig r;
  SnapshotHost host;
  r.vyx.SetHost(&host);
  host.sample = [&] {
    return std::string(r.port.IsOpen() ? "open " : "closed ") +
           r.vyx.Fields().Caption(Field::LblComm) + " " + r.vyx.Fields().Text(Field::TxtComm);
  };
  SetOk(r.vyx, "CommPort", Str("1"));
  SetOk(r.vyx, "CommPort", Str("0"));
  EXPECT_EQ(host.seen,
            (std::vector<std::string>{"CommPort:open Connect 1", "CommPort:closed Offline 0"}));

  // A press finishes its whole click (here the update is started) before the host hears.
  host.seen.clear();
  SetOk(r.vyx, "CommPort", Str("1"));
  r.port.frames.clear();
  host.seen.clear();
  host.sample = [&] {
    return r.vyx.Fields().Caption(Field::LblStatus) + " " + std::to_string(r.port.frames.size());
  };
  SetOk(r.vyx, "UpdateCmd", PropValue{true});
  EXPECT_EQ(host.seen, std::vector<std::string>{"UpdateCmd:Busy 1"});
}

TEST(Properties, TwoSuccessfulUpdatesRaiseNewDataTwice) {
  Rig r;
  r.Connect();
  std::vector<std::string> statusAtNewData;
  r.host.onNewData = [&] { statusAtNewData.push_back(r.vyx.Fields().Caption(Field::LblStatus)); };
  r.host.events.clear();
  SetOk(r.vyx, "UpdateCmd", PropValue{true});
  r.Answer();
  SetOk(r.vyx, "UpdateCmd", PropValue{true});
  r.Answer();
  EXPECT_EQ(r.text(Field::TxtEvent), "2");
  EXPECT_EQ(r.host.events, (std::vector<std::string>{"changed UpdateCmd", "NewData",
                                                     "changed UpdateCmd", "NewData"}));
  EXPECT_EQ(statusAtNewData, (std::vector<std::string>{"Ready", "Ready"}));
}

TEST(Properties, NewDataHandlerCanStartTheNextUpdate) {
  Rig r;
  r.Connect();
  bool again = true;
  r.host.onNewData = [&] {
    if (std::exchange(again, false)) SetOk(r.vyx, "UpdateCmd", PropValue{true});
  };
  SetOk(r.vyx, "UpdateCmd", PropValue{true});
  const std::size_t first = r.port.frames.size();
  r.Answer();
  EXPECT_GT(r.port.frames.size(), first);
  EXPECT_TRUE(r.m().AwaitReply);
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblStatus), "Busy");
}

TEST(Properties, NewDataComesFromTxtEventChangesOnly) {
  Rig r;
  for (const Expected& e : kInterface) {
    if (e.type == PropType::String) SetOk(r.vyx, e.name, Str("7"));
    if (e.type == PropType::Integer) SetOk(r.vyx, e.name, Int(1));
  }
  EXPECT_EQ(r.host.newData, 0);
  r.f().SetText(Field::TxtEvent, "1");
  r.f().SetText(Field::TxtEvent, "1");  // unchanged: nothing
  r.f().SetText(Field::TxtEvent, "2");
  EXPECT_EQ(r.host.newData, 2);
}

}  // namespace
}  // namespace vyx::test
