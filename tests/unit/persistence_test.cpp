// Saving and restoring the properties through a recording property bag.
#include "control/persistence.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "control/properties.h"
#include "rig.h"

namespace vyx::test {
namespace {

std::string Show(const PropValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return "S:" + *s;
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "B:true" : "B:false";
  return "I:" + std::to_string(std::get<std::int16_t>(v));
}

BagValue ToBag(const PropValue& v) {
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* b = std::get_if<bool>(&v)) return *b;
  return static_cast<std::int64_t>(std::get<std::int16_t>(v));
}

// A host's property bag that keeps every value and logs every call in order.
class RecordingBag : public PropertyBag {
 public:
  Status Read(std::string_view key, const PropValue& def, BagValue& out) override {
    reads.push_back(std::string(key) + " " + Show(def));
    if (key == failReadAt) return Status::Fail("document unreadable");
    const auto it = values.find(std::string(key));
    out = it == values.end() ? ToBag(def) : it->second;
    return Status::Ok();
  }
  Status Write(std::string_view key, const PropValue& value, const PropValue& def) override {
    writes.push_back(std::string(key) + " " + Show(value) + " " + Show(def));
    if (key == failWriteAt) return Status::Fail("disk full");
    values[std::string(key)] = ToBag(value);
    return Status::Ok();
  }
  std::map<std::string, BagValue> values;
  std::vector<std::string> reads;
  std::vector<std::string> writes;
  std::string failReadAt;
  std::string failWriteAt;
};

// The key of a logged call: the text before the first blank.
std::vector<std::string> Keys(const std::vector<std::string>& log) {
  std::vector<std::string> keys;
  for (const std::string& line : log) keys.push_back(line.substr(0, line.find(' ')));
  return keys;
}

TEST(Save, WritesThirtyOneKeysInOrderWithTypesAndDefaults) {
  Rig r;
  r.f().SetText(Field::TxtTime, "12.5");
  r.f().SetState(Field::ChkDIT, 1);
  RecordingBag bag;
  ASSERT_TRUE(r.vyx.Save(bag).ok());
  const std::string fw = "S:" + r.vyx.Fields().Caption(Field::LblFW);
  const std::vector<std::string> want = {"CommPort S:0 S:Comm",
                                         "CommStatus S:Offline S:Offline",
                                         "MicroAddress S:0 S:Micro",
                                         "MicroStatus S:Ready S:Ready",
                                         "UpdateCmd B:false I:0",
                                         "ClearCmd B:false I:0",
                                         "IDstring S: S:",
                                         "Vrefvolt S: S:",
                                         "AD0volt S: S:",
                                         "AD1volt S: S:",
                                         "AD2volt S: S:",
                                         "AD3volt S: S:",
                                         "AD4volt S: S:",
                                         "DITinterval S: S:",
                                         "FWver " + fw + " S:",
                                         "DIFcount S: S:",
                                         "TimeElapse S:12.5 S:",
                                         "PWMduty S: S:",
                                         "DPWduty S: S:",
                                         "DOGduty S: S:",
                                         "DONstate I:0 I:0",
                                         "DOEstate I:0 I:0",
                                         "DOKstate I:0 I:0",
                                         "DOSstate I:0 I:0",
                                         "DINstate I:0 I:0",
                                         "DISstate I:0 I:0",
                                         "RSTstate I:0 I:0",
                                         "DIFstate I:0 I:0",
                                         "DITstate I:1 I:0",
                                         "ZeroCmd B:false I:0",
                                         "CLKtime S:12.5 S:"};
  EXPECT_EQ(bag.writes, want);
  EXPECT_TRUE(r.host.events.empty());
}

TEST(Save, FailingWriteEndsTheSaveAtThatKey) {
  Rig r;
  RecordingBag bag;
  bag.failWriteAt = "AD0volt";
  const Status s = r.vyx.Save(bag);
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("\"AD0volt\""), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("disk full"), std::string::npos) << s.message();
  ASSERT_EQ(bag.writes.size(), 9u);
  EXPECT_EQ(Keys(bag.writes).back(), "AD0volt");
  EXPECT_FALSE(bag.values.contains("AD0volt"));
}

