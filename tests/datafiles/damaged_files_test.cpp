#include <gtest/gtest.h>

#include <functional>

#include "datafiles/series.h"
#include "fixtures.h"
#include "support/temp_dir.h"

namespace voltrim {
namespace {

using testing::NumberedQuotes;
using testing::OneSeries;
using testing::TempDir;

// Every damaged series is refused by every reader with a status: nothing crashes, nothing
// reads outside what the files hold.
struct Damage {
  const char* what;
  std::function<void(SeriesSpec&)> plan;                    // before writing
  std::function<void(const std::filesystem::path&)> files;  // after writing
  Status expected;
};

std::vector<Damage> Damages() {
  auto patchDat = [](std::vector<unsigned char> header) {
    return [header](const std::filesystem::path& dir) {
      auto bytes = testing::ReadFileBytes(dir / "F1.DAT");
      bytes.resize(std::max(bytes.size(), header.size()));
      std::copy(header.begin(), header.end(), bytes.begin());
      testing::WriteFileBytes(dir / "F1.DAT", bytes);
    };
  };
  auto writeDop = [](std::string text) {
    return [text](const std::filesystem::path& dir) {
      testing::WriteFileBytes(dir / "F1.DOP", std::vector<unsigned char>(text.begin(), text.end()));
    };
  };
  auto none = [](const std::filesystem::path&) {};
  auto keep = [](SeriesSpec&) {};
  return {
      {"record length not 4 x fields", [](SeriesSpec& s) { s.recordLengthByte = 20; }, none,
       kDamagedFile},
      {"negative record length", [](SeriesSpec& s) { s.recordLengthByte = 0xE8; }, none,
       kDamagedFile},
      {"no fields",
       [](SeriesSpec& s) {
         s.fieldCountByte = 0x100;
         s.recordLengthByte = 0x100;
       },
       none, kDamagedFile},
      {"twenty fields",
       [](SeriesSpec& s) {
         s.fieldCountByte = 20;
         s.recordLengthByte = 80;
       },
       none, kDamagedFile},
      {"last record 0", keep, patchDat({0, 0, 0, 0}), kDamagedFile},
      {"last record negative", keep, patchDat({0, 0, 0xFF, 0xFF}), kDamagedFile},
      {"DAT shorter than its header", keep,
       [](const std::filesystem::path& dir) {
         testing::WriteFileBytes(dir / "F1.DAT", {0, 0, 5});
       },
       kDamagedFile},
      {"DAT missing", keep,
       [](const std::filesystem::path& dir) { std::filesystem::remove(dir / "F1.DAT"); },
       kFileOpen},
      {"DOP without DATE", keep, writeDop("\"CLOSE\",2,2\r\n"), kDamagedFile},
      {"DOP position past the fields", keep,
       writeDop("\"DATE\",0,0\n\"OPEN\",0,0\n\"HIGH\",0,0\n\"LOW\",0,0\n\"CLOSE\",0,0\n\"VOL\",0,"
                "0\n\"OI\",0,0\n"),
       kDamagedFile},
      {"DOP line without codes", keep, writeDop("\"DATE\",0,0\n\"CLOSE\"\n"), kDamagedFile},
      {"no DOP and a length without a layout",
       [](SeriesSpec& s) {
         s.writeDop = false;
         s.fields.push_back(Field::Oi);
         s.fields.push_back(Field::Time);
         for (auto& r : s.records) r.insert(r.end(), {0.0f, 0.0f});
       },
       none, kNoLayout},
  };
}

TEST(DamagedFiles, EveryReaderRefusesWithAStatus) {
  for (const Damage& damage : Damages()) {
    SCOPED_TRACE(damage.what);
    TempDir tmp;
    SeriesSpec series = MakeDailySeries(1, "S", "", NumberedQuotes(20));
    damage.plan(series);
    ASSERT_EQ(WritePortfolio(tmp.str(), OneSeries(series)), kOk);
    damage.files(tmp.path());

    SeriesLocation location;
    const Status located = LocateSeries(tmp.str(), "S", location);
    SeriesBuffer buffer;
    ASSERT_EQ(AllocSeriesBuffer(buffer, 400), kOk);
    EXPECT_EQ(ReadSeries(buffer, tmp.str(), "S", 0, -1), damage.expected);
    EXPECT_EQ(ReadSeries(buffer, tmp.str(), "S", -1, 400), damage.expected);
    EXPECT_EQ(FindQuote(tmp.str(), "S", 14247, 0), damage.expected);
    if (located == kOk) {
      std::int16_t last = 0;
      EXPECT_EQ(ReadDatLastRecord(location.datPath, last), damage.expected);
    } else {
      EXPECT_EQ(located, damage.expected);
    }
  }
}

TEST(DamagedFiles, TruncatedDatMakesFindQuoteFailNotGuess) {
  TempDir tmp;
  ASSERT_EQ(WritePortfolio(tmp.str(), OneSeries(MakeDailySeries(1, "S", "", NumberedQuotes(100)))),
            kOk);
  auto bytes = testing::ReadFileBytes(tmp.path() / "F1.DAT");
  bytes.resize(24 * 10);
  testing::WriteFileBytes(tmp.path() / "F1.DAT", bytes);
  EXPECT_EQ(FindQuote(tmp.str(), "S", NumberedQuotes(100)[80].day, 0), kFileRead);
}

}  // namespace
}  // namespace voltrim
