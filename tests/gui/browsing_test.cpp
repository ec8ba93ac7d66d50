#include <QHeaderView>
#include <QLabel>

#include "browser/command_ids.h"
#include "gui_fixture.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

using BrowsingTest = GuiTest;

TEST_F(BrowsingTest, ArrowKeysMoveTheTitleButNotTheQuotesAndAClickReloads) {
  const std::string dir = Portfolio("p", PortfolioOf({"AAA", "BBB", "CCC"}, 20));
  Start();
  ASSERT_EQ(Quotes().model()->rowCount(), 20);

  Symbols().setFocus();
  QTest::keyClick(&Symbols(), Qt::Key_Down);
  EXPECT_EQ(window->windowTitle().toStdString(), "Voltrim - " + dir + " - BBB");
  EXPECT_EQ(State().symbols.currentRow, 1);
  EXPECT_EQ(State().quotes.loadedSymbol, "AAA");
  EXPECT_EQ(Quotes().model()->rowCount(), 20);

  ClickRow(Symbols(), 2);
  EXPECT_EQ(window->windowTitle().toStdString(), "Voltrim - " + dir + " - CCC");
  EXPECT_EQ(State().quotes.loadedSymbol, "CCC");
  EXPECT_EQ(Quotes().model()->rowCount(), 22);
  EXPECT_EQ(Quotes().SelectedRow(), 0);

  // A click on the row that is already current loads it again (after a keyboard move).
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  EXPECT_EQ(State().quotes.loadedSymbol, "CCC");
  ClickRow(Symbols(), 1);
  EXPECT_EQ(State().quotes.loadedSymbol, "BBB");
  EXPECT_EQ(Quotes().model()->rowCount(), 21);
}

TEST_F(BrowsingTest, ChoosingAnotherPortfolioLoadsItsSymbolsAndFirstSeries) {
  Portfolio("a", PortfolioOf({"AAA"}, 4));
  const std::string other = Portfolio("b", PortfolioOf({"XXX", "YYY"}, 7));
  Start();

  View().PortfolioList()->setFocus();
  QTest::keyClick(View().PortfolioList(), Qt::Key_Down);
  ASSERT_EQ(Symbols().model()->rowCount(), 2);
  EXPECT_EQ(Cell(Symbols(), 0, 0), "XXX");
  EXPECT_EQ(Quotes().model()->rowCount(), 7);
  EXPECT_EQ(window->windowTitle().toStdString(), "Voltrim - " + other + " - XXX");
}

TEST_F(BrowsingTest, PickingAnotherDriveScansItButPickingTheCurrentOneDoesNot) {
  Portfolio("p", PortfolioOf({"AAA"}, 3));
  TempDir second;
  ASSERT_EQ(WritePortfolio((second.path() / "q").string(), PortfolioOf({"QQQ"}, 2)), kOk);
  settings.SetInt("Search", "Limit", 0);
  extraDrives.push_back(second.str());
  Start();
  QComboBox& drives = *View().DriveList();
  ASSERT_EQ(drives.count(), 2);
  const int other = drives.currentIndex() == 0 ? 1 : 0;

  drives.setFocus();
  QTest::keyClick(&drives, other > drives.currentIndex() ? Qt::Key_Down : Qt::Key_Up);
  EXPECT_EQ(drives.currentText().toStdString(), second.str());
  EXPECT_EQ(settings.GetString("Settings", "Drive", ""), second.str());
  ASSERT_EQ(Symbols().model()->rowCount(), 1);
  EXPECT_EQ(Cell(Symbols(), 0, 0), "QQQ");

  // Choosing the drive that is already current leaves the browser as it is (a scan would
  // have made the newest quote current again).
  Quotes().setFocus();
  QTest::keyClick(&Quotes(), Qt::Key_Down);
  Q_EMIT drives.activated(drives.currentIndex());
  EXPECT_EQ(Quotes().SelectedRow(), 1);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(BrowsingTest, QuoteRowsShowTheSelectionWithoutScrollingAfterAFill) {
  Portfolio("p", PortfolioOf({"AAA"}, 300));
  Start();
  Quotes().setFocus();
  QTest::keyClick(&Quotes(), Qt::Key_End);
  EXPECT_EQ(State().quotes.currentRow, 299);
  // A refill that makes a far row current leaves the grid at its top.
  window->View()->browser().FillQuotesGrid(250);
  EXPECT_EQ(Quotes().SelectedRow(), 250);
  EXPECT_EQ(Quotes().rowAt(0), 0);
  EXPECT_EQ(window->QuotePane()->text(), "Quote 50 of 300");
}

PortfolioSpec WithBlankSymbol() {
  PortfolioSpec portfolio = PortfolioOf({"AAA"}, 3);
  PortfolioSpec::Entry entry;
  entry.series = MakeDailySeries(2, "", "BLANKCO", RisingQuotes(5));
  portfolio.entries.push_back(entry);
  return portfolio;
}

std::string SymbolFieldOnDisk(const std::string& dir, int record) {
  const std::vector<unsigned char> bytes = ReadFileBytes(std::filesystem::path(dir) / "MASTER");
  const auto at = static_cast<std::size_t>(53 * record + 36);
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + 7));
}

