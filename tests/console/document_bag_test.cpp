#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>

#include "json_document_bag.h"
#include "vyx_process.h"

namespace vyx {
namespace {

using console::test::ReadFile;
using console::test::TempDir;
using console::test::WriteFile;

QString Q(const std::string& s) { return QString::fromStdString(s); }

JsonDocumentBag Loaded(const std::string& json) {
  TempDir dir;
  WriteFile(dir / "doc.json", json);
  JsonDocumentBag bag;
  const Status s = bag.Load(Q(dir / "doc.json"));
  EXPECT_TRUE(s) << s.message();
  return bag;
}

struct ReadCase {
  const char* json;  // the member "k"
  BagValue expected;
};

class BagReads : public ::testing::TestWithParam<ReadCase> {};

TEST_P(BagReads, ConvertsJsonToBagValues) {
  JsonDocumentBag bag = Loaded(std::string(R"({"k":)") + GetParam().json + "}");
  BagValue out;
  const Status s = bag.Read("k", PropValue{std::string("default")}, out);
  ASSERT_TRUE(s) << s.message();
  EXPECT_EQ(out, GetParam().expected) << GetParam().json;
}

INSTANTIATE_TEST_SUITE_P(
    Json, BagReads,
    ::testing::Values(ReadCase{R"("50")", std::string("50")}, ReadCase{R"("")", std::string("")},
                      ReadCase{R"("caf\u00e9")", std::string("caf\xc3\xa9")},
                      ReadCase{"true", true}, ReadCase{"false", false},
                      ReadCase{"7", std::int64_t{7}}, ReadCase{"-40000", std::int64_t{-40000}},
                      ReadCase{"9007199254740993", std::int64_t{9007199254740993}},
                      ReadCase{"2.0", std::int64_t{2}}, ReadCase{"1e3", std::int64_t{1000}},
                      ReadCase{"2.5", 2.5}, ReadCase{"1e300", 1e300}));

TEST(JsonDocumentBag, AbsentKeysGiveTheirDefault) {
  JsonDocumentBag bag = Loaded("{}");
  BagValue out;
  ASSERT_TRUE(bag.Read("CommPort", PropValue{std::string("Comm")}, out));
  EXPECT_EQ(out, BagValue{std::string("Comm")});
  ASSERT_TRUE(bag.Read("DONstate", PropValue{std::int16_t{0}}, out));
  EXPECT_EQ(out, BagValue{std::int64_t{0}});
  ASSERT_TRUE(bag.Read("UpdateCmd", PropValue{false}, out));
  EXPECT_EQ(out, BagValue{false});
}

TEST(JsonDocumentBag, NullArraysAndObjectsFailNamingTheKey) {
  JsonDocumentBag bag = Loaded(R"({"PWMduty":null,"DONstate":[1],"IDstring":{"a":1}})");
  for (const char* key : {"PWMduty", "DONstate", "IDstring"}) {
    BagValue out = std::string("untouched");
    const Status s = bag.Read(key, PropValue{std::string()}, out);
    EXPECT_FALSE(s) << key;
    EXPECT_NE(s.message().find(std::string("\"") + key + "\""), std::string::npos) << s.message();
    EXPECT_EQ(bag.LastReadKey(), key);
  }
}

TEST(JsonDocumentBag, ADocumentThatCannotBeUsedIsRefusedAndChangesNothing) {
  TempDir dir;
  WriteFile(dir / "good.json", R"({"CommPort":"2"})");
  WriteFile(dir / "broken.json", R"({"CommPort":)");
  WriteFile(dir / "array.json", R"(["CommPort"])");
  WriteFile(dir / "empty.json", "");
  {
    QFile huge(Q(dir / "huge.json"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(JsonDocumentBag::kMaxDocumentBytes + 1));
  }
  struct Case {
    std::string path;
    const char* message;
  };
  const Case cases[] = {{dir / "missing.json", "cannot read"},
                        {dir / "broken.json", "is not a JSON document"},
                        {dir / "array.json", "top level is not a JSON object"},
                        {dir / "empty.json", "is not a JSON document"},
                        {dir / "huge.json", "larger than 16 MiB"},
                        {dir / "", "directory"}};
  JsonDocumentBag bag;
  ASSERT_TRUE(bag.Load(Q(dir / "good.json")));
  for (const Case& c : cases) {
    const Status s = bag.Load(Q(c.path));
    EXPECT_FALSE(s) << c.path;
    EXPECT_NE(s.message().find(c.message), std::string::npos) << s.message();
    EXPECT_EQ(bag.Object().value("CommPort").toString(), "2") << c.path;
  }
}

TEST(JsonDocumentBag, SavesEveryTypeAndReadsItBack) {
  TempDir dir;
  JsonDocumentBag bag;
  ASSERT_TRUE(bag.Write("CommPort", PropValue{std::string("1")}, PropValue{std::string("Comm")}));
  ASSERT_TRUE(bag.Write("UpdateCmd", PropValue{false}, PropValue{std::int16_t{0}}));
  ASSERT_TRUE(bag.Write("DONstate", PropValue{std::int16_t{1}}, PropValue{std::int16_t{0}}));
  ASSERT_TRUE(bag.Write("IDstring", PropValue{std::string("\xe9t\xe9")}, PropValue{std::string()}));
  ASSERT_TRUE(bag.SaveTo(Q(dir / "doc.json")));

  const QJsonDocument doc =
      QJsonDocument::fromJson(QByteArray::fromStdString(ReadFile(dir / "doc.json")));
  ASSERT_TRUE(doc.isObject());
  EXPECT_TRUE(doc["CommPort"].isString());
  EXPECT_TRUE(doc["UpdateCmd"].isBool());
  EXPECT_EQ(doc["DONstate"].toVariant().typeId(), QMetaType::LongLong);
  // Single bytes from the board are kept as the characters they stand for.
  EXPECT_EQ(doc["IDstring"].toString(), QString::fromUtf8("\xc3\xa9t\xc3\xa9"));

  JsonDocumentBag back;
  ASSERT_TRUE(back.Load(Q(dir / "doc.json")));
  BagValue out;
  ASSERT_TRUE(back.Read("DONstate", PropValue{std::int16_t{0}}, out));
  EXPECT_EQ(out, BagValue{std::int64_t{1}});
  ASSERT_TRUE(back.Read("UpdateCmd", PropValue{std::int16_t{0}}, out));
  EXPECT_EQ(out, BagValue{false});
}

TEST(JsonDocumentBag, SavingFailsClearlyOrReplacesTheWholeDocument) {
  TempDir dir;
  JsonDocumentBag bag;
  const Status missingDir = bag.SaveTo(Q(dir / "no/such/dir/doc.json"));
  EXPECT_FALSE(missingDir);
  EXPECT_NE(missingDir.message().find("cannot write"), std::string::npos);

  WriteFile(dir / "doc.json", R"({"old":true})");
  ASSERT_TRUE(bag.Write("CommPort", PropValue{std::string("3")}, PropValue{std::string("Comm")}));
  ASSERT_TRUE(bag.SaveTo(Q(dir / "doc.json")));
  EXPECT_EQ(ReadFile(dir / "doc.json").find("old"), std::string::npos);
}

}  // namespace
}  // namespace vyx
