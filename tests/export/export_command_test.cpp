#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafiles/fixtures.h"
#include "export/export_command.h"
#include "settings/settings_store.h"
#include "support/recording_prompt.h"

namespace voltrim::testing {
namespace {

class ExportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(store_.OpenRoot((dir_.path() / "settings.conf").string()).ok);
    const DayNumber day = DateFloatToDay(990104.0f);
    const DailyQuote quote = {day, 12.5f, 12.75f, 12.25f, 12.625f, 15000};
    Write(portfolio_, Portfolio({SeriesEntry(MakeDailySeries(1, "XYZ", "XYZ CORP", {quote}))}));
  }

  ExportSettings Chosen(const std::filesystem::path& file) {
    ExportSettings chosen;
    chosen.fileName = file.string();
    chosen.delimiter = 1;
    chosen.omit[static_cast<std::size_t>(ExportColumn::OpenInterest)] = 1;
    return chosen;
  }

  ExportOutcome Run(const ExportSettings& chosen) {
    return RunExport(portfolio_.string(), "XYZ", 1, chosen, store_, prompt_);
  }

  TempDir dir_;
  std::filesystem::path portfolio_ = dir_.path() / "data";
  SettingsStore store_;
  RecordingPrompt prompt_;
};

// An existing file is replaced only on Yes; the choices are saved only when it is, under
// the names earlier versions read.
TEST_F(ExportCommandTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
  const auto file = dir_.path() / "out.txt";
  WriteFileBytes(file, std::vector<unsigned char>(500, 'k'));  // longer than the export
  prompt_.AnswerNext(false);
  EXPECT_EQ(Run(Chosen(file)), ExportOutcome::Declined);
  EXPECT_EQ(prompt_.questions,
            std::vector<std::string>{file.string() +
                                     "\nThis file already exists\n\nReplace existing file?"});
  EXPECT_EQ(ReadText(file), std::string(500, 'k'));
  EXPECT_EQ(LoadExportSettings(store_).fileName, "output.txt");
  EXPECT_TRUE(prompt_.beeps.empty());

  prompt_.AnswerNext(true);
  EXPECT_EQ(Run(Chosen(file)), ExportOutcome::Written);
  EXPECT_EQ(ReadText(file), "01/04/99,12.5000,12.7500,12.2500,12.6250,15000.00\r\n");
  EXPECT_EQ(LoadExportSettings(store_).fileName, file.string());
  EXPECT_EQ(store_.GetInt("XportSel", "OmitOI", -7), 1);
  EXPECT_EQ(prompt_.beeps, std::vector<BeepKind>{BeepKind::Information});
  EXPECT_TRUE(prompt_.messages.empty());
  EXPECT_EQ(Run(Chosen(dir_.path() / "new.txt")), ExportOutcome::Written);
  EXPECT_EQ(prompt_.questions.size(), 2u);  // none for a new file
}

// The message itself is checked through the CLI.
TEST_F(ExportCommandTest, UncreatableFileFailsAfterSavingChoicesAndCreatesNoFolder) {
  const auto missing = dir_.path() / "no such folder" / "out.txt";
  EXPECT_EQ(Run(Chosen(missing)), ExportOutcome::Failed);
  EXPECT_EQ(prompt_.MessageTexts().size(), 1u);
  EXPECT_EQ(LoadExportSettings(store_).fileName, missing.string());
  EXPECT_FALSE(std::filesystem::exists(missing.parent_path()));
  EXPECT_TRUE(prompt_.beeps.empty());
}

// The status line after an export, CSV as the CLI writes it, and where a bare name goes.
TEST_F(ExportCommandTest, SaysHowManyQuotesWentWhereAndWritesCsvWhenChosen) {
  const auto file = dir_.path() / "out.csv";
  ExportSettings chosen = Chosen(file);
  chosen.format = 1;
  EXPECT_EQ(Run(chosen), ExportOutcome::Written);
  EXPECT_EQ(ReadText(file),
            "date,time,open,high,low,close,volume\n1999-01-04,,12.5,12.75,12.25,12.625,15000\n");
  EXPECT_EQ(prompt_.statusTexts, std::vector<std::string>{"Exported 1 quote to " + file.string()});
  EXPECT_EQ(LoadExportSettings(store_).format, 1);
  EXPECT_EQ(ExportedText(250, "/x/y.txt"), "Exported 250 quotes to /x/y.txt");

  EXPECT_EQ(ExportPathIn("out.txt", "/home/ann/Documents"), "/home/ann/Documents/out.txt");
  EXPECT_EQ(ExportPathIn("sub/out.txt", "/home/ann"), "/home/ann/sub/out.txt");
  EXPECT_EQ(ExportPathIn("/tmp/out.txt", "/home/ann"), "/tmp/out.txt");
  EXPECT_EQ(ExportPathIn("", "/home/ann"), "");
  EXPECT_NE(ExportFolder(), std::filesystem::current_path().string());
}

}  // namespace
}  // namespace voltrim::testing
