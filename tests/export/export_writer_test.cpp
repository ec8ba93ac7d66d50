#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "datafiles/fixtures.h"
#include "export/export_command.h"
#include "export/portfolio_export.h"
#include "export/portfolio_series.h"
#include "samples/sample_portfolios.h"
#include "settings/settings_store.h"
#include "support/recording_prompt.h"

namespace voltrim::testing {
namespace {

// Keeps everything an export writes.
class StringSink : public TextSink {
 public:
  void Write(std::string_view piece) override { text.append(piece); }
  std::string text;
};

std::string ExportText(const std::string& dir, const std::string& symbol, int quoteCount,
                       const ExportSettings& settings) {
  StringSink sink;
  WriteExportText(sink, dir, symbol, quoteCount, settings);
  return sink.text;
}

// The lines of the date and close alone.
std::vector<std::string> CloseLines(const TempDir& dir, int newest, int quoteCount) {
  ExportSettings settings;
  settings.omit = {1, 1, 1, 0, 1, 1};
  settings.newest = newest;
  const std::string text = ExportText(dir.str(), "XYZ", quoteCount, settings);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  return lines;
}

// XYZ's quotes: quote i closes at 10.25 + i, so every line names its own index.
const std::vector<DailyQuote> kXyz = Quotes(2 * kExportWindow + 3);
std::string Line(int index) {
  char close[32];
  std::snprintf(close, sizeof close, " %.4f", 10.25 + index);
  return FormatUserDate(kXyz[static_cast<std::size_t>(index)].day) + close;
}

// Series longer than a read window come out whole both ways; newest first walks down from
// the grid's count (fewer starts lower, more finds nothing), oldest first reads to the end.
TEST(ExportWriter, LongSeriesAcrossReadWindowsAndTheGridCount) {
  TempDir dir;
  const int quotes = static_cast<int>(kXyz.size());
  Write(dir.path(), Portfolio({SeriesEntry(MakeDailySeries(1, "XYZ", "", kXyz))}));
  std::vector<std::string> oldest;
  for (int index = 0; index < quotes; ++index) oldest.push_back(Line(index));
  EXPECT_EQ(CloseLines(dir, 0, 1), oldest);
  EXPECT_EQ(CloseLines(dir, 1, quotes), std::vector<std::string>(oldest.rbegin(), oldest.rend()));
  EXPECT_EQ(CloseLines(dir, 1, 2), (std::vector<std::string>{Line(1), Line(0)}));
  EXPECT_TRUE(CloseLines(dir, 1, quotes + 1).empty());

  // Quotes the header counts but the file does not hold end the text without a message.
  const auto dat = dir.path() / "F1.DAT";
  fs::resize_file(dat, fs::file_size(dat) - 4 * 24);
  oldest.resize(oldest.size() - 4);
  EXPECT_EQ(CloseLines(dir, 0, quotes), oldest);
  EXPECT_TRUE(CloseLines(dir, 1, quotes).empty());  // starts at a quote that is not there

  // Columns keep their order; one the series lacks shows N/A (a volume of zero is a value);
  // omitted ones (any nonzero flag) leave no delimiter behind; a delimiter other than comma
  // or tab is a space.
  TempDir one;
  SeriesSpec lacking = MakeDailySeries(1, "XYZ", "", {});
  lacking.fields = {Field::Date, Field::High, Field::Low, Field::Close, Field::Vol, Field::Oi};
  lacking.records = {{990104, 12.75f, 12.25f, 12.625f, 0.0f, 250.5f}};
  Write(one.path(), Portfolio({SeriesEntry(lacking)}));
  ExportSettings chosen;
  chosen.title = 1;
  chosen.delimiter = 5;
  chosen.omit = {0, 7, 0, -1, 0, 0};
  EXPECT_EQ(ExportText(one.str(), "XYZ", 1, chosen),
            "DATE OPEN LOW VOL OI\r\n01/04/99 N/A 12.2500 0.00 250.50\r\n");
}

// Read from one listing of the folder, the whole-portfolio export is still each readable
// series' own export in index order, every line led by its symbol, and names the unreadable
// ones in that order: a wide folder missing data files, with a FIFO, a device and a link
// loop where data files should be (refused without waiting), a FIFO for a DOP file, names
// in lower case and layouts without a DOP file; the demonstration and every real folder.
TEST(WideFolderExport, WholePortfolioIsEachSeriesOwnExportAndNamesWhatItLeavesOut) {
  TempDir temp;
  const std::string wide = WriteWideFolder(temp.path() / "wide", 45);
  const fs::path at(wide);
  for (int n : {1, 2, 3, 4, 9, 10, 100, 255}) fs::remove(at / DatFileName(n));
  fs::remove(at / MwdFileName(300));
  ASSERT_EQ(mkfifo((at / DatFileName(2)).c_str(), 0600), 0);
  fs::create_symlink("/dev/urandom", at / DatFileName(3));
  fs::create_symlink(DatFileName(4), at / DatFileName(4));
  fs::remove(at / DopFileName(5));
  ASSERT_EQ(mkfifo((at / DopFileName(5)).c_str(), 0600), 0);
  fs::rename(at / DatFileName(6), at / "f6.dat");
  fs::rename(at / MwdFileName(299), at / "f299.mwd");
  fs::remove(at / DopFileName(7));
  std::vector<std::string> written, dirs = {wide};
  ASSERT_EQ(WriteSamplePortfolios(temp.str() + "/demo", written), kOk);
  for (const char* name : {"Stocks", "Futures", "Legacy"})
    dirs.push_back(temp.str() + "/demo/" + name);
  if (!SharedDataDir().empty() && fs::exists(SharedDataDir())) {
    for (const auto& entry : fs::directory_iterator(SharedDataDir()))
      if (entry.is_directory()) dirs.push_back(entry.path().string());
  }
  const ExportSettings settings{};
  for (const std::string& dir : dirs) {
    SCOPED_TRACE(dir);
    std::vector<ListedSeries> listed;
    ASSERT_EQ(ListPortfolioSeries(dir, listed), kOk);
    std::string expected;
    std::vector<std::string> unreadable;
    for (const ListedSeries& series : listed) {
      const std::string& symbol = series.symbolText;
      SeriesBuffer buffer(1);
      SeriesLocation location;
      if (LocateAnySeries(dir, symbol, location) != kOk ||
          ReadSeriesAt(buffer, location, 0, 0) != kOk) {
        unreadable.push_back(symbol);
        continue;
      }
      std::istringstream lines(ExportText(dir, symbol, buffer.Total(), settings));
      for (std::string line; std::getline(lines, line);) expected += symbol + " " + line + "\n";
    }
    StringSink all;
    std::vector<SkippedSeries> skipped;
    const auto openFiles = [] {
      return std::distance(fs::directory_iterator("/proc/self/fd"), {});
    };
    const auto openBefore = openFiles();
    ASSERT_EQ(WritePortfolioExport(all, dir, settings, ExportFormat::Text, skipped), kOk);
    EXPECT_EQ(openFiles(), openBefore);  // every file read is closed again
    EXPECT_TRUE(all.text == expected) << all.text.substr(0, 2000);
    std::vector<std::string> named;
    for (const SkippedSeries& series : skipped)
      named.push_back(dir == wide ? series.symbol + " " + series.file : series.symbol);
    if (dir == wide) {
      EXPECT_EQ(named,
                (std::vector<std::string>{"M1 F1.DAT", "M2 F2.DAT", "M3 F3.DAT", "M4 F4.DAT",
                                          "M5 F5.DAT", "M9 F9.DAT", "M10 F10.DAT", "M100 F100.DAT",
                                          "M255 F255.DAT", "X300 F300.MWD"}));
      for (const char* shown : {"M6 01/03/00", "M7 01/03/00", "X299 01/03/00"})
        EXPECT_NE(all.text.find(shown), std::string::npos) << shown;
    } else {
      EXPECT_EQ(named, unreadable);
    }
  }
}

// The choices are saved only when the file is written, under the names earlier versions
// read, or when it cannot be created (whose message is checked through the CLI).
TEST(ExportCommandTest, AsksBeforeReplacingSavesTheChoicesAndSaysWhatWentWhere) {
  TempDir dir;
  SettingsStore store;
  RecordingPrompt prompt;
  ASSERT_TRUE(store.OpenRoot((dir.path() / "settings.conf").string()).ok);
  const DailyQuote quote = {DateFloatToDay(990104.0f), 12.5f, 12.75f, 12.25f, 12.625f, 15000};
  const std::string portfolio =
      Write(dir.path() / "data", Portfolio({SeriesEntry(MakeDailySeries(1, "XYZ", "", {quote}))}));
  const auto run = [&](const fs::path& file, int format = 0) {
    ExportSettings chosen;
    chosen.fileName = file.string();
    chosen.delimiter = 1;
    chosen.format = format;
    chosen.omit[static_cast<std::size_t>(ExportColumn::OpenInterest)] = 1;
    return RunExport(portfolio, "XYZ", 1, chosen, store, prompt);
  };
  const auto file = dir.path() / "out.txt";
  WriteFileBytes(file, std::vector<unsigned char>(500, 'k'));  // longer than the export
  prompt.AnswerNext(false);
  EXPECT_EQ(run(file), ExportOutcome::Declined);
  EXPECT_EQ(prompt.questions,
            std::vector<std::string>{file.string() +
                                     "\nThis file already exists\n\nReplace existing file?"});
  EXPECT_EQ(ReadText(file), std::string(500, 'k'));
  EXPECT_EQ(LoadExportSettings(store).fileName, "output.txt");
  EXPECT_TRUE(prompt.beeps.empty());

  prompt.AnswerNext(true);
  EXPECT_EQ(run(file), ExportOutcome::Written);
  EXPECT_EQ(ReadText(file), "01/04/99,12.5000,12.7500,12.2500,12.6250,15000.00\r\n");
  EXPECT_EQ(LoadExportSettings(store).fileName, file.string());
  EXPECT_EQ(store.GetInt("XportSel", "OmitOI", -7), 1);
  EXPECT_EQ(prompt.beeps, std::vector<BeepKind>{BeepKind::Information});
  EXPECT_TRUE(prompt.messages.empty());
  const auto csv = dir.path() / "new.csv";
  EXPECT_EQ(run(csv, 1), ExportOutcome::Written);
  EXPECT_EQ(prompt.questions.size(), 2u);  // none for a new file
  EXPECT_EQ(ReadText(csv),
            "date,time,open,high,low,close,volume\n1999-01-04,,12.5,12.75,12.25,12.625,15000\n");
  EXPECT_EQ(prompt.statusTexts.back(), "Exported 1 quote to " + csv.string());
  EXPECT_EQ(LoadExportSettings(store).format, 1);
  EXPECT_EQ(ExportedText(250, "/x/y.txt"), "Exported 250 quotes to /x/y.txt");

  const auto missing = dir.path() / "no such folder" / "out.txt";
  EXPECT_EQ(run(missing), ExportOutcome::Failed);
  EXPECT_EQ(prompt.MessageTexts().size(), 1u);
  EXPECT_EQ(LoadExportSettings(store).fileName, missing.string());
  EXPECT_FALSE(fs::exists(missing.parent_path()));
  EXPECT_EQ(prompt.beeps.size(), 2u);

  EXPECT_EQ(ExportPathIn("out.txt", "/home/ann/Documents"), "/home/ann/Documents/out.txt");
  EXPECT_EQ(ExportPathIn("sub/out.txt", "/home/ann"), "/home/ann/sub/out.txt");
  EXPECT_EQ(ExportPathIn("/tmp/out.txt", "/home/ann"), "/tmp/out.txt");
  EXPECT_EQ(ExportPathIn("", "/home/ann"), "");
  EXPECT_NE(ExportFolder(), fs::current_path().string());
}

}  // namespace
}  // namespace voltrim::testing
