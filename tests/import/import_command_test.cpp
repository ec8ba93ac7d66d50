#include <gtest/gtest.h>

#include <tuple>

#include "datafiles/fixtures.h"
#include "datafiles/format/master.h"
#include "datafiles/write/new_files.h"
#include "export/export_writer.h"
#include "import/import_command.h"
#include "import/new_portfolio.h"
#include "support/export_text.h"
#include "support/recording_prompt.h"
#include "symbols/new_symbol.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

std::string ExportOf(const SeriesLocation& series) {
  ExportSettings settings;
  settings.title = 1;
  const ExportStyle style{ExportFormat::Csv, false};
  StringSink sink;
  sink.text = ExportHeading(settings, style);
  EXPECT_EQ(WriteExportRows(sink, series, "", -1, settings, style), kOk);
  return sink.text;
}

// The quotes as stored (every byte after the header, and the header's quote count), each
// number in the form this program writes it: a value whose stored bytes are not that form
// (a zero with a nonzero exponent byte below 3, which reads as 0) cannot come back in them.
Bytes Canonical(Bytes dat, std::size_t length) {
  for (std::size_t at = length; at + 4 <= dat.size(); at += 4) {
    const MbfBytes canonical = IeeeToMbf(MbfToIeee(dat.data() + at));
    std::copy(canonical.begin(), canonical.end(), dat.begin() + static_cast<std::ptrdiff_t>(at));
  }
  dat.erase(dat.begin() + 4,
            dat.begin() + static_cast<std::ptrdiff_t>(std::min(length, dat.size())));
  dat.erase(dat.begin(), dat.begin() + 2);
  return dat;
}

// Every series of a real folder, exported and imported into a new series of the same
// columns in a new portfolio, holds the same quotes byte for byte; a series that holds a
// date twice is refused. Gives the counts of both.
std::pair<int, int> ExportAndImportFolder(const std::string& name, const fs::path& into) {
  std::pair<int, int> identicalAndRefused;
  const std::string source = (SharedDataDir() / name).string(), target = (into / name).string();
  MasterFile master;
  EXPECT_EQ(ReadMasterFile(MasterPathIn(source), master), kOk);
  EXPECT_EQ(CreatePortfolio(target), kOk);
  int n = 0;
  for (const MasterRecord& record : master.records) {
    SeriesLocation series;
    series.found = {record, WithTrailingSeparator(source)};
    if (record.IsSubdirectory() || CompleteSeriesLocation(series) != kOk ||
        !fs::exists(series.datPath))
      continue;
    const ColumnLayout& layout = series.layout;
    const std::string symbol = "S" + std::to_string(++n);
    const int columns = layout.Has(Field::Oi) ? 7 : layout.Has(Field::Open) ? 6 : 5;
    EXPECT_EQ(CreateSeries(target, NewSeries{symbol, "", columns, layout.Has(Field::Time)}),
              kSymbolAdded);
    ImportText parsed;
    ImportTextError error;
    EXPECT_TRUE(ParseImportText(ExportOf(series), parsed, error))
        << name << " " << record.Name() << ": " << error.line << " " << error.reason;
    ImportResult result;
    const Status status =
        ImportQuotes(target, symbol, ImportRequestOf(parsed, ImportOverlap::kRefuse), result);
    SeriesLocation imported;
    EXPECT_EQ(LocateSeries(target, symbol, imported), kOk);
    identicalAndRefused.second += status == kImportDuplicate;
    if (status == kImportDuplicate) continue;
    EXPECT_EQ(status, kOk) << name << " " << record.Name();
    const auto length = static_cast<std::size_t>(series.recordLength);
    const bool same = Canonical(ReadFileBytes(series.datPath), length) ==
                      Canonical(ReadFileBytes(imported.datPath), length);
    EXPECT_TRUE(same) << name << " " << record.Name();
    identicalAndRefused.first += same;
  }
  return identicalAndRefused;
}

TEST(ImportRoundTripTest, EveryRealSeriesSurvivesExportAndImport) {
  if (SharedDataDir().empty()) GTEST_SKIP() << "no shared data";
  TempDir temp;
  // Twenty of mininge's series hold a date twice (some also out of order).
  const std::tuple<const char*, int, int> folders[] = {{"bbfinance", 40, 0},
                                                       {"equis-small", 2, 0},
                                                       {"lowercase-names", 1, 0},
                                                       {"stooq-intraday", 1, 0},
                                                       {"mininge", 5, 20}};
  for (const auto& [folder, identical, refused] : folders)
    EXPECT_EQ(ExportAndImportFolder(folder, temp.path()), std::pair(identical, refused)) << folder;
}

// The messages, word for word; an import's own are checked through the CLI, which runs it.
class ImportMessagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = Write(temp_.path() / "p", Portfolio({Symbol(1, "ACME", "ACME CORP", 5)}));
  }

  TempDir temp_;
  std::string dir_;
  RecordingPrompt prompt_;
};

TEST_F(ImportMessagesTest, NewPortfolioAndNewSymbolRefusals) {
  WriteText(temp_.path() / "notes", "x");
  fs::create_directory(temp_.path() / "full");
  WriteText(temp_.path() / "full" / "readme", "x");
  EXPECT_FALSE(RunNewPortfolio((temp_.path() / "full").string(), prompt_));
  EXPECT_FALSE(RunNewPortfolio((temp_.path() / "notes").string(), prompt_));
  const SymbolPortfolio portfolio{dir_, dir_ + "/MASTER"};
  EXPECT_FALSE(RunNewSymbol(portfolio, {"", "", 7, false}, prompt_).succeeded);
  Bytes master = ReadFileBytes(temp_.path() / "p" / "MASTER");
  master[2] = 255;
  WriteFileBytes(temp_.path() / "p" / "MASTER", master);
  EXPECT_FALSE(RunNewSymbol(portfolio, {"NEW", "", 7, false}, prompt_).succeeded);
  const std::string t = temp_.str();
  EXPECT_EQ(prompt_.MessageTexts(),
            (std::vector<std::string>{
                "The portfolio could not be created.\n\nReason: " + t +
                    "/full is not empty; a new portfolio needs a new or empty folder.",
                "The portfolio could not be created.\n\nReason: " + t + "/notes is not a folder.",
                "You must enter a symbol",
                "The portfolio already has the\nmaximum number of symbols (255).\nChoose a "
                "different or new portfolio."}));
}

}  // namespace
}  // namespace voltrim::testing
