#include <gtest/gtest.h>

#include "console_readings.h"

namespace vyx::console {
namespace {

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

}  // namespace
}  // namespace vyx::console
