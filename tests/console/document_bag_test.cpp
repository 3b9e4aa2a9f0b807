#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <csignal>
#include <filesystem>
#include <set>

#include "json_document_bag.h"
#include "vyx_process.h"

namespace vyx {
namespace {

using console::test::Outcome;
using console::test::ReadFile;
using console::test::RunVyx;
using console::test::TempDir;
using console::test::WriteFile;
using documents::JsonDocumentBag;

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

std::set<std::string> Names(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    names.insert(e.path().filename().string());
  }
  return names;
}

mode_t TypeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

// As the shell user sees it, in a child process: a restore that blocked on the FIFO would end
// in RunVyx's time-out rather than hang the tests.
TEST(Documents, OnlyRegularFilesAreRestoredOrSavedOver) {
  TempDir dir;
  const std::string fifo = dir / "pipe", doc = dir / "doc.json", link = dir / "link.json",
                    fifoLink = dir / "pipe-link.json";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  WriteFile(doc, R"({"IDstring": "Old"})");
  ASSERT_EQ(::chmod(doc.c_str(), 0640), 0);
  ASSERT_EQ(::symlink(doc.c_str(), link.c_str()), 0);
  ASSERT_EQ(::symlink(fifo.c_str(), fifoLink.c_str()), 0);

  const std::string script = "restore " + fifo + "\nrestore " + fifoLink + "\nrestore /dev/null\n" +
                             "save " + fifo + "\nsave " + fifoLink + "\nsave " + (dir / "") +
                             "\nrestore " + link + "\nset IDstring \"New\"\nsave " + link + "\n";
  const Outcome o = RunVyx({"shell"}, script, 10000);
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> expected = {
      "error: cannot read " + fifo + ": it is a FIFO, not a regular file",
      "error: cannot read " + fifoLink + ": it is a FIFO, not a regular file",
      "error: cannot read /dev/null: it is a character device, not a regular file",
      "error: cannot write " + fifo + ": it is a FIFO, not a regular file",
      "error: cannot write " + fifoLink + ": it is a FIFO, not a regular file",
      "error: cannot write " + (dir / "") + ": it is a directory, not a regular file",
      "ok",
      "ok",
      "ok"};
  EXPECT_EQ(o.Lines(), expected);

  EXPECT_EQ(TypeOf(fifo), S_IFIFO);
  EXPECT_EQ(TypeOf(fifoLink), S_IFLNK);
  // Saving through a link replaces the file it leads to, which keeps its permissions.
  EXPECT_EQ(TypeOf(link), S_IFLNK);
  EXPECT_NE(ReadFile(doc).find(R"("IDstring": "New")"), std::string::npos) << ReadFile(doc);
  struct stat st {};
  ASSERT_EQ(::stat(doc.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(Names(dir / ""),
            (std::set<std::string>{"pipe", "doc.json", "link.json", "pipe-link.json"}));
}

// A full disk, as far as the save can tell: vyx may write 64 bytes to any file, so the write
// is cut short and then fails with EFBIG.
TEST(Documents, AFailedSaveSaysWhyAndKeepsTheOldDocumentWhole) {
  TempDir dir;
  const std::string doc = dir / "doc.json";
  const std::string old = R"({"IDstring": "Old"})";
  WriteFile(doc, old);
  const Outcome o =
      RunVyx({"shell"}, "save " + doc + "\nrestore " + doc + "\nget IDstring\n", 20000, {}, [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      });
  ASSERT_EQ(o.exitCode, 0) << o.err;
  const std::vector<std::string> expected = {
      "error: cannot write " + doc + ": " + std::strerror(EFBIG), "ok", R"("Old")"};
  EXPECT_EQ(o.Lines(), expected);
  EXPECT_EQ(ReadFile(doc), old);
  EXPECT_EQ(Names(dir / ""), std::set<std::string>{"doc.json"});
}

}  // namespace
}  // namespace vyx
