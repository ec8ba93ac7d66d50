#include "splitsearch/ui/split_search_window.h"
#include "cli/cli_run.h"
#include "gui_fixture.h"
#include "samples/sample_portfolios.h"

namespace voltrim::testing {
namespace {

using SplitSearchWindowTest = GuiTest;  // the Split Search window beside the main one

// A double-click on a line selects its symbol and date unless another portfolio is shown;
// each search takes the portfolio shown; saving over a file asks first.
TEST_F(SplitSearchWindowTest, FindsThePlantedSplitsSelectsThemAndSavesWhatTheCliSaves) {
  std::vector<std::string> written;
  ASSERT_EQ(WriteSamplePortfolios(drive.str(), written), kOk);
  const std::string stocks = drive.str() + "/Stocks";
  Start();
  const auto select = [this](const std::string& dir) {
    QListWidget& list = *View().PortfolioList();
    const auto found = list.findItems(QString::fromStdString(dir), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualItemRect(found.front()).center());
    ASSERT_EQ(State().portfolioDir, dir);
  };
  select(stocks);
  Trigger(command::kSplitSearch);
  ASSERT_NE(window->findChild<SplitSearchWindow*>(), nullptr);
  SplitSearchWindow& search = *window->findChild<SplitSearchWindow*>();
  search.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&search));
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
  EXPECT_EQ(search.StatusLabel()->text() + "; " + search.CountLabel()->text(),
            "Done search; 2 candidates found");
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

  select(drive.str() + "/Futures");
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

}  // namespace
}  // namespace voltrim::testing
