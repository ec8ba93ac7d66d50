#include <QComboBox>
#include <QHeaderView>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>

#include <atomic>

#include "browser/window_placement.h"
#include "chart/ui/price_chart.h"
#include "discovery/discovery_walk.h"
#include "discovery/ui/scan_progress_box.h"
#include "gui_fixture.h"
#include "support/event_loop.h"

namespace voltrim::testing {
namespace {

using StartupTest = GuiTest;

// Until the first scan has filled the lists the window stands, empty, under the program's
// name; the scan's box shows the held walk's progress and only the scan closes it; F5 after
// it starts a new walk (none during it: the browser's test).
TEST_F(StartupTest, WindowIsShownEmptyThenTheFirstScanFillsTheListsAndPanes) {
  const std::string second = Write(drive.path() / "b_port", PortfolioOf({"XYZ"}, 3));
  const std::string first = Write(drive.path() / "A_port", PortfolioOf({"AAA", "BBB", "CCC"}, 12));
  Gate gate;
  std::atomic<int> walks = 0;
  walk = [&](const std::string& root, const SearchFilter& filter, std::vector<std::string>& found,
             UserPrompt& progress) {
    ++walks;
    progress.ScanProgress(first, 1);
    gate.Wait();
    WalkDirectory(root, filter, found, progress);
  };
  Open();
  EXPECT_EQ(Title(), "Voltrim");
  EXPECT_EQ(View().PortfolioList()->count(), 0);
  const auto panes = [this] {
    return window->MessagePane()->text() + " | " + window->SymbolPane()->text() + " | " +
           window->QuotePane()->text();
  };
  EXPECT_EQ(panes(), "For Help, press F1 | No Symbols Read | No Quotes Read");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return View().ProgressBox() && View().ProgressBox()->CountText() == "1"; }));
  ScanProgressBox& box = *View().ProgressBox();
  EXPECT_EQ(box.PathText().toStdString(), first);
  EXPECT_EQ(box.windowTitle(), "Searching for Master Files");
  box.close();
  QTest::keyClick(&box, Qt::Key_Escape);
  EXPECT_TRUE(box.isVisible());
  EXPECT_FALSE(Enabled(command::kReScan));
  EXPECT_FALSE(View().DriveList()->isEnabled());
  Activate();
  gate.Open();
  WaitForScan();
  EXPECT_EQ(walks, 1);
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(View().DriveList()->isEnabled());

  // Sorted without regard to case, the first one selected and loaded, newest quote first.
  ASSERT_EQ(View().PortfolioList()->count(), 2);
  EXPECT_EQ(View().PortfolioList()->item(0)->text().toStdString(), first);
  EXPECT_EQ(View().PortfolioList()->item(1)->text().toStdString(), second);
  EXPECT_EQ(Cell(Quotes(), 0, 4), "10.6100");
  EXPECT_EQ(Title(), "Voltrim - " + first + " - AAA");
  EXPECT_EQ(panes(), "For Help, press F1 | Symbol 1 of 3 | Quote 12 of 12");
  Write(drive.path() / "q", PortfolioOf({"QQQ"}, 2));  // F5 after the scan scans again
  QTest::keyClick(window.get(), Qt::Key_F5);
  WaitForScan();
  EXPECT_EQ(walks, 2);
  EXPECT_EQ(View().PortfolioList()->count(), 3);
  EXPECT_EQ(View().ProgressBox(), nullptr);

  // Columns sized in a wide window keep their shares in a narrow one (1280x800 at a scale
  // of 1.5): no sideways scrolling.
  window->resize(1800, 1000);
  ASSERT_TRUE(QTest::qWaitFor([this] { return Quotes().viewport()->width() > 1500; }));
  for (int column = 0; column < 6; ++column) Quotes().setColumnWidth(column, 230);
  window->resize(853, 533);
  ASSERT_TRUE(QTest::qWaitFor([this] { return Quotes().viewport()->width() < 853; }));
  EXPECT_TRUE(
      QTest::qWaitFor([this] { return Quotes().horizontalScrollBar()->maximum() == 0; }, 500));
}

