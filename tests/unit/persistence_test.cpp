// Saving and restoring with the host's document, held as "key = value" lines: a saved
// document must keep loading as it did, older ones with defaults for what they lack, and a
// value the component refuses stops the restore where it stands.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "rig.h"

namespace vyx::test {
namespace {

// Texts quoted, check boxes as numbers, commands as true or false; a number with a point,
// "nan" or "inf" is a double. A bag may fail at one key, as a full disk or a bad file does.
class TextBag : public PropertyBag {
 public:
  explicit TextBag(std::string document = "") : text(std::move(document)) {}
  static std::string Form(const PropValue& v) {
    return std::holds_alternative<std::string>(v) ? "\"" + Show(v) + "\"" : Show(v);
  }
  Status Read(std::string_view key, const PropValue& def, BagValue& out) override {
    reads.emplace_back(key);
    if (key == failAt) return Status::Fail("document unreadable");
    const std::string start = "\n" + std::string(key) + " = ", all = "\n" + text;
    const auto at = all.find(start), from = at + start.size();
    const std::string v =
        at == std::string::npos ? Form(def) : all.substr(from, all.find('\n', from) - from);
    double d = 0;
    std::int64_t n = 0;
    if (v.starts_with('"')) {
      out = v.substr(1, v.size() - 2);
    } else if (v == "true" || v == "false") {
      out = v == "true";
    } else if (v.find_first_of(".ni") != std::string::npos) {
      out = (std::from_chars(v.data(), v.data() + v.size(), d), d);
    } else {
      out = (std::from_chars(v.data(), v.data() + v.size(), n), n);
    }
    return Status::Ok();
  }
  Status Write(std::string_view key, const PropValue& value, const PropValue&) override {
    if (key == failAt) return Status::Fail("disk full");
    text += std::string(key) + " = " + Form(value) + "\n";
    return Status::Ok();
  }
  std::string text, failAt;
  Strings reads;
};

std::string Golden() {
  std::ifstream in(std::filesystem::path(__FILE__).parent_path() / "data/saved_document.txt");
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Persistence, ASavedDocumentKeepsItsFormAndLoadsAsSaved) {
  Rig saved;  // a board on Comm2 that has answered, and two edits not yet sent
  saved.Connect(2);
  saved.BringOnline({12, 0x04, 0x5A, 0x00, 0x00, 0xFF, 0xC0, 0xFF, 0xFF, 0x80, 0x00, 0x40, 0x00,
                     0,  0,    0x12, 0x34, 0x56, 0x0F, 0x42, 0x40, 0x53, 0x40, 159,  1});
  ASSERT_TRUE(saved.vyx.Set("IDstring", "unit-3"));
  ASSERT_TRUE(saved.vyx.Set("CLKtime", "3600.5000"));
  TextBag bag;
  ASSERT_TRUE(saved.vyx.Save(bag));
  EXPECT_EQ(bag.text, Golden());

  Rig loaded;
  TextBag golden(Golden());
  ASSERT_TRUE(loaded.vyx.Restore(golden));
  EXPECT_EQ(loaded.Shown(kMost), saved.Shown(kMost));
  EXPECT_TRUE(loaded.port.IsOpen() && loaded.port.CommPort() == 2);
  EXPECT_TRUE(loaded.host.events.empty() && loaded.port.frames.empty());
  TextBag again;
  ASSERT_TRUE(loaded.vyx.Save(again));
  EXPECT_EQ(again.text, Golden());
}

TEST(Persistence, ValuesAreTakenAsTheHostsBagGivesThemAndMissingKeysGetDefaults) {
  // clang-format off
  const std::tuple<const char*, const char*, const char*> rows[] = {
      {"IDstring = \"kept\"", "IDstring", "kept"}, {"IDstring = true", "IDstring", "True"},
      {"IDstring = -42", "IDstring", "-42"}, {"IDstring = 2.5", "IDstring", "2.5"},
      {"IDstring = 50.0", "IDstring", "50"}, {"IDstring = -0.0", "IDstring", "0"},
      {"IDstring = 0.1", "IDstring", "0.1"}, {"DONstate = \" 1 \"", "DONstate", "1"},
      {"DONstate = \"+1\"", "DONstate", "1"}, {"DONstate = 1.0", "DONstate", "1"},
      {"DONstate = false", "DONstate", "0"}, {"UpdateCmd = \"-1\"", "MicroStatus", "Busy"},
      {"UpdateCmd = \" True \"", "MicroStatus", "Busy"}, {"UpdateCmd = 2", "MicroStatus", "Busy"},
      {"UpdateCmd = \"0\"", "MicroStatus", "Ready"}, {"Update = true", "MicroStatus", "Busy"},
      {"", "CommStatus", "Offline"}, {"", "AD0volt", ""}, {"", "DITstate", "0"}};
  // clang-format on
  for (const auto& [line, property, shown] : rows) {
    Rig r;
    TextBag doc(std::string("CommPort = \"1\"\n") + line + "\n");
    ASSERT_TRUE(r.vyx.Restore(doc)) << line;
    EXPECT_EQ(r.Get(property), shown) << line;
    EXPECT_TRUE(r.host.events.empty());
  }
}

TEST(Persistence, ARefusedValueStopsTheRestoreAtItsKeyAndKeepsTheKeysBefore) {
  // clang-format off
  const std::string rows[] = {
      "DONstate = \"abc\"", "DINstate = 40000", "DONstate = 2", "DOEstate = true",
      "DONstate = \"1.5\"", "DONstate = \"12abc\"", "DONstate = \"\"", "UpdateCmd = \"maybe\"",
      "UpdateCmd = 0.5", "DIFstate = 0.5", "FWver = nan", "FWver = inf", "RST = \"1.0\"",
      "AD1volt = \"" + std::string(65536, '7') + "\""};
  // clang-format on
  for (const std::string& line : rows) {
    const std::string key = line.substr(0, line.find(' '));
    Rig r;
    TextBag doc("CommStatus = \"Kept\"\n" + line + "\nDITstate = 1\n");
    const Status s = r.vyx.Restore(doc);
    EXPECT_NE(s.message().find("\"" + key + "\""), std::string::npos) << s.message();
    EXPECT_EQ(doc.reads.back(), key);
    EXPECT_EQ(r.Get("CommStatus") + r.Get("DITstate"), "Kept0");
    EXPECT_TRUE(r.host.events.empty());
  }
  Rig r;  // a document that cannot be read fails alike
  TextBag doc("DONstate = 1\nDOEstate = 1\nDOKstate = 1\n");
  doc.failAt = "DOEstate";
  EXPECT_NE(r.vyx.Restore(doc).message().find("\"DOEstate\": document unreadable"),
            std::string::npos);
  EXPECT_EQ(r.Get("DONstate") + r.Get("DOKstate"), "10");
  TextBag full;  // and a save that cannot write ends at its key
  full.failAt = "AD0volt";
  EXPECT_NE(r.vyx.Save(full).message().find("\"AD0volt\": disk full"), std::string::npos);
  EXPECT_EQ(full.text.substr(full.text.rfind('\n', full.text.size() - 2) + 1), "Vrefvolt = \"\"\n");
}

TEST(Persistence, ARestoreDuringAnUpdateStartsNoSecondOne) {
  Rig r;
  r.Connect();
  r.Update();
  TextBag doc(
      "CommPort = \"1\"\nCommStatus = \"Connect\"\nMicroStatus = \"Ready\"\nUpdateCmd = true\n");
  ASSERT_TRUE(r.vyx.Restore(doc));
  EXPECT_EQ(r.port.frames.size(), 1u);
  r.Answer();
  EXPECT_EQ(r.host.newData, 1);
}

}  // namespace
}  // namespace vyx::test
