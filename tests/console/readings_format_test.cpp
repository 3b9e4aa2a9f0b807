#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "console_readings.h"
#include "json_values.h"

namespace vyx::console {
namespace {

using documents::CsvHeader;
using documents::CsvRow;
using documents::kReadingNames;
using documents::Readings;
using documents::ToUtf8;

Readings Sample() {
  Readings r;
  for (std::string_view name : kReadingNames) r.emplace_back(name, std::string());
  r[0].second = std::string("2.500");
  r[12].second = std::int16_t{1};         // DONstate
  r[21].second = std::string("a,\"b\"");  // IDstring with a comma and quotes
  return r;
}

TEST(Readings, JsonIsOneObjectOnOneLineInReadingOrder) {
  const std::string json = ReadingsJson(Sample());
  EXPECT_EQ(json.find('\n'), std::string::npos);
  EXPECT_EQ(json.rfind(R"({"AD0volt":"2.500","AD1volt":"",)", 0), 0u) << json;
  EXPECT_NE(json.find(R"("DONstate":1,)"), std::string::npos);
  EXPECT_NE(json.find(R"("IDstring":"a,\"b\"")"), std::string::npos);
  EXPECT_EQ(json.substr(json.size() - 14), R"("Vrefvolt":""})");
}

TEST(Readings, TextHasOneAlignedLinePerReading) {
  const std::string text = ReadingsText(Sample());
  EXPECT_EQ(text.rfind("AD0volt      2.500\n", 0), 0u) << text;
  EXPECT_NE(text.find("\nDONstate     1\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 23);
}

TEST(Readings, CsvRowsMatchTheHeaderAndQuoteTheirCells) {
  const Readings r = Sample();
  const std::string header = CsvHeader();
  EXPECT_EQ(header.rfind("time,update,ok,AD0volt,", 0), 0u);
  const auto columns = std::count(header.begin(), header.end(), ',');

  const std::string ok = CsvRow({"T", 3, &r});
  EXPECT_EQ(ok.rfind("T,3,true,2.500,", 0), 0u) << ok;
  EXPECT_NE(ok.find(",\"a,\"\"b\"\"\","), std::string::npos) << ok;

  const std::string failed = CsvRow({"T", 4, nullptr});
  EXPECT_EQ(failed, "T,4,false" + std::string(23, ','));
  EXPECT_EQ(std::count(failed.begin(), failed.end(), ','), columns);
}

TEST(Readings, JsonlRowsSayWhetherTheUpdateSucceeded) {
  const Readings r = Sample();
  const std::string ok = JsonlRow({"2024-01-01T00:00:00.000Z", 1, &r});
  EXPECT_EQ(
      ok.rfind(R"({"time":"2024-01-01T00:00:00.000Z","update":1,"ok":true,"AD0volt":"2.500")", 0),
      0u)
      << ok;
  EXPECT_EQ(JsonlRow({"T", 2, nullptr}), R"({"time":"T","update":2,"ok":false})");
}

// What a board's identifier or an operator's text may hold, and how each format gives it: CSV
// kept from a spreadsheet's formulas, text kept from the terminal, JSON exact.
struct Hostile {
  std::size_t column;  // in kReadingNames
  std::string value;
  std::string csv;   // its cell
  std::string text;  // its value on its text line
};

TEST(Readings, HostileTextsCannotRunAsFormulasOrDriveTheTerminal) {
  constexpr std::size_t kAD0 = 0, kId = 21;
  const Hostile cases[] = {
      {kId, "Bench7", "Bench7", "Bench7"},
      {kId, "=2+5*9", R"("'=2+5*9")", "=2+5*9"},
      {kId, "@SUM(1)", "\"'@SUM(1)\"", "@SUM(1)"},
      {kId, "+1-1", R"("'+1-1")", "+1-1"},
      {kId, "-1.5", R"("'-1.5")", "-1.5"},  // an identifier is text, whatever it looks like
      {kId, "\t=1", "\"'\t=1\"", R"(\t=1)"},
      {kId, "\r=1", "\"'\r=1\"", R"(\r=1)"},
      {kId, "a\r\nb", "\"a\r\nb\"", R"(a\r\nb)"},
      {kId, "a,\"b\"", R"("a,""b""")", R"(a,"b")"},
      {kId, "\x1b[2J\x07", R"(\x1b[2J\x07)", R"(\x1b[2J\x07)"},
      {kId, "\x9b" "31m\x7f", R"(\x9b31m\x7f)", R"(\x9b31m\x7f)"},  // a Latin-1 C1 byte, DEL
      {kAD0, "-1.5", "-1.5", "-1.5"},           // a number stays a number
      {kAD0, "=1+1", R"("'=1+1")", "=1+1"},     // what is not one is not trusted
  };
  for (const Hostile& h : cases) {
    SCOPED_TRACE(kReadingNames[h.column]);
    SCOPED_TRACE(h.value);
    Readings r;
    for (std::string_view name : kReadingNames) r.emplace_back(name, std::string("0"));
    r[h.column].second = h.value;

    std::string row = "T,1,true";
    for (std::size_t i = 0; i < r.size(); ++i) row += "," + (i == h.column ? h.csv : "0");
    EXPECT_EQ(CsvRow({"T", 1, &r}), row);

    const std::string text = ReadingsText(r);
    const std::string name(kReadingNames[h.column]);
    EXPECT_NE(text.find(name + std::string(13 - name.size(), ' ') + h.text + "\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 23);

    const std::string json = ReadingsJson(r);
    QJsonParseError e{};
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(json), &e).object();
    EXPECT_EQ(e.error, QJsonParseError::NoError) << json;
    EXPECT_EQ(o[QString::fromStdString(name)].toString().toStdString(), ToUtf8(h.value));
    for (std::size_t i = 0; i < json.size(); ++i) {
      const auto c = static_cast<unsigned char>(json[i]);
      const bool c1 =
          c == 0xC2 && i + 1 < json.size() && static_cast<unsigned char>(json[i + 1]) <= 0x9F;
      EXPECT_FALSE(c < 0x20 || c == 0x7F || c1) << "raw control at " << i << ": " << json;
    }
  }
}

}  // namespace
}  // namespace vyx::console