TEST(Restore, ReadsFiftyFourKeysInOrderWithDefaults) {
  Rig r;
  RecordingBag bag;
  ASSERT_TRUE(r.vyx.Restore(bag).ok());
  const std::vector<std::string> want = {"CommPort S:Comm",
                                         "CommStatus S:Offline",
                                         "MicroAddress S:Micro",
                                         "MicroStatus S:Ready",
                                         "Update I:0",
                                         "Clear I:0",
                                         "FW S:",
                                         "ID S:",
                                         "Vref S:",
                                         "AD0 S:",
                                         "AD1 S:",
                                         "AD2 S:",
                                         "AD3 S:",
                                         "AD4 S:",
                                         "DIT S:",
                                         "DIF S:",
                                         "Time S:",
                                         "PWM S:",
                                         "DPW S:",
                                         "DOG S:",
                                         "DON I:0",
                                         "DOE I:0",
                                         "DOK I:0",
                                         "DOS I:0",
                                         "DIN I:0",
                                         "DIS I:0",
                                         "RST I:0",
                                         "UpdateCmd I:0",
                                         "ClearCmd I:0",
                                         "IDstring S:",
                                         "Vrefvolt S:",
                                         "AD0volt S:",
                                         "AD1volt S:",
                                         "AD2volt S:",
                                         "AD3volt S:",
                                         "AD4volt S:",
                                         "DITinterval S:",
                                         "FWver S:",
                                         "DIFcount S:",
                                         "TimeElapse S:",
                                         "PWMduty S:",
                                         "DPWduty S:",
                                         "DOGduty S:",
                                         "DONstate I:0",
                                         "DOEstate I:0",
                                         "DOKstate I:0",
                                         "DOSstate I:0",
                                         "DINstate I:0",
                                         "DISstate I:0",
                                         "RSTstate I:0",
                                         "DIFstate I:0",
                                         "DITstate I:0",
                                         "ZeroCmd I:0",
                                         "CLKtime S:"};
  EXPECT_EQ(bag.reads, want);
}

TEST(Restore, EmptySetWritesEveryDefault) {
  Rig r;
  // Values that the defaults must replace.
  r.f().SetCaption(Field::LblComm, "Connect");
  r.f().SetCaption(Field::LblStatus, "Busy");
  r.f().SetCaption(Field::LblFW, "1.7");
  for (Field t : {Field::TxtName, Field::TxtVref, Field::TxtAD0, Field::TxtAD4, Field::TxtDIT,
                  Field::TxtDIF, Field::TxtTime, Field::TxtPWM, Field::TxtDPW, Field::TxtDOG}) {
    r.f().SetText(t, "9");
  }
  for (Field c :
       {Field::ChkDON, Field::ChkDOS, Field::ChkDIN, Field::ChkRST, Field::ChkDIF, Field::ChkDIT}) {
    r.f().SetState(c, 1);
  }
  RecordingBag bag;
  ASSERT_TRUE(r.vyx.Restore(bag).ok());
  for (const PropertySpec& p : kProperties) {
    SCOPED_TRACE(p.name);
    PropValue v;
    ASSERT_TRUE(r.vyx.Get(p.name, v).ok());
    std::string want = "S:";
    if (p.name == "CommPort") want = "S:Comm";
    if (p.name == "CommStatus") want = "S:Offline";
    if (p.name == "MicroAddress") want = "S:Micro";
    if (p.name == "MicroStatus") want = "S:Ready";
    if (p.type == PropType::Integer) want = "I:0";
    if (p.type == PropType::Boolean) want = "B:false";
    EXPECT_EQ(Show(v), want);
  }
  EXPECT_TRUE(r.host.events.empty());
  EXPECT_FALSE(r.port.IsOpen());
}

