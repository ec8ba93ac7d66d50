#include "browser_fixture.h"

namespace voltrim::testing {
namespace {

class SymbolsFill : public BrowserTest {
 protected:
  void SetUp() override { drive = Drive("disk"); }

  // The second record's symbol field is blank.
  void WriteBlankSymbol() {
    PortfolioSpec plan = PortfolioOf({"GOOD", ""});
    plan.entries[1].series.name = "ACME CORP";
    Write(drive, plan);
  }
  std::string Master() const { return drive + "/MASTER"; }
  std::vector<std::string> Failure() const { return {"Failure while filling symbols grid"}; }

  std::string drive;
};

TEST_F(SymbolsFill, BlankSymbolAsksThenRepairs) {
  WriteBlankSymbol();
  prompt.AnswerNext(true);

  Start();

  EXPECT_EQ(prompt.questions,
            std::vector<std::string>{
                "The master file\n" + Master() +
                "\nappears corrupted.\n\nShould Voltrim try to repair this file now?\n\n(Hint: "
                "There is a control for this in\nthe Portfolio > Search Filter dialog.)"});
  EXPECT_EQ(State().symbols.CellText(1, 0), "ACME CORP       ");  // the name stands in
  EXPECT_TRUE(prompt.messages.empty());
  browser->FillSymbolsGrid(0);  // repaired: nothing more to ask
  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(State().symbols.CellText(1, 0), "ACME");
}

TEST_F(SymbolsFill, DeclinedRepairFailsAndLeavesTheFileAlone) {
  WriteBlankSymbol();
  const auto before = ReadFileBytes(Master());

  Start();  // the question gets No

  EXPECT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.MessageTexts(), Failure());
  EXPECT_EQ(prompt.messages[0].icon, MessageIcon::Error);
  EXPECT_EQ(State().symbols.RowCount(), 0);
  EXPECT_EQ(State().symbols.count, 0);
  EXPECT_EQ(State().quotes.RowCount(), 0);
  EXPECT_EQ(State().title, "Voltrim - " + drive + " - (no symbols)");
  EXPECT_EQ(ReadFileBytes(Master()), before);
}

TEST_F(SymbolsFill, MasterFixRepairsWithoutAsking) {
  WriteBlankSymbol();
  const auto before = ReadFileBytes(Master());
  settings.SetInt("Search", "MasterFix", 1);

  Start();

  EXPECT_TRUE(prompt.questions.empty());
  EXPECT_EQ(State().symbols.RowCount(), 2);
  EXPECT_NE(ReadFileBytes(Master()), before);
}

TEST_F(SymbolsFill, MoreThan255SymbolsAreAnnouncedAndCut) {
  std::vector<std::string> symbols;
  for (int i = 0; i < 300; ++i) symbols.push_back("S" + std::to_string(i));
  Write(drive, PortfolioOf(symbols, 1));

  Start();

  EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{"File has 300 symbols.\nWill only "
                                                            "display the first 255 symbols"});
  EXPECT_EQ(State().symbols.count, 255);
  ASSERT_EQ(State().symbols.RowCount(), 255);
  EXPECT_EQ(State().symbols.CellText(254, 0), "S254");
}

TEST_F(SymbolsFill, CountMismatchOrMissingMasterFails) {
  PortfolioSpec plan = PortfolioOf({"A", "B", "C"});
  plan.headerRecordCount = 2;
  Write(drive, plan);
  Start();
  EXPECT_EQ(prompt.MessageTexts(), Failure());
  EXPECT_EQ(State().symbols.RowCount(), 0);

  std::filesystem::remove(Master());
  browser->FillSymbolsGrid(0);
  EXPECT_EQ(prompt.messages.size(), 2u);
  EXPECT_EQ(State().title, "Voltrim - " + drive + " - (no symbols)");
}

TEST_F(SymbolsFill, EmptyPortfolioAndLowerCaseMaster) {
  Write(drive, PortfolioSpec{});
  Start();
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().title, "Voltrim - " + drive + " - (no symbols)");

  Write(drive, PortfolioOf({"LOW"}));
  std::filesystem::rename(Master(), drive + "/master");
  browser->FillSymbolsGrid(0);
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_EQ(State().symbols.CellText(0, 0), "LOW");
}

}  // namespace
}  // namespace voltrim::testing
