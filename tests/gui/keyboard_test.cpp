#include <QAction>
#include <QStatusBar>

#include "chart/chart_series.h"
#include "chart/ui/chart_geometry.h"
#include "chart/ui/price_chart.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

// The keys of the main window, and what the pointer over the chart reads out.
class KeyboardTest : public GuiTest {
 protected:
  // The dialogs opened from now on: their object names.
  std::vector<std::string> opened;
  void RecordDialogs() {
    onDialog = [this](QDialog& dialog) {
      opened.push_back(dialog.objectName().toStdString());
      if (dialog.objectName() == "quoteEditDialog") editDate = LabelOf(dialog, "date");
      return int(QDialog::Rejected);
    };
  }
  void Press(QWidget& widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    widget.setFocus();
    QTest::keyClick(&widget, key, modifiers);
  }
  QString editDate;
};

TEST_F(KeyboardTest, ShortcutsAreShownInTheMenusAndReachTheirCommands) {
  const std::pair<int, const char*> shortcuts[] = {
      {command::kAppExit, "Ctrl+Q"},  {command::kSearchFilter, "Ctrl+F"},
      {command::kReScan, "F5"},       {command::kQuoteEdit, "Ctrl+E"},
      {command::kQuoteDelete, "Del"}, {command::kHelpTopics, "F1"},
      {command::kEditUndo, "Ctrl+Z"}};
  Portfolio("p", PortfolioOf({"AAA", "BBB"}, 5));
  Start();
  for (const auto& [id, keys] : shortcuts) {
    EXPECT_EQ(window->Action(id)->shortcut().toString().toStdString(), keys) << id;
  }
  RecordDialogs();
  window->activateWindow();  // shortcuts reach the active window
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

  // Enter and Del on a quote row: the editor and the deletion of that quote.
  Press(Quotes(), Qt::Key_Down);
  QTest::keyClick(&Quotes(), Qt::Key_Return);
  EXPECT_EQ(editDate, Cell(Quotes(), 1, 0));
  QTest::keyClick(&Quotes(), Qt::Key_Delete);
  EXPECT_EQ(opened, (std::vector<std::string>{"quoteEditDialog", "deleteQuoteDialog"}));

  // Del elsewhere deletes nothing; Ctrl+E and Ctrl+F work from anywhere in the window.
  Press(Symbols(), Qt::Key_Delete);
  Press(Symbols(), Qt::Key_E, Qt::ControlModifier);
  Press(Symbols(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(opened, (std::vector<std::string>{"quoteEditDialog", "deleteQuoteDialog",
                                              "quoteEditDialog", "searchFilterDialog"}));
  EXPECT_TRUE(boxes.empty());

  Press(Symbols(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(window->isVisible());
}

TEST_F(KeyboardTest, ThePointerOverTheChartReadsOutItsQuoteInTheStatusBar) {
  Portfolio("p", PortfolioOf({"AAA"}, 40));
  Start();
  PriceChart& chart = *window->Chart();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  const ChartGeometry geometry = chart.Geometry();
  const QPoint at(static_cast<int>(geometry.XOf(chart.Range(), 10)), geometry.Price().center().y());
  QTest::mouseMove(&chart, at);
  const Quote& quote = chart.Series().quotes[10];
  EXPECT_EQ(window->statusBar()->currentMessage().toStdString(), QuoteReadout(quote));
  EXPECT_TRUE(window->statusBar()->currentMessage().contains(" V 1,0"));

  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&chart, &leave);
  EXPECT_TRUE(window->statusBar()->currentMessage().isEmpty());
}

}  // namespace
}  // namespace voltrim::testing