TEST(Restore, RoundTripOfANeverConnectedComponent) {
  Rig a;
  for (auto [name, value] : std::initializer_list<std::pair<const char*, PropValue>>{
           {"IDstring", std::string("unit-3")},
           {"Vrefvolt", std::string("4.9870")},
           {"AD2volt", std::string("1.250")},
           {"FWver", std::string("2.1")},
           {"CLKtime", std::string("3600.5000")},
           {"PWMduty", std::string("33.3")},
           {"DOGduty", std::string("0")},
           {"DOKstate", std::int16_t{1}},
           {"DITstate", std::int16_t{1}},
           {"MicroStatus", std::string("Ready")}}) {
    ASSERT_TRUE(a.vyx.Set(name, value).ok()) << name;
  }
  RecordingBag bag;
  ASSERT_TRUE(a.vyx.Save(bag).ok());

  Rig b;
  ASSERT_TRUE(b.vyx.Restore(bag).ok());
  for (const BagKey& k : kSaveKeys) {
    EXPECT_EQ(Show(ReadField(b.vyx.Fields(), k.field, k.attribute)),
              Show(ReadField(a.vyx.Fields(), k.field, k.attribute)))
        << k.key;
  }
  EXPECT_TRUE(b.host.events.empty());
  EXPECT_TRUE(b.port.frames.empty());
}

TEST(Restore, BusyCaptionRestoresWithNoUpdateRunning) {
  Rig r;
  RecordingBag bag;
  bag.values = {{"CommPort", std::string("1")},
                {"CommStatus", std::string("Connect")},
                {"MicroStatus", std::string("Busy")}};
  ASSERT_TRUE(r.vyx.Restore(bag).ok());
  EXPECT_TRUE(r.port.IsOpen());
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblStatus), "Busy");
  EXPECT_FALSE(r.m().AwaitReply);
  EXPECT_FALSE(r.timer.enabled);

  ASSERT_TRUE(r.vyx.Set("UpdateCmd", PropValue{true}).ok());
  EXPECT_TRUE(r.port.frames.empty());

  // Clear ends the update that never ran, after which an update starts again.
  ASSERT_TRUE(r.vyx.Set("ClearCmd", PropValue{true}).ok());
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblStatus), "Ready");
  ASSERT_TRUE(r.vyx.Set("UpdateCmd", PropValue{true}).ok());
  ASSERT_FALSE(r.port.frames.empty());
  EXPECT_EQ(r.port.frames.back()[0], 'Q');
}

TEST(Restore, SavedConnectCaptionStaysRedAfterAFailedOpen) {
  Rig r;
  r.port.Fail(FakePort::Op::Open);
  RecordingBag bag;
  bag.values = {{"CommPort", std::string("1")}, {"CommStatus", std::string("Connect")}};
  ASSERT_TRUE(r.vyx.Restore(bag).ok());
  EXPECT_FALSE(r.port.IsOpen());
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblComm), "Connect");
  EXPECT_EQ(r.vyx.Fields().Color(Field::LblComm), kColorRed);
  EXPECT_TRUE(r.vyx.Fields().Emphasis(Field::LblComm));
}

TEST(Restore, DutyTextMarksPendingAndFillsItsBuffer) {
  Rig r;
  RecordingBag bag;
  bag.values = {{"PWMduty", std::string("50")}};
  ASSERT_TRUE(r.vyx.Restore(bag).ok());
  EXPECT_EQ(r.text(Field::TxtPWM), "50");
  EXPECT_TRUE(r.m().PWMPending);
  EXPECT_EQ(r.text(Field::BufPWM), "50");
  EXPECT_FALSE(r.m().DPWPending);
}

