#include <QCheckBox>
#include <QFileDialog>
#include <QScreen>
#include <QStatusBar>
#include <QTextBrowser>

#include "app/help_window.h"
#include "browser/ui/series_facts_dialog.h"
#include "discovery/ui/search_filter_dialog.h"
#include "gui_fixture.h"
#include "widgets/dialog_frame.h"

namespace voltrim::testing {
namespace {

using DialogsTest = GuiTest;

// Browse... turns the limit on and fills the path; a path on no drive is refused with the
// dialog kept; OK stores the filter and rescans, the first portfolio selected.
TEST_F(DialogsTest, SearchFilterBrowsesRefusesAnUnknownDriveThenStoresAndRescans) {
  Portfolio("a/p", PortfolioOf({"AAA"}, 3));
  const std::string mine = Portfolio("mine/x", PortfolioOf({"XXX", "YYY"}, 4));
  Portfolio("mine/y", PortfolioOf({"ZZZ"}, 5));
  settings.SetInt("Search", "Limit", 0);
  Start();
  ASSERT_EQ(View().PortfolioList()->count(), 3);
  onDialog = [&](QDialog& dialog) {
    if (auto* chooser = qobject_cast<QFileDialog*>(&dialog)) {
      EXPECT_EQ(chooser->fileMode(), QFileDialog::Directory);
      chooser->setDirectory(QString::fromStdString(drive.str()));
      chooser->selectFile(QString::fromStdString(drive.str() + "/mine"));
      return int(QDialog::Accepted);
    }
    auto& filter = dynamic_cast<SearchFilterDialog&>(dialog);
    EXPECT_EQ(dialog.windowTitle(), "Portfolio Search Filter");
    dialog.show();
    EXPECT_FALSE(filter.LimitBox()->isChecked());
    EXPECT_FALSE(filter.PathEdit()->isEnabled());
    QTest::mouseClick(filter.BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(filter.PathEdit()->text().toStdString(), drive.str() + "/mine");
    EXPECT_TRUE(filter.LimitBox()->isChecked());
    EXPECT_TRUE(filter.PathEdit()->isEnabled());
    filter.PathEdit()->setText("relative/data");
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(filter.PathEdit()->text(), "relative/data");
    filter.PathEdit()->setText(QString::fromStdString(drive.str() + "/mine"));
    QTest::mouseClick(filter.MasterFixBox(), Qt::LeftButton);
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  window->Action(command::kSearchFilter)->trigger();
  EXPECT_EQ(Texts(), std::vector<std::string>{"The Search Filter path refers to an unknown drive"});
  EXPECT_EQ(settings.GetString("Search", "Name", ""), drive.str() + "/mine");
  EXPECT_EQ(settings.GetInt("Search", "Limit", 0), 1);
  EXPECT_EQ(settings.GetInt("Search", "MasterFix", 0), 1);
  WaitForScan();
  ASSERT_EQ(View().PortfolioList()->count(), 2);
  EXPECT_EQ(State().portfolioDir, mine);
  EXPECT_EQ(State().quotes.loadedSymbol, "XXX");
}

TEST_F(DialogsTest, SymbolAboutShowsTheCurrentRowsFactsOrSaysTheyCannotBeRead) {
  const std::string dir = Portfolio("p", PortfolioOf({"AAA", "BBB"}, 9));
  Start();
  Key(Symbols(), Qt::Key_Down);
  int dialogs = 0;
  onDialog = [&](QDialog& dialog) {
    auto& facts = dynamic_cast<SeriesFactsDialog&>(dialog);
    ++dialogs;
    EXPECT_EQ(dialog.windowTitle(), "About Selected Quote Series");
    EXPECT_EQ(facts.ValueOf("Number of quotes"), "10");
    EXPECT_EQ(facts.FormatOf("OI", true), "");  // no open interest stored
    return QDialog::Accepted;
  };
  window->Action(command::kSymbolAbout)->trigger();
  std::filesystem::remove(std::filesystem::path(dir) / "F2.DAT");
  window->Action(command::kSymbolAbout)->trigger();  // a box instead of an empty dialog
  EXPECT_EQ(dialogs, 1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.startsWith("The facts of BBB cannot be read"));
}

TEST_F(DialogsTest, BoxesAreTitledVoltrimWithTheIconOfTheirKindAndTheWaitCursorNests) {
  prompt->ShowMessage("plain", MessageIcon::Default);
  prompt->ShowMessage("bad", MessageIcon::Error);
  prompt->ShowMessage("note", MessageIcon::Information);
  answers.push_back(QMessageBox::Yes);
  EXPECT_TRUE(prompt->AskYesNo("Sure?"));
  ASSERT_EQ(boxes.size(), 4u);
  const QMessageBox::Icon icons[] = {QMessageBox::Warning, QMessageBox::Critical,
                                     QMessageBox::Information, QMessageBox::Question};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(boxes[i].title, "Voltrim");
    EXPECT_EQ(boxes[i].icon, icons[i]) << i;
  }
  EXPECT_EQ(boxes[3].buttons, QMessageBox::Yes | QMessageBox::No);

  prompt->BeginWait();
  prompt->BeginWait();
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  prompt->EndWait();
  prompt.reset();  // a prompt destroyed mid-wait leaves no cursor behind
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Dialogs have a fixed size and no minimise or maximise button; a file dialog is for
// browsing: resizable, and no larger than the screen it opens on.
TEST_F(DialogsTest, DialogsHaveAFixedSizeButFileDialogsFitTheScreen) {
  Start();
  int checked = 0;
  onDialog = [&](QDialog& dialog) {
    dialog.show();
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    ++checked;
    return 0;
  };
  window->Action(command::kSearchFilter)->trigger();
  EXPECT_EQ(checked, 1);

  QFileDialog files;
  files.resize(5000, 4000);
  FixDialogFrame(files);
  const QSize screen = files.screen()->availableGeometry().size();
  EXPECT_LE(files.width(), screen.width());
  EXPECT_LE(files.height(), screen.height());
  EXPECT_NE(files.minimumSize(), files.maximumSize());
  EXPECT_FALSE(files.windowFlags() & Qt::WindowMinMaxButtonsHint);
}

TEST_F(DialogsTest, HelpOpensBesideTheWindowAndEscapeOrCtrlWCloseIt) {
  // The manual takes a while to lay out on a busy machine.
  constexpr int kActivationMs = 30000;
  Open();
  window->Action(command::kHelpTopics)->trigger();
  auto* help = window->findChild<HelpWindow*>();
  ASSERT_NE(help, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowActive(help, kActivationMs));
  EXPECT_GT(help->Browser()->document()->documentMargin(), 4);
  QTest::keyClick(help->Browser(), Qt::Key_W, Qt::ControlModifier);
  EXPECT_FALSE(help->isVisible());
  // Activation moves back to the main window after the close; reopening before it has would
  // let a late activation of the main window take the Escape below.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !help->isActiveWindow(); }, kActivationMs));
  window->Action(command::kHelpTopics)->trigger();
  ASSERT_TRUE(QTest::qWaitForWindowActive(help, kActivationMs));
  QTest::keyClick(help->Browser(), Qt::Key_Escape);
  EXPECT_FALSE(help->isVisible());
}

TEST_F(DialogsTest, APromptShownBeforeTheWindowTakesTheHelpTextsPlace) {
  Open();
  window->hide();
  window->statusBar()->showMessage("Filter");
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  EXPECT_FALSE(window->MessagePane()->isVisible());
  window->statusBar()->clearMessage();
  EXPECT_TRUE(window->MessagePane()->isVisible());
  EXPECT_EQ(window->MessagePane()->text(), "For Help, press F1");
}

}  // namespace
}  // namespace voltrim::testing