// The grids, the chart and the commands agree on one series (the n-th has 20 + n - 1
// quotes): the title follows keys at once, the quotes once they rest, and a command or a
// click in the quotes grid before that loads the series the title names first.
TEST_F(StartupTest, KeysFilterAndSortKeepTheCommandsOnTheSeriesTheTitleNames) {
  const std::string dir =
      Write(drive.path() / "p", PortfolioOf({"ZETA", "MINE", "ALPHA", "MINT", "BETA"}, 20));
  Start();
  Activate();
  ClickRow(Symbols(), 0);
  Key(Symbols(), Qt::Key_End);
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  ASSERT_EQ(Title(), "Voltrim - " + dir + " - MINT");
  const Snapshot before = TakeSnapshot(dir);
  onDialog = [](QDialog& dialog) {
    dialog.show();
    TypeInto(FieldOf(dialog, "close"), "11");
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  QTest::keyClick(&Symbols(), Qt::Key_E, Qt::ControlModifier);
  const Snapshot after = TakeSnapshot(dir);
  EXPECT_NE(after.at("F4.DAT"), before.at("F4.DAT"));
  for (const char* file : {"F1.DAT", "F2.DAT", "F3.DAT", "F5.DAT", "MASTER"})
    EXPECT_EQ(after.at(file), before.at(file)) << file;
  EXPECT_EQ(Quotes().model()->rowCount(), 23);
  EXPECT_EQ(window->Chart()->Series().Count(), 23);
  EXPECT_EQ(Cell(Quotes(), 0, 4), "11.0000");
  QTest::keyClick(&Symbols(), Qt::Key_Up);
  ClickRow(Quotes(), 3);
  EXPECT_EQ(State().quotes.loadedSymbol, "ALPHA");
  EXPECT_EQ(State().quotes.currentRow, 3);
  EXPECT_EQ(window->Chart()->CurrentRow(), 3);

  // Typing narrows the symbols to those whose symbol or name holds the text, a header sorts
  // them; neither moves the title or the command's target off the series the user chose.
  const auto shown = [this] {
    std::string symbols;
    for (int row = 0; row < Symbols().model()->rowCount(); ++row)
      symbols += Cell(Symbols(), row, 0).toStdString() + " ";
    return symbols;
  };
  // The series the title names, the one the commands act on (loaded), and the pane.
  const auto target = [&] {
    window->RefreshFromState();
    return Title().substr(dir.size() + 13) + " " + State().quotes.loadedSymbol + " " +
           window->SymbolPane()->text().toStdString();
  };
  ClickRow(Symbols(), 2);  // ALPHA
  Key(Symbols(), Qt::Key_F, Qt::ControlModifier);
  QTest::keyClicks(View().SymbolFilter(), "mi");  // no case: "MINE INC", "MINT INC"
  EXPECT_EQ(shown(), "MINE MINT ");
  EXPECT_EQ(target(), "ALPHA ALPHA 2 of 5 symbols shown");
  QTest::keyClick(View().SymbolFilter(), Qt::Key_Down);  // the first row shown, loaded
  EXPECT_TRUE(Symbols().hasFocus());
  EXPECT_EQ(target(), "MINE MINE Symbol 1 of 2 (5 in all)");
  const auto clickHeader = [this](int column) {
    QHeaderView* header = Symbols().horizontalHeader();
    const int x = header->sectionViewportPosition(column) + 4;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(x, header->height() / 2));
  };
  clickHeader(0);
  clickHeader(0);  // descending
  EXPECT_EQ(shown(), "MINT MINE ");
  EXPECT_EQ(Symbols().SelectedRow(), 1);
  Key(Symbols(), Qt::Key_Escape);  // where the header click left the focus
  EXPECT_EQ(shown(), "ZETA MINT MINE BETA ALPHA ");
  EXPECT_EQ(target(), "MINE MINE Symbol 3 of 5");

  // Enter and Del act on the quote row; Del elsewhere deletes nothing (Ctrl+E from the
  // symbols: above); Ctrl+F finds a symbol, Ctrl+Shift+F searches for splits; Ctrl+Q quits.
  std::vector<std::string> opened;
  onDialog = [&](QDialog& dialog) {
    opened.push_back(dialog.objectName().toStdString() + " " +
                     LabelOf(dialog, "date").toStdString());
    return int(QDialog::Rejected);
  };
  boxes.clear();
  Key(Quotes(), Qt::Key_Down);
  QTest::keyClick(&Quotes(), Qt::Key_Return);
  QTest::keyClick(&Quotes(), Qt::Key_Delete);
  Key(Symbols(), Qt::Key_Delete);
  Key(Quotes(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(View().SymbolFilter()->hasFocus());
  Key(Symbols(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(State().splitSearchOpen);
  const std::string date = Cell(Quotes(), 1, 0).toStdString();
  EXPECT_EQ(opened,
            (std::vector<std::string>{"quoteEditDialog " + date, "deleteQuoteDialog " + date}));
  EXPECT_TRUE(boxes.empty());
  QString keys;  // each menu of the bar has a key of its own
  for (QAction* menu : window->menuBar()->actions())
    keys += menu->text().at(menu->text().indexOf(QLatin1Char('&')) + 1).toUpper();
  EXPECT_EQ(keys, "OEVPSQH");
  Key(Symbols(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(window->isVisible());
}

// A sub-folder's row is the way into its portfolio: once the keys rest it has loaded
// nothing; Enter opens it, adding it to the list when the scan did not find it (what the
// row says and enables, and the folders Enter refuses: the browser's test).
TEST_F(StartupTest, SubfolderRowsOpenTheirPortfolio) {
  PortfolioSpec top = PortfolioOf({"TOP"}, 5);
  top.entries.push_back(SubdirectoryEntry("SUB"));
  const std::string dir = Write(drive.path() / "top", top);
  Write(drive.path() / "top/SUB", PortfolioOf({"INNER"}, 5));
  walk = [dir](const std::string&, const SearchFilter&, std::vector<std::string>& found,
               UserPrompt&) { found = {dir}; };
  settings.SetInt("Search", "MasterFix", 1);  // the entries' blank symbols take their names
  Start();
  Activate();
  Key(Symbols(), Qt::Key_End);
  ASSERT_TRUE(QTest::qWaitFor([this] { return State().quotes.loadedSymbol.empty(); }));
  QTest::qWait(300);  // nothing else comes once the keys rest
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Quotes().model()->rowCount(), 0);
  QTest::keyClick(&Symbols(), Qt::Key_Return);
  ASSERT_EQ(View().PortfolioList()->count(), 2);
  EXPECT_EQ(View().PortfolioList()->currentItem()->text().toStdString(), dir + "/SUB");
  EXPECT_EQ(Title(), "Voltrim - " + dir + "/SUB - INNER");
  EXPECT_EQ(Cell(Quotes(), 0, 0), "01/07/00");
}

// A placement on the screen comes back (filling it: maximised); one off it gives way to the
// default, which is stored.
TEST_F(StartupTest, StoredPlacementIsUsedOnlyWhenItLiesOnTheScreen) {
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  const WindowPlacement fallback = DefaultWindowPlacement(screen.width(), screen.height());
  const QRect usable = QGuiApplication::primaryScreen()->availableGeometry();
  const WindowPlacement on{12, 40, 700, 500};
  const WindowPlacement whole{usable.x(), usable.y(), usable.width(), usable.height()};
  const char* keys[] = {"x", "y", "cx", "cy"};
  const auto values = [](const WindowPlacement& p) { return std::array{p.x, p.y, p.cx, p.cy}; };
  for (const WindowPlacement& stored : {WindowPlacement{0, 0, screen.width() + 8, 400},
                                        WindowPlacement{-4, 0, 500, 400}, on, whole}) {
    for (std::size_t i = 0; i < 4; ++i) settings.SetInt("Screen", keys[i], values(stored)[i]);
    Open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_EQ(window->isMaximized(), stored == whole);
    const WindowPlacement shown = stored == on || stored == whole ? stored : fallback;
    if (stored != whole) {
      for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(settings.GetInt("Screen", keys[i], -1), values(shown)[i]) << keys[i];
      EXPECT_TRUE(QTest::qWaitFor(
          [&] { return window->frameGeometry() == QRect(shown.x, shown.y, shown.cx, shown.cy); }));
    }
    window.reset();
  }
}

}  // namespace
}  // namespace voltrim::testing
