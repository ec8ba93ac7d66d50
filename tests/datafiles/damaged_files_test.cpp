#include <gtest/gtest.h>

#include "datafiles/series.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

// One way a series' files can be damaged, and the status every reader must give for it.
struct Damage {
  const char* what;
  int recordLengthByte = 0, fieldCountByte = 0;  // stored header bytes; 0 = as written
  Bytes datHead = {};                            // bytes written over the DAT's start
  bool datIsHeadOnly = false;                    // ...or as the whole DAT
  const char* dop = nullptr;                     // DOP text written instead
  bool datMissing = false, noLayout = false;
  Status expected = kDamagedFile;
};

TEST(DamagedFiles, EveryReaderRefusesWithAStatus) {
  const Damage damages[] = {
      {.what = "record length not 4 x fields", .recordLengthByte = 20},
      {.what = "negative record length", .recordLengthByte = 0xE8},
      {.what = "no fields", .recordLengthByte = 0x100, .fieldCountByte = 0x100},
      {.what = "twenty fields", .recordLengthByte = 80, .fieldCountByte = 20},
      {.what = "last record 0", .datHead = {0, 0, 0, 0}},
      {.what = "last record negative", .datHead = {0, 0, 0xFF, 0xFF}},
      {.what = "DAT shorter than its header", .datHead = {0, 0, 5}, .datIsHeadOnly = true},
      {.what = "DAT missing", .datMissing = true, .expected = kFileOpen},
      {.what = "DOP without DATE", .dop = "\"CLOSE\",2,2\r\n"},
      {.what = "DOP position past the fields",
       .dop = "\"DATE\",0,0\n\"OPEN\",0,0\n\"HIGH\",0,0\n\"LOW\",0,0\n\"CLOSE\",0,0\n\"VOL\",0,0\n"
              "\"OI\",0,0\n"},
      {.what = "DOP line without codes", .dop = "\"DATE\",0,0\n\"CLOSE\"\n"},
      {.what = "no DOP, a length without a layout", .noLayout = true, .expected = kNoLayout},
  };
  for (const Damage& d : damages) {
    SCOPED_TRACE(d.what);
    TempDir tmp;
    SeriesSpec series = MakeDailySeries(1, "S", "", Quotes(20), !d.noLayout);
    series.recordLengthByte = d.recordLengthByte;
    series.fieldCountByte = d.fieldCountByte;
    if (d.noLayout) {
      series.fields.insert(series.fields.end(), {Field::Oi, Field::Time});
      for (auto& r : series.records) r.insert(r.end(), {0.0f, 0.0f});
    }
    Write(tmp.path(), Portfolio({SeriesEntry(series)}));
    const auto dat = tmp.path() / "F1.DAT";
    if (d.datMissing) std::filesystem::remove(dat);
    if (d.dop != nullptr) WriteText(tmp.path() / "F1.DOP", d.dop);
    if (!d.datHead.empty()) {
      Bytes bytes = d.datIsHeadOnly ? Bytes{} : ReadFileBytes(dat);
      bytes.resize(std::max(bytes.size(), d.datHead.size()));
      std::copy(d.datHead.begin(), d.datHead.end(), bytes.begin());
      WriteFileBytes(dat, bytes);
    }

    SeriesBuffer buffer;
    ASSERT_EQ(AllocSeriesBuffer(buffer, 400), kOk);
    EXPECT_EQ(ReadSeries(buffer, tmp.str(), "S", 0, -1), d.expected);
    EXPECT_EQ(ReadSeries(buffer, tmp.str(), "S", -1, 400), d.expected);
    EXPECT_EQ(FindQuote(tmp.str(), "S", Day(2000, 1, 3), 0), d.expected);
    SeriesLocation location;
    const Status located = LocateSeries(tmp.str(), "S", location);
    std::int16_t last = 0;
    EXPECT_EQ(located == kOk ? ReadDatLastRecord(location.datPath, last) : located, d.expected);
  }
}

}  // namespace
}  // namespace voltrim::testing
