#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <tuple>

#include "datafiles/write/update_portfolio.h"
#include "datafiles/write_commands.h"
#include "import/import_command.h"
#include "import/import_text.h"
#include "import/update_command.h"
#include "import/update_sources.h"
#include "support/recording_prompt.h"
#include "text/number_format.h"

namespace voltrim::testing {
namespace {

constexpr std::size_t F(Field field) { return static_cast<std::size_t>(field); }

// What a file was read to: the columns given, | the columns ignored, | each quote's date,
// time and values in their shortest exact texts.
std::string Summary(const ImportText& text) {
  std::string summary;
  for (int f = 0; f < kFieldKindCount; ++f)
    if (text.given[static_cast<std::size_t>(f)])
      summary += ImportFieldTitle(static_cast<Field>(f)) + std::string(" ");
  summary += "|";
  for (const std::string& ignored : text.ignored) summary += ignored + ",";
  for (const ImportQuote& quote : text.quotes) {
    summary += "|";
    std::vector<float> numbers = {quote.date, quote.time};
    numbers.insert(numbers.end(), quote.values.begin(), quote.values.end());
    for (const float number : numbers) {
      char digits[64];
      summary.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr) += " ";
    }
  }
  return summary;
}

// The text as the file reader hands it over, in a buffer of its size with nothing after it,
// so that reading past its end is an error under AddressSanitizer.
bool ParseAsRead(const std::string& text, ImportText& out, ImportTextError& error) {
  const auto bytes = std::make_unique<char[]>(text.size());
  std::memcpy(bytes.get(), text.data(), text.size());
  return ParseImportText(std::string_view(bytes.get(), text.size()), out, error);
}

TEST(ImportTextTest, ReadsTheFilesUsersHaveAndNamesTheFirstLineThatCannotBeRead) {
  const std::string daily =
      "Date Open High Low Close Volume ||1000102 0 1.5 2 1 1.75 1000 0 |1000103 0 1.75 2.5 1.5 2 "
      "1200 0 ";
  const std::pair<std::string, std::string> cases[] = {
      {"date,time,open,high,low,close,volume,openint\n"
       "2000-01-02,,1.5,2,1,1.75,1000,\n2000-01-03,,1.75,2.5,1.5,2,1200,\n",
       daily},
      // A data site's file, with a byte order mark, CR LF and a comma in a semicolon's header.
      {"\xEF\xBB\xBF"
       "Date;Open;High;Low;Close;Adj, Close;Volume\r\n"
       "2000-01-02;1.5;2;1;1.75;1.7;1000\r\n2000-01-03;1.75;2.5;1.5;2;1.9;1200\r\n",
       "Date Open High Low Close Volume |Adj, Close," + daily.substr(daily.find('|') + 1)},
      // YYYYMMDD, quoted names, blank lines, CR line ends.
      {"\"DATE\";\"CLOSE\";\"VOL\"\r\r20000102;1.75;1000\r20000103;2;1200\r",
       "Date Close Volume ||1000102 0 0 0 0 1.75 1000 0 |1000103 0 0 0 0 2 1200 0 "},
      {"Date\tClose\tOpen Interest\n01/02/2000\t1.75\t7\n1/3/2000\t2\t8\n",
       "Date Close Open Interest ||1000102 0 0 0 0 1.75 0 7 |1000103 0 0 0 0 2 0 8 "},
      // The text export with its title row, blanks between the columns; then without it.
      {"DATE OPEN HIGH LOW CLOSE VOL OI\r\n01/02/00 1.5000 2.0000 1.0000 1.7500 1000.00 N/A\r\n"
       "01/03/00 1.7500 2.5000 1.5000 2.0000 1200.00 N/A\r\n",
       daily},
      {"01/02/00,1.5000,2.0000,1.0000,1.7500,1000.00,N/A\r\n"
       "01/03/00,1.7500,2.5000,1.5000,2.0000,1200.00,N/A\r\n",
       daily},
      {"<TICKER>,<PER>,<DATE>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>,<OPENINT>\n"
       "2HR.DE,5,20131115,090500,8.585,8.65,8.585,8.65,1713,0\n",
       "Date Time Open High Low Close Volume Open Interest |<TICKER>,<PER>,|1131115 90500 8.585 "
       "8.65 8.585 8.65 1713 0 "},
      // Dates with their times, and a time column, without a header.
      {"2013-11-15 09:05,8.585,8.65,8.585,8.65\n2013-11-15T09:15:30,1,2,3,4\n",
       "Date Time Open High Low Close ||1131115 90500 8.585 8.65 8.585 8.65 0 0 |1131115 91530 1 "
       "2 3 4 0 0 "},
      {"01/02/00,09:30,1,2,3,4,5\n",
       "Date Time Open High Low Close Volume ||1000102 93000 1 2 3 4 5 0 "},
      // Quotes and blanks on some lines of a comma file, between plain ones.
      {"Date,Close\n2000-01-02, 1.75 \n\"2000-01-03\",\"2\"\n2000-01-04,2.5\n",
       "Date Close ||1000102 0 0 0 0 1.75 0 0 |1000103 0 0 0 0 2 0 0 |1000104 0 0 0 0 2.5 0 0 "},
      // A last line without its line end, a number at the very end of the text.
      {"date,close\n2000-01-02,1.75\n2000-01-03,12.5",
       "Date Close ||1000102 0 0 0 0 1.75 0 0 |1000103 0 0 0 0 12.5 0 0 "},
      // Signs, exponents and unnamed extra columns.
      {"date,close,,note\n2000-01-02,+1e1,,x\n2000-01-03,-.5,,y\n",
       "Date Close |column 3,note,|1000102 0 0 0 0 10 0 0 |1000103 0 0 0 0 -0.5 0 0 "},
  };
  for (const auto& [text, summary] : cases) {
    ImportText read;
    ImportTextError error;
    ASSERT_TRUE(ParseAsRead(text, read, error)) << text << error.line << " " << error.reason;
    EXPECT_EQ(Summary(read), summary) << text;
  }

  const std::string head = "Date,Close,Volume\n2000-01-03,1,2\n";
  const struct {
    std::string file;
    int line;
    std::string reason;
  } refused[] = {
      {head + "2000-02-30,1,2\n", 3, "\"2000-02-30\" is not a date"},
      // Days of a month already read are read by the day alone.
      {head + "2000-02-28,1,2\n2000-02-30,1,2\n", 4, "\"2000-02-30\" is not a date"},
      {head + "2000-01-31,1,2\n2000-01-32,1,2\n", 4, "\"2000-01-32\" is not a date"},
      {head + "2140-06-04,1,2\n2140-06-05,1,2\n", 4,
       "\"2140-06-05\" lies outside the dates a data file holds (1 January 1961 to 4 June 2140)"},
      {head + "13/01/2000,1,2\n", 3, "\"13/01/2000\" is not a date"},
      {head + "2000-1-3,1,2\n", 3, "\"2000-1-3\" is not a date"},
      {head + "1960-12-31,1,2\n", 3,
       "\"1960-12-31\" lies outside the dates a data file holds (1 January 1961 to 4 June 2140)"},
      {head + "06/05/2140,1,2\n", 3,
       "\"06/05/2140\" lies outside the dates a data file holds (1 January 1961 to 4 June 2140)"},
      {head + "\n\n2000-01-04,1.5x,2\n", 5, "\"1.5x\" in column Close is not a number"},
      {head + "2000-01-04,1.5,2\n2000-01-05,1.5x", 4,
       "the line has 2 fields where 3 were expected"},
      {head + "2000-01-04,1.5,2\n2000-01-05,1,2x", 4, "\"2x\" in column Volume is not a number"},
      {head + "2000-01-04,12,5,2\n", 3, "the line has 4 fields where 3 were expected"},
      {head + "2000-01-04,1\n", 3, "the line has 2 fields where 3 were expected"},
      {head + "2000-01-04,1e39,2\n", 3,
       "\"1e39\" in column Close is beyond what a data file can hold"},
      {head + "2000-01-04,2e38,2\n", 3,
       "\"2e38\" in column Close is beyond what a data file can hold"},
      {head + "2000-01-04,1e-50,2\n", 3,
       "\"1e-50\" in column Close is beyond what a data file can hold"},
      {head + "2000-01-04,nan,2\n", 3, "\"nan\" in column Close is not a number"},
      {head + "2000-01-04,inf,2\n", 3, "\"inf\" in column Close is not a number"},
      {head + "2000-01-04,-,2\n", 3, "\"-\" in column Close is not a number"},
      {head + "2000-01-04,0x10,2\n", 3, "\"0x10\" in column Close is not a number"},
      {head + "2000-01-04,,2\n2000-01-05,1,\n", 3, "no value in column Close"},
      {"Date,Time,Close\n2000-01-03,25:00,1\n", 2, "\"25:00\" is not a time"},
      {"Date,Time,Close\n2000-01-03,09:30,1\n2000-01-04,,1\n", 3, "no time"},
      {"Close,Volume\n1,2\n", 1, "no column is named Date"},
      {"Date,Close,Last,CLOSE\n", 1, "two columns hold the Close (Close and CLOSE)"},
      {"Date,Close\n\n", 0, "the file holds no quotes"},
      {"", 0, "the file holds no quotes"},
  };
  for (const auto& c : refused) {
    ImportText file;
    ImportTextError failure;
    EXPECT_FALSE(ParseAsRead(c.file, file, failure)) << c.file;
    EXPECT_EQ(failure.line, c.line) << c.file;
    EXPECT_EQ(failure.reason, c.reason) << c.file;
  }
}

// Room for the quotes is guessed from the first 64 KB of lines: a file whose later lines are
// shorter holds many more quotes than the guess, and every one is read.
TEST(ImportTextTest, MoreLinesThanTheFirstOnesSuggest) {
  std::string text = "date,close,note\n";
  std::size_t lines = 0;
  for (; text.size() < 70000; ++lines) text += "2000-01-03,1," + std::string(200, 'x') + "\n";
  const std::size_t longLines = lines;
  for (; lines < longLines + 20000; ++lines) text += "2000-01-04,2,\n";
  ImportText read;
  ImportTextError error;
  ASSERT_TRUE(ParseAsRead(text, read, error)) << error.line << " " << error.reason;
  ASSERT_EQ(read.quotes.size(), lines);
  const auto close = [&](std::size_t i) {
    return read.quotes[i].values[F(Field::Close) - F(Field::Open)];
  };
  EXPECT_EQ(std::tuple(close(longLines - 1), close(longLines), close(lines - 1)),
            std::tuple(1.0f, 2.0f, 2.0f));
  EXPECT_EQ(read.quotes.back().line, static_cast<int>(lines) + 1);
}

// Every stored single reads back from the shortest round-trip decimal the CSV export prints;
// any decimal reads as the general conversion reads it: whole numbers and fractions of up to
// 17 digits, and those lying exactly halfway between two singles (odd numbers above 2^24,
// multiples of 1/16 above 2^20), where rounding twice would go astray.
TEST(ImportTextTest, DecimalsReadAsTheGeneralConversionReadsThem) {
  std::string csv = "date,close\n";
  std::vector<float> expected;
  const auto add = [&](const char* text, const char* end, float value) {
    csv.append("2000-01-03,").append(text, end) += '\n';
    expected.push_back(value);
  };
  std::mt19937 random(20240601);
  for (int i = 0; i < 200000; ++i) {
    const float value = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
    if (!HasMbfForm(value) || std::fpclassify(value) == FP_SUBNORMAL) continue;
    char text[kNumberTextMax];
    add(text, WriteRoundTrip(text, value), value);
  }
  std::mt19937_64 random64(34);
  for (int i = 0; i < 100000; ++i) {
    char text[40];
    const auto digits = static_cast<int>(random64() % 17) + 1;
    const auto whole = random64() % 100000000000000000u;
    const auto odd = static_cast<double>((1u << 24) + 2 * (random64() % (1u << 23)) + 1);
    if (i % 4 == 0) {
      std::snprintf(text, sizeof text, "%.0f", odd);
    } else if (i % 4 == 1) {
      std::snprintf(text, sizeof text, "%.7f",
                    std::ldexp(odd, -4 - static_cast<int>(random64() % 4)));
    } else {
      std::snprintf(text, sizeof text, "%s%.*f", i % 3 == 0 ? "-" : "",
                    static_cast<int>(random64() % static_cast<unsigned>(digits + 1)),
                    static_cast<double>(whole % 1000000000000000u) /
                        std::pow(10.0, static_cast<double>(random64() % 16)));
    }
    float value = 0.0f;
    const char* end = text + std::strlen(text);
    std::from_chars(text, end, value);
    add(text, end, value);
  }
  ImportText text;
  ImportTextError error;
  ASSERT_TRUE(ParseAsRead(csv, text, error)) << error.line << " " << error.reason;
  ASSERT_EQ(text.quotes.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(std::bit_cast<std::uint32_t>(text.quotes[i].values[F(Field::Close) - F(Field::Open)]),
              std::bit_cast<std::uint32_t>(expected[i]))
        << "line " << i + 2;
  }
}

// A file read from the disk gives what its text gives; one that cannot be read, is no
// regular file or is too large is refused with its message, without waiting on a FIFO.
TEST(ImportFile, ReadAsItsTextOrRefusedWithItsMessage) {
  TempDir temp;
  const std::string text = "date,close\n2000-01-02,1.75\n2000-01-03,12.5\n";
  WriteText(temp.path() / "q.csv", text);
  RecordingPrompt prompt;
  ImportText fromFile, fromText;
  ImportTextError error;
  ASSERT_TRUE(ReadImportFile((temp.path() / "q.csv").string(), fromFile, prompt));
  ASSERT_TRUE(ParseAsRead(text, fromText, error));
  EXPECT_EQ(Summary(fromFile), Summary(fromText));

  const std::string fifo = (temp.path() / "fifo.csv").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string large = (temp.path() / "large.csv").string();
  WriteText(large, text);
  fs::resize_file(large, kMaxImportFileBytes + 1);  // sparse: no 64 MB written
  const std::string missing = (temp.path() / "missing.csv").string();
  for (const std::string& path : {fifo, large, missing}) {
    ImportText read;
    EXPECT_FALSE(ReadImportFile(path, read, prompt)) << path;
  }
  EXPECT_EQ(prompt.MessageTexts(),
            (std::vector<std::string>{
                fifo + " cannot be read.",
                large + " cannot be imported: it is larger than 64 MB.\n\nNothing was changed.",
                missing + " cannot be read."}));
}

UpdateRequest RequestFrom(const fs::path& source, bool create) {
  UpdateSources sources;
  std::string message;
  EXPECT_TRUE(ReadUpdateSources({source.string()}, sources, message)) << message;
  return UpdateRequestOf(sources, ImportOverlap::kRefuse, create);
}

// The crash safety of an update and its undo are checked over the table of write commands,
// whose fixture this is: ACME, OTHER and X256 (XMASTER) in p.
TEST(UpdatePortfolio, CancelChangesNothingTheTotalsCountEveryKindAndNewSeriesFindRoom) {
  TempDir temp;
  MakeFixture(temp.path(), {.name = "update", .run = {}, .xmaster = true});
  WriteText(temp.path() / "day.csv", kUpdateText + "OTHER,2000-01-03,10,10.5,9.5,10.25,1000\n");
  UpdateRequest request = RequestFrom(temp.path() / "day.csv", true);
  const std::string dir = (temp.path() / "p").string();
  // The change before a cancel stays undoable: its journal is as true as before.
  const DayNumber day = Day(2000, 1, 3);
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kSet, day, day, {7, 8, 6, 7.5f, 70}), dir, "ACME"), kOk);
  UndoPlan edited, cancelled;
  ASSERT_EQ(ReadUndoPlan(dir, edited), kOk);
  const Snapshot before = TakeSnapshot(dir);
  UpdateResult result;
  request.progress = [](int done, int) { return done < 2; };
  EXPECT_EQ(UpdatePortfolio(dir, request, result), kUpdateCancelled);
  EXPECT_EQ(TakeSnapshot(dir), before);
  ASSERT_EQ(ReadUndoPlan(dir, cancelled), kOk);
  EXPECT_EQ(cancelled.what, edited.what);
  request.progress = nullptr;
  request.keptContentBytes = 0;  // each content read again at the write, as a large portfolio's
  ASSERT_EQ(UpdatePortfolio(dir, request, result), kOk);
  EXPECT_EQ(UpdateTotalsLine(result),
            "4 series: 2 updated, 1 unchanged, 1 created; 3 quotes added");
  EXPECT_EQ(ReadQuotes(dir, "NEW").size(), 1u);

  // New series go to MASTER while it has room, then to XMASTER; a full portfolio refuses.
  WriteText(temp.path() / "new.csv",
            "<TICKER>,<PER>,<DATE>,<TIME>,<OPEN>,<HIGH>,<LOW>,<CLOSE>,<VOL>,<OPENINT>\n"
            "NEWA,D,20000103,000000,1,2,0.5,1.5,100,0\n"
            "NEWB,D,20000103,000000,1,2,0.5,1.5,100,0\n");
  const UpdateRequest creating = RequestFrom(temp.path() / "new.csv", true);
  const std::string wide = WriteWideFolder(temp.path() / "wide", 1, 254);  // room for one
  ASSERT_EQ(UpdatePortfolio(wide, creating, result), kOk);
  EXPECT_EQ(std::tuple(result.series[0].index, result.series[0].fileNumber, result.series[1].index,
                       result.series[1].fileNumber),
            std::tuple(IndexFile::kMaster, 255, IndexFile::kXmaster, 257));
  EXPECT_EQ(ReadQuotes(wide, "NEWB").size(), 1u);
  EXPECT_EQ(ReadQuotes(wide, "NEWA").size(), 1u);

  PortfolioSpec counted = PortfolioOf({"A"});
  counted.headerRecordCount = 255;  // counted full, and no XMASTER
  const std::string full = Write(temp.path() / "full", counted);
  const Snapshot unchanged = TakeSnapshot(full);
  EXPECT_EQ(UpdatePortfolio(full, creating, result), kUpdateRefused);
  EXPECT_EQ(result.series[static_cast<std::size_t>(result.refusedAt)].status, kPortfolioFull);
  EXPECT_EQ(TakeSnapshot(full), unchanged);
}

}  // namespace
}  // namespace voltrim::testing