TEST(Restore, TrueCommandValueStartsAnUpdateDuringTheRestore) {
  struct Row {
    const char* key;
    BagValue value;
  };
  const Row rows[] = {{"Update", true},
                      {"UpdateCmd", true},
                      {"Update", std::string("-1")},
                      {"UpdateCmd", std::int64_t{1}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    Rig r;
    RecordingBag bag;
    bag.values = {{"CommPort", std::string("1")}, {row.key, row.value}};
    std::vector<std::string> readsAtFirstFrame;
    r.port.onWrite = [&](const std::string&) {
      if (readsAtFirstFrame.empty()) readsAtFirstFrame = bag.reads;
    };
    ASSERT_TRUE(r.vyx.Restore(bag).ok());
    ASSERT_EQ(r.port.frames.size(), 1u);
    EXPECT_EQ(r.port.frames[0][0], 'Q');
    // Sent from inside the restore, right at the command's read.
    EXPECT_EQ(Keys(readsAtFirstFrame).back(), row.key);
    EXPECT_EQ(bag.reads.size(), kRestoreKeyCount);
    EXPECT_TRUE(r.m().AwaitReply);
    EXPECT_EQ(r.vyx.Fields().Caption(Field::LblStatus), "Busy");
    EXPECT_TRUE(r.host.events.empty());
  }
}

TEST(Restore, LaterKeysOverwriteEarlierOnes) {
  Rig r;
  RecordingBag bag;
  bag.values = {{"Time", std::string("1")},    {"TimeElapse", std::string("2")},
                {"CLKtime", std::string("3")}, {"ID", std::string("short")},
                {"DON", std::int64_t{1}},      {"FW", std::string("0.9")},
                {"FWver", std::string("1.0")}};
  ASSERT_TRUE(r.vyx.Restore(bag).ok());
  EXPECT_EQ(r.text(Field::TxtTime), "3");
  EXPECT_EQ(r.vyx.Fields().Caption(Field::LblFW), "1.0");
  // The short keys passed through their fields, then the absent long keys gave defaults.
  EXPECT_EQ(r.text(Field::TxtName), "");
  EXPECT_TRUE(r.m().NamePending);
  EXPECT_EQ(r.vyx.Fields().State(Field::ChkDON), 0);
}

TEST(Restore, ConversionToTheFieldsType) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Row {
    const char* what;
    BagValue stored;
    Attribute attribute;
    const char* want;  // Show() of the converted value, or "fail"
  };
  const Row rows[] = {
      {"text as is", std::string(" 12 abc"), Attribute::Text, "S: 12 abc"},
      {"true as text", true, Attribute::Text, "S:True"},
      {"false as caption", false, Attribute::Caption, "S:False"},
      {"integer as text", std::int64_t{-42}, Attribute::Text, "S:-42"},
      {"large integer as text", std::int64_t{1} << 40, Attribute::Text, "S:1099511627776"},
      {"double as text", 2.5, Attribute::Text, "S:2.5"},
      {"whole double as text", 50.0, Attribute::Text, "S:50"},
      {"shortest double text", 0.1, Attribute::Text, "S:0.1"},
      {"negative zero", -0.0, Attribute::Text, "S:0"},
      {"NaN text", nan, Attribute::Text, "fail"},
      {"infinite text", inf, Attribute::Caption, "fail"},

      {"integer", std::int64_t{1}, Attribute::State, "I:1"},
      {"lowest integer", std::int64_t{-32768}, Attribute::State, "I:-32768"},
      {"highest integer", std::int64_t{32767}, Attribute::State, "I:32767"},
      {"integer above range", std::int64_t{32768}, Attribute::State, "fail"},
      {"integer below range", std::int64_t{-32769}, Attribute::State, "fail"},
      {"integer text with blanks", std::string(" \t12 "), Attribute::State, "I:12"},
      {"signed integer text", std::string("+7"), Attribute::State, "I:7"},
      {"lowest integer text", std::string("-32768"), Attribute::State, "I:-32768"},
      {"integer text above range", std::string("40000"), Attribute::State, "fail"},
      {"huge integer text", std::string("-99999999999999999999999"), Attribute::State, "fail"},
      {"fraction text", std::string("1.5"), Attribute::State, "fail"},
      {"word text", std::string("abc"), Attribute::State, "fail"},
      {"empty text", std::string(""), Attribute::State, "fail"},
      {"number then word", std::string("12abc"), Attribute::State, "fail"},
      {"inner blank", std::string("1 2"), Attribute::State, "fail"},
      {"true as integer", true, Attribute::State, "I:-1"},
      {"false as integer", false, Attribute::State, "I:0"},
      {"whole double", 3.0, Attribute::State, "I:3"},
      {"fractional double", 2.5, Attribute::State, "fail"},
      {"double out of range", 40000.0, Attribute::State, "fail"},
      {"NaN integer", nan, Attribute::State, "fail"},

      {"true", true, Attribute::Value, "B:true"},
      {"false", false, Attribute::Value, "B:false"},
      {"zero", std::int64_t{0}, Attribute::Value, "B:false"},
      {"non-zero", std::int64_t{5}, Attribute::Value, "B:true"},
      {"minus one", std::int64_t{-1}, Attribute::Value, "B:true"},
      {"True text", std::string("True"), Attribute::Value, "B:true"},
      {"false text", std::string(" false "), Attribute::Value, "B:false"},
      {"-1 text", std::string("-1"), Attribute::Value, "B:true"},
      {"0 text", std::string("0"), Attribute::Value, "B:false"},
      {"1 text", std::string("1"), Attribute::Value, "B:true"},
      {"yes text", std::string("yes"), Attribute::Value, "fail"},
      {"2 text", std::string("2"), Attribute::Value, "fail"},
      {"empty Boolean text", std::string(), Attribute::Value, "fail"},
      {"whole double Boolean", 1.0, Attribute::Value, "B:true"},
      {"fractional double Boolean", 0.5, Attribute::Value, "fail"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    PropValue out = std::string("untouched");
    const Status s = ConvertBagValue(row.stored, row.attribute, out);
    if (std::string(row.want) == "fail") {
      EXPECT_FALSE(s.ok());
      EXPECT_FALSE(s.message().empty());
    } else {
      ASSERT_TRUE(s.ok()) << s.message();
      EXPECT_EQ(Show(out), row.want);
    }
  }
}

TEST(Restore, BadValueEndsTheRestoreAtItsKey) {
  struct Row {
    const char* key;
    BagValue value;
  };
  const Row rows[] = {
      {"DONstate", std::string("abc")},                     // not a number
      {"DINstate", std::int64_t{40000}},                    // out of range
      {"DONstate", std::int64_t{2}},                        // a check box refuses it
      {"DOEstate", true},                                   // -1: refused the same way
      {"UpdateCmd", std::string("maybe")},                  // not a Boolean
      {"DIFstate", 0.5},                                    // fractional
      {"FWver", std::numeric_limits<double>::quiet_NaN()},  // no text for it
      {"AD1volt", std::string(kMaxTextBytes + 1, '7')},     // too long for a field
      {"RST", std::string("1.0")},                          // a short key fails alike
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.key);
    Rig r;
    RecordingBag bag;
    bag.values = {{"CommStatus", std::string("Kept")},  // read 2, before every bad key
                  {"DITstate", std::int64_t{1}},        // read 52, after every bad key
                  {row.key, row.value}};
    const Status s = r.vyx.Restore(bag);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.message().find("\"" + std::string(row.key) + "\""), std::string::npos)
        << s.message();
    EXPECT_EQ(Keys(bag.reads).back(), row.key);
    EXPECT_LT(bag.reads.size(), kRestoreKeyCount);
    EXPECT_EQ(r.vyx.Fields().Caption(Field::LblComm), "Kept");
    EXPECT_EQ(r.vyx.Fields().State(Field::ChkDIT), 0);
    EXPECT_TRUE(r.host.events.empty());
  }
}

