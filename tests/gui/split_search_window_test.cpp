#include "splitsearch/ui/split_search_window.h"

#include <QCheckBox>
#include <QTreeWidget>

#include <sstream>

#include "cli/cli_run.h"
#include "datafiles/io/change_journal.h"
#include "gui_fixture.h"
#include "samples/sample_portfolios.h"

namespace voltrim::testing {
namespace {

// The Split Search window beside the main one, on the demonstration portfolios.
struct SplitSearchWindowTest : GuiTest {
  void SelectPortfolio(const std::string& dir) {
    QListWidget& list = *View().PortfolioList();
    const auto found = list.findItems(QString::fromStdString(dir), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualItemRect(found.front()).center());
    ASSERT_EQ(State().portfolioDir, dir);
  }
  int RowOf(GridView& grid, const QString& text) {
    const auto found =
        grid.model()->match(grid.model()->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchExactly);
    EXPECT_EQ(found.size(), 1) << text.toStdString();
    return found.isEmpty() ? -1 : found[0].row();
  }
  SplitSearchWindow& OpenSearch() {
    Trigger(command::kSplitSearch);
    auto* search = window->findChild<SplitSearchWindow*>();
    EXPECT_NE(search, nullptr);
    search->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(search));
    return *search;
  }
};

// What Save As and voltrim-cli save without the line ends: the lines as listed.
std::vector<std::string> CliLines(const std::vector<std::string>& words) {
  const CliResult result = RunCli(words);
  EXPECT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> lines;
  std::istringstream in(result.out);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A double-click on a line selects its symbol and date unless another portfolio is shown;
// each search takes the portfolio shown; saving over a file asks first.
TEST_F(SplitSearchWindowTest, FindsThePlantedSplitsSelectsThemAndSavesWhatTheCliSaves) {
  std::vector<std::string> written;
  ASSERT_EQ(WriteSamplePortfolios(drive.str(), written), kOk);
  const std::string stocks = drive.str() + "/Stocks";
  Start();
  SelectPortfolio(stocks);
  SplitSearchWindow& search = OpenSearch();
  EXPECT_EQ(search.windowTitle(), "Split Search");
  EXPECT_FALSE(Enabled(command::kSplitSearch));
  EXPECT_FALSE(Enabled(command::kSymbolEdit));
  EXPECT_TRUE(Enabled(command::kSymbolDelete));
  EXPECT_FALSE(search.SaveAsButton()->isEnabled());
  QListWidget& list = *search.Results();
  const auto lines = [&list] {
    QStringList lines;
    for (int i = 0; i < list.count(); ++i) lines << list.item(i)->text();
    return lines;
  };
  // A press, a release and then the double-click press, as a mouse sends.
  const auto doubleClick = [&list](int row) {
    const QPoint at = list.visualItemRect(list.item(row)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
  };
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  const QStringList first = lines();
  ASSERT_EQ(first.size(), 2);
  EXPECT_TRUE(first[0].startsWith("BOLT possible 2 for 1 split on ")) << first[0].toStdString();
  EXPECT_TRUE(first[1].startsWith("DYNA possible 1 for 4 split on ")) << first[1].toStdString();
  const auto likely = CliLines({"split-search", stocks, "--ranked", "--min-score", "50"});
  EXPECT_EQ(search.StatusLabel()->text() + "; " + search.CountLabel()->text(),
            QString("Done search; 2 candidates found, %1 likely").arg(likely.size()));
  doubleClick(1);
  EXPECT_EQ(Title(), "Voltrim - " + stocks + " - DYNA");
  EXPECT_EQ(Cell(Quotes(), State().quotes.currentRow, 0), first[1].section(' ', -1));
  EXPECT_EQ(Quotes().SelectedRow(), State().quotes.currentRow);

  // The file dialogs take `saved` until the last, which is cancelled.
  const TempDir out;
  const std::string saved = out.str() + "/window.txt", cli = out.str() + "/cli.txt";
  int offers = 0;
  const auto saveAs = [&](int times) {
    onDialog = [&, times, answered = 0](QDialog& dialog) mutable {
      ++offers;
      auto& files = dynamic_cast<QFileDialog&>(dialog);
      EXPECT_EQ(files.defaultSuffix(), "txt");
      if (answered++ == times) return int(QDialog::Rejected);
      files.selectFile(QString::fromStdString(saved));
      return int(QDialog::Accepted);
    };
    QTest::mouseClick(search.SaveAsButton(), Qt::LeftButton);
  };
  saveAs(1);
  ASSERT_EQ(RunCli({"split-search", stocks, "-o", cli}).exitCode, 0);
  EXPECT_FALSE(ReadText(cli).empty());
  EXPECT_EQ(ReadText(saved), ReadText(cli));
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  EXPECT_EQ(lines(), first + first);
  answers.push_back(QMessageBox::No);  // No goes back to the file dialog, here cancelled
  saveAs(1);
  EXPECT_EQ(offers, 3);
  EXPECT_EQ(ReadText(saved), ReadText(cli));

  SelectPortfolio(drive.str() + "/Futures");
  const std::string shown = State().quotes.loadedSymbol;
  doubleClick(1);
  EXPECT_EQ(State().quotes.loadedSymbol, shown);
  EXPECT_EQ(State().portfolioDir, drive.str() + "/Futures");
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  EXPECT_EQ(Texts(),
            (std::vector<std::string>{saved + " already exists.\nDo you want to replace it?",
                                      "No candidate splits found"}));
  QTest::keyClick(&search, Qt::Key_Escape);
  EXPECT_FALSE(State().splitSearchOpen);
  EXPECT_TRUE(Enabled(command::kSplitSearch));
  EXPECT_TRUE(Enabled(command::kSymbolEdit));
}

// "Most likely first" lists what split-search --ranked prints; Enter Split on BOLT's line
// (its planted 2 for 1) loads the series, opens the split filled in, and leaves what the
// split typed by hand on the same quote leaves; Edit > Undo takes it back.
TEST_F(SplitSearchWindowTest, RankedViewIsTheCliOrderAndEnterSplitWritesWhatTheDialogByHandDoes) {
  std::vector<std::string> written;
  ASSERT_EQ(WriteSamplePortfolios((drive.path() / "a").string(), written), kOk);
  ASSERT_EQ(WriteSamplePortfolios((drive.path() / "b").string(), written), kOk);
  const std::string a = drive.str() + "/a/Stocks", b = drive.str() + "/b/Stocks";
  const Snapshot before = TakeSnapshot(a);
  Start();
  SelectPortfolio(a);
  SplitSearchWindow& search = OpenSearch();
  QTest::mouseClick(search.SearchButton(), Qt::LeftButton);
  EXPECT_FALSE(search.EnterSplitButton()->isEnabled());
  Click(search.MostLikelyFirst());
  QTreeWidget& ranked = *search.Ranked();
  ASSERT_TRUE(ranked.isVisible());
  std::vector<std::string> shown;
  for (int i = 0; i < ranked.topLevelItemCount(); ++i) {
    const QTreeWidgetItem& item = *ranked.topLevelItem(i);
    shown.push_back((item.text(0) + "\t" + item.text(1) + "\t" + item.text(2)).toStdString());
  }
  EXPECT_EQ(shown, CliLines({"split-search", a, "--ranked"}));
  const auto bolt = std::find_if(shown.begin(), shown.end(), [](const std::string& line) {
    return line.starts_with("BOLT possible 2 for 1 split on ");
  });
  ASSERT_NE(bolt, shown.end());
  const std::string date = bolt->substr(bolt->find('\t') - 8, 8);
  const QRect line =
      ranked.visualItemRect(ranked.topLevelItem(static_cast<int>(bolt - shown.begin())));
  QTest::mouseClick(ranked.viewport(), Qt::LeftButton, Qt::NoModifier, line.center());
  ASSERT_TRUE(search.EnterSplitButton()->isEnabled());
  // The reason in full below the list, as its column may cut it.
  EXPECT_EQ(LabelOf(search, "reason").toStdString(), "Why: " + bolt->substr(bolt->rfind('\t') + 1));
  std::vector<std::string> filled;
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    for (const char* field : {"date", "newShares", "oldShares"})
      filled.push_back(FieldOf(dialog, field)->text().toStdString());
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  QTest::mouseClick(search.EnterSplitButton(), Qt::LeftButton);
  EXPECT_EQ(filled, (std::vector<std::string>{date, "2", "1"}));
  EXPECT_EQ(Title(), "Voltrim - " + a + " - BOLT");
  const Snapshot entered = TakeSnapshot(a);
  EXPECT_NE(entered, before);
  EXPECT_EQ(settings.GetString("Split", "New", ""), "2");

  // By hand on the other copy: BOLT's row, the quote of that date, Quotes > Split.
  SelectPortfolio(b);
  const int boltRow = RowOf(Symbols(), "BOLT");
  ClickRow(Symbols(), boltRow);
  const Request byHand{boltRow,
                       RowOf(Quotes(), QString::fromStdString(date)),
                       command::kQuoteSplit,
                       {{"newShares", "2"}, {"oldShares", "1"}},
                       {},
                       {{"date", date.c_str()}}};
  EXPECT_EQ(Make(byHand), "closed");
  const auto lasting = [](const std::string& dir) {
    Snapshot files = TakeSnapshot(dir);
    std::erase_if(
        files, [](const auto& f) { return IsUndoFileName(fs::path(f.first).filename().string()); });
    return files;
  };
  EXPECT_EQ(lasting(b), lasting(a));

  // The context menu offers Enter Split too; Cancel writes nothing. Then the undo.
  SelectPortfolio(a);
  onDialog = [](QDialog&) { return int{QDialog::Rejected}; };
  ASSERT_EQ(ranked.actions().size(), 1);
  ranked.actions()[0]->trigger();
  EXPECT_EQ(TakeSnapshot(a), entered);
  Trigger(command::kEditUndo);
  EXPECT_EQ(TakeSnapshot(a), before);
}

}  // namespace
}  // namespace voltrim::testing