TEST_F(BrowsingTest, BlankSymbolAsksAndRepairsWhenTheUserAgrees) {
  const std::string dir = Portfolio("p", WithBlankSymbol());
  answers.push_back(QMessageBox::Yes);
  Start();

  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].icon, QMessageBox::Question);
  EXPECT_EQ(boxes[0].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(boxes[0].text.startsWith("The master file\n"));
  EXPECT_TRUE(boxes[0].text.endsWith(
      "\nappears corrupted.\n\nShould Voltrim try to repair this file now?\n\n(Hint: There is "
      "a control for this in\nthe Portfolio > Search Filter dialog.)"));
  ASSERT_EQ(Symbols().model()->rowCount(), 2);
  // The name stands in for the empty symbol, blanks and all.
  EXPECT_EQ(Cell(Symbols(), 1, 0).trimmed(), "BLANKCO");
  EXPECT_EQ(SymbolFieldOnDisk(dir, 2), "BLANKCO");
}

TEST_F(BrowsingTest, BlankSymbolDeclinedLeavesTheGridsEmptyAndTheFileAlone) {
  const std::string dir = Portfolio("p", WithBlankSymbol());
  const std::vector<unsigned char> before = ReadFileBytes(std::filesystem::path(dir) / "MASTER");
  answers.push_back(QMessageBox::No);
  Start();

  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, "Failure while filling symbols grid");
  EXPECT_EQ(boxes[1].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes[1].title, "Voltrim");
  EXPECT_EQ(Symbols().model()->rowCount(), 0);
  EXPECT_EQ(Quotes().model()->rowCount(), 0);
  EXPECT_EQ(window->SymbolPane()->text(), "No Symbols Read");
  EXPECT_FALSE(window->Action(command::kSymbolAbout)->isEnabled());
  EXPECT_EQ(ReadFileBytes(std::filesystem::path(dir) / "MASTER"), before);
}

TEST_F(BrowsingTest, AHeaderOfThreeHundredSymbolsShowsTheFirst255) {
  PortfolioSpec portfolio;
  for (int i = 0; i < 300; ++i) {
    PortfolioSpec::Entry entry;
    entry.series = MakeDailySeries(i % 255 + 1, "S" + std::to_string(i), "NAME", RisingQuotes(2));
    portfolio.entries.push_back(entry);
  }
  Portfolio("p", portfolio);
  Start();

  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "File has 300 symbols.\nWill only display the first 255 symbols");
  EXPECT_EQ(Symbols().model()->rowCount(), 255);
  EXPECT_EQ(Cell(Symbols(), 254, 0), "S254");
  EXPECT_EQ(window->SymbolPane()->text(), "Symbol 1 of 255");
}

TEST_F(BrowsingTest, GridsDrawRowsWithGreyLinesAndTheHighlight) {
  Portfolio("p", PortfolioOf({"AAA", "BBB"}, 3));
  Start();
  const QImage image = Symbols().viewport()->grab().toImage();
  const QRect selected = Symbols().visualRect(Symbols().model()->index(0, 0));
  const QRect plain = Symbols().visualRect(Symbols().model()->index(1, 0));
  const QColor highlight = Symbols().palette().color(QPalette::Active, QPalette::Highlight);
  const QColor base = Symbols().palette().color(QPalette::Base);
  const qreal ratio = image.devicePixelRatio();
  auto pixel = [&](int x, int y) {
    return image.pixelColor(static_cast<int>(x * ratio), static_cast<int>(y * ratio));
  };

  EXPECT_EQ(pixel(selected.left() + 1, selected.top() + 1), highlight);
  EXPECT_EQ(pixel(plain.left() + 1, plain.top() + 1), base);
  EXPECT_EQ(pixel(plain.left() + 5, plain.bottom()), QColor(192, 192, 192));
  EXPECT_EQ(pixel(plain.right() - 1, plain.top() + 2), QColor(192, 192, 192));
}

}  // namespace
}  // namespace voltrim::testing