TEST(Restore, FailingReadEndsTheRestoreAtItsKey) {
  Rig r;
  RecordingBag bag;
  bag.values = {
      {"DONstate", std::int64_t{1}}, {"DOEstate", std::int64_t{1}}, {"DOKstate", std::int64_t{1}}};
  bag.failReadAt = "DOEstate";
  const Status s = r.vyx.Restore(bag);
  EXPECT_FALSE(s.ok());
  EXPECT_NE(s.message().find("\"DOEstate\""), std::string::npos) << s.message();
  EXPECT_NE(s.message().find("document unreadable"), std::string::npos) << s.message();
  EXPECT_EQ(Keys(bag.reads).back(), "DOEstate");
  EXPECT_EQ(r.vyx.Fields().State(Field::ChkDON), 1);
  EXPECT_EQ(r.vyx.Fields().State(Field::ChkDOK), 0);
}

TEST(Restore, TextsPassByteForByte) {
  const std::string rows[] = {std::string("id\0x", 4), "µV Ω ✓", std::string(kMaxTextBytes, 'q')};
  for (const std::string& text : rows) {
    Rig r;
    RecordingBag bag;
    bag.values = {{"IDstring", text}, {"CommStatus", text}, {"AD3volt", text}};
    ASSERT_TRUE(r.vyx.Restore(bag).ok());
    EXPECT_EQ(r.text(Field::TxtName), text);
    EXPECT_EQ(r.vyx.Fields().Caption(Field::LblComm), text);
    EXPECT_EQ(r.text(Field::TxtAD3), text);
  }
}

}  // namespace
}  // namespace vyx::test
