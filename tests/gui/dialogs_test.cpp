#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBrowser>

#include "app/help_window.h"
#include "browser/ui/search_filter_dialog.h"
#include "browser/ui/series_facts_dialog.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

using DialogsTest = GuiTest;

void ClickOk(QDialog& dialog) {
  QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                    Qt::LeftButton);
}

TEST_F(DialogsTest, SearchFilterRefusesAnUnknownDriveThenStoresAndRescans) {
  Portfolio("keep/p", PortfolioOf({"AAA"}, 3));
  Portfolio("other/q", PortfolioOf({"QQQ"}, 3));
  Start();
  ASSERT_EQ(View().PortfolioList()->count(), 2);
  int runs = 0;
  onDialog = [&](QDialog& dialog) {
    auto& filter = dynamic_cast<SearchFilterDialog&>(dialog);
    ++runs;
    EXPECT_EQ(dialog.windowTitle(), "Portfolio Search Filter");
    dialog.show();
    EXPECT_TRUE(filter.LimitBox()->isChecked());
    EXPECT_EQ(filter.PathEdit()->text().toStdString(), drive.str());
    // The path can be edited only while the limit is on.
    QTest::mouseClick(filter.LimitBox(), Qt::LeftButton);
    EXPECT_FALSE(filter.PathEdit()->isEnabled());
    QTest::mouseClick(filter.LimitBox(), Qt::LeftButton);
    EXPECT_TRUE(filter.PathEdit()->isEnabled());
    filter.PathEdit()->setText("relative/data");
    ClickOk(dialog);
    EXPECT_TRUE(dialog.isVisible());  // refused: the dialog stays, the text kept
    EXPECT_EQ(filter.PathEdit()->text(), "relative/data");
    if (runs == 1) return int{QDialog::Rejected};
    filter.PathEdit()->setText(QString::fromStdString(drive.str() + "/keep"));
    QTest::mouseClick(filter.MasterFixBox(), Qt::LeftButton);
    ClickOk(dialog);
    return dialog.result();
  };
  window->Action(command::kSearchFilter)->trigger();
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The Search Filter path refers to an unknown drive");
  EXPECT_EQ(settings.GetInt("Search", "Limit", 7), 7);  // Cancel changes nothing

  window->Action(command::kSearchFilter)->trigger();
  EXPECT_EQ(runs, 2);
  EXPECT_EQ(settings.GetString("Search", "Name", ""), drive.str() + "/keep");
  EXPECT_EQ(settings.GetInt("Search", "Limit", 0), 1);
  EXPECT_EQ(settings.GetInt("Search", "MasterFix", 0), 1);
  ASSERT_EQ(View().PortfolioList()->count(), 1);
  EXPECT_EQ(Cell(Symbols(), 0, 0), "AAA");
}

TEST_F(DialogsTest, SymbolAboutShowsTheFactsOfTheCurrentRow) {
  const std::string dir = Portfolio("p", PortfolioOf({"AAA", "BBB"}, 9));
  Start();
  Key(Symbols(), Qt::Key_Down);

  SeriesFacts stored;
  ASSERT_EQ(GetSeriesFacts(dir, "BBB", stored), kFactsFound);
  bool sawDialog = false;
  onDialog = [&](QDialog& dialog) {
    auto& facts = dynamic_cast<SeriesFactsDialog&>(dialog);
    sawDialog = true;
    EXPECT_EQ(dialog.windowTitle(), "About Selected Quote Series");
    EXPECT_EQ(facts.ValueOf("Path:").toStdString(), dir);
    EXPECT_EQ(facts.ValueOf("File number"), "2");
    EXPECT_EQ(facts.ValueOf("Number of quotes"), "10");
    EXPECT_EQ(facts.ValueOf("Data format"), "D Daily");
    EXPECT_EQ(facts.ValueOf("First date in file"), "1000103");
    const auto close = static_cast<std::size_t>(Field::Close);
    EXPECT_EQ(facts.FormatOf("Close", false).toStdString(), stored.inputFormat[close]);
    EXPECT_EQ(facts.FormatOf("Close", true).toStdString(), stored.displayFormat[close]);
    EXPECT_EQ(facts.FormatOf("OI", true), "");
    return QDialog::Accepted;
  };
  window->Action(command::kSymbolAbout)->trigger();
  EXPECT_TRUE(sawDialog);
}

TEST_F(DialogsTest, ASeriesThatCannotBeReadIsReportedInsteadOfAnEmptyDialog) {
  const std::string dir = Portfolio("p", PortfolioOf({"AAA"}, 3));
  Start();
  std::filesystem::remove(std::filesystem::path(dir) / "F1.DAT");
  onDialog = [](QDialog&) -> int {
    ADD_FAILURE() << "no dialog for unreadable facts";
    return 0;
  };
  window->Action(command::kSymbolAbout)->trigger();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.startsWith("The facts of AAA cannot be read"));
}

TEST_F(DialogsTest, BoxesAreTitledVoltrimWithTheIconOfTheirKind) {
  prompt->ShowMessage("plain", MessageIcon::Default);
  prompt->ShowMessage("bad", MessageIcon::Error);
  prompt->ShowMessage("note", MessageIcon::Information);
  answers.push_back(QMessageBox::Yes);
  EXPECT_TRUE(prompt->AskYesNo("Sure?"));
  EXPECT_FALSE(prompt->AskYesNo("Again?"));

  ASSERT_EQ(boxes.size(), 5u);
  for (const ShownBox& box : boxes) EXPECT_EQ(box.title, "Voltrim");
  EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
  EXPECT_EQ(boxes[0].buttons, QMessageBox::Ok);
  EXPECT_EQ(boxes[1].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes[2].icon, QMessageBox::Information);
  EXPECT_EQ(boxes[3].icon, QMessageBox::Question);
  EXPECT_EQ(boxes[3].buttons, QMessageBox::Yes | QMessageBox::No);
}

TEST_F(DialogsTest, WaitCursorNestsAndIsAlwaysTakenDown) {
  prompt->BeginWait();
  prompt->BeginWait();
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  prompt->EndWait();
  EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
  prompt.reset();  // a prompt destroyed mid-wait leaves no cursor behind
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(DialogsTest, HelpTopicsOpensTheManualAndAboutNamesTheProgram) {
  Start();
  window->Action(command::kHelpTopics)->trigger();
  auto* help = window->findChild<HelpWindow*>();
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->Browser()->toPlainText().contains("Finding portfolios"));

  QString aboutText;
  onDialog = [&](QDialog& dialog) {
    aboutText = dynamic_cast<QMessageBox&>(dialog).text();
    return 0;
  };
  window->Action(command::kAppAbout)->trigger();
  EXPECT_TRUE(aboutText.contains("Voltrim " VOLTRIM_VERSION));
  EXPECT_TRUE(aboutText.contains("MetaStock"));
}

}  // namespace
}  // namespace voltrim::testing
