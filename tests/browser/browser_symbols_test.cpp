#include <filesystem>

#include "browser/browser_enabling.h"
#include "browser_fixture.h"

namespace voltrim::testing {
namespace {

// A portfolio whose second record has a blank symbol field.
PortfolioSpec WithBlankSymbol() {
  PortfolioSpec spec = PortfolioOf({"GOOD", "ALSO"});
  spec.entries[1].series.symbol = "";
  spec.entries[1].series.name = "ACME CORP";
  return spec;
}

std::string RepairQuestion(const std::string& master) {
  return "The master file\n" + master +
         "\nappears corrupted.\n\nShould Voltrim try to repair this file now?\n\n(Hint: There "
         "is a control for this in\nthe Portfolio > Search Filter dialog.)";
}

class SymbolsFill : public BrowserTest {
 protected:
  void SetUp() override { drive = Drive("disk"); }
  std::string Master() const { return drive + "/MASTER"; }
  std::string drive;
};

TEST_F(SymbolsFill, BlankSymbolIsRepairedWhenTheUserAgrees) {
  Write(drive, WithBlankSymbol());
  prompt.AnswerNext(true);

  Start();

  EXPECT_EQ(prompt.questions, std::vector<std::string>{RepairQuestion(Master())});
  ASSERT_EQ(State().symbols.RowCount(), 2);
  EXPECT_EQ(State().symbols.CellText(1, 0), "ACME CORP       ");
  EXPECT_EQ(State().symbols.CellText(1, 1), "ACME CORP       ");
  EXPECT_TRUE(prompt.messages.empty());
  // The next fill finds nothing to repair and the row is still there under its name.
  browser->FillSymbolsGrid(0);
  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(State().symbols.CellText(1, 0), "ACME");
}

TEST_F(SymbolsFill, DeclinedRepairFailsAndLeavesTheFileAlone) {
  Write(drive, WithBlankSymbol());
  const auto before = ReadFileBytes(Master());

  Start();  // no scripted answer: the question gets No

  EXPECT_EQ(prompt.questions.size(), 1u);
  ASSERT_EQ(prompt.messages.size(), 1u);
  EXPECT_EQ(prompt.messages[0].text, "Failure while filling symbols grid");
  EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Error);
  EXPECT_EQ(State().symbols.RowCount(), 0);
  EXPECT_EQ(State().symbols.count, 0);
  EXPECT_EQ(State().quotes.RowCount(), 0);
  EXPECT_EQ(ReadFileBytes(Master()), before);
}

TEST_F(SymbolsFill, MasterFixRepairsWithoutAsking) {
  Write(drive, WithBlankSymbol());
  settings.SetInt("Search", "MasterFix", 1);

  Start();

  EXPECT_TRUE(prompt.questions.empty());
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().symbols.RowCount(), 2);
  EXPECT_NE(ReadFileBytes(Master()), BuildMasterBytes(WithBlankSymbol()));
}

TEST_F(SymbolsFill, MoreThan255SymbolsAreAnnouncedAndCut) {
  PortfolioSpec spec;
  for (int i = 0; i < 300; ++i) {
    spec.entries.push_back(SeriesEntry(MakeDailySeries(i % 255 + 1, "S" + std::to_string(i),
                                                       "N" + std::to_string(i), RisingQuotes(1))));
  }
  Write(drive, spec);

  Start();

  EXPECT_EQ(
      prompt.MessageTexts(),
      std::vector<std::string>{"File has 300 symbols.\nWill only display the first 255 symbols"});
  EXPECT_EQ(State().symbols.count, 255);
  ASSERT_EQ(State().symbols.RowCount(), 255);
  EXPECT_EQ(State().symbols.CellText(254, 0), "S254");
  EXPECT_EQ(SymbolPaneText(State()), "Symbol 1 of 255");
}

TEST_F(SymbolsFill, HeaderCountThatDisagreesWithTheRecordsFails) {
  PortfolioSpec spec = PortfolioOf({"A", "B", "C"});
  spec.headerRecordCount = 2;
  Write(drive, spec);

  Start();

  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"Failure while filling symbols grid"});
  EXPECT_EQ(State().symbols.RowCount(), 0);
  EXPECT_EQ(SymbolPaneText(State()), "No Symbols Read");
}

TEST_F(SymbolsFill, EmptyPortfolioIsNamedSo) {
  Write(drive, PortfolioSpec{});

  Start();

  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().symbols.RowCount(), 0);
  EXPECT_EQ(State().quotes.RowCount(), 0);
  EXPECT_EQ(State().title, "Voltrim - " + drive + " - (no symbols)");
}

TEST_F(SymbolsFill, MasterThatVanishedFailsTheFill) {
  Write(drive, PortfolioOf({"A"}));
  Start();
  std::filesystem::remove(Master());

  browser->FillSymbolsGrid(0);

  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"Failure while filling symbols grid"});
  EXPECT_EQ(State().symbols.count, 0);
  EXPECT_EQ(State().quotes.RowCount(), 0);
}

TEST_F(SymbolsFill, LowerCaseMasterNameIsRead) {
  Write(drive, PortfolioOf({"LOW"}));
  std::filesystem::rename(Master(), drive + "/master");

  Start();

  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().symbols.CellText(0, 0), "LOW");
}

}  // namespace
}  // namespace voltrim::testing
