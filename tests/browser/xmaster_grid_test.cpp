#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "browser/browser.h"
#include "browser/browser_enabling.h"
#include "datafiles/companion_fixtures.h"
#include "settings/settings_store.h"
#include "support/recording_prompt.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// The series XMASTER lists follow MASTER's rows; MASTER's own rules (the 255 cut and its
// message) stay MASTER's.
class XmasterGridTest : public ::testing::Test {
 protected:
  XmasterGridTest() { settings.OpenRoot((root.path() / "Voltrim.conf").string()); }

  void Start() {
    settings.SetInt("Search", "Limit", 0);
    const std::vector<std::string> drives = {drive.string()};
    BrowserPlatform platform{[drives] { return drives; }, [drives] { return drives.front(); }};
    browser = std::make_unique<Browser>(settings, prompt, platform);
    browser->ChooseInitialDrive();
  }
  const BrowserState& State() const { return browser->State(); }

  TempDir root;
  fs::path drive = root.path() / "disk";
  SettingsStore settings;
  RecordingPrompt prompt;
  std::unique_ptr<Browser> browser;
};

TEST_F(XmasterGridTest, RowsFollowMastersAndAreCountedSelectedAndLoaded) {
  std::vector<std::string> symbols;
  for (int i = 0; i < 300; ++i) symbols.push_back("S" + std::to_string(i));
  Write(drive, PortfolioOf(symbols, 1));
  std::vector<XmasterSpec> listed;
  for (int n = 256; n < 259; ++n) {
    listed.push_back({n, "X" + std::to_string(n), "EXTENDED " + std::to_string(n)});
    WriteFileBytes(drive / MwdFileName(n),
                   BuildDatBytes(MakeDailySeries(n, "X", "", Quotes(n - 253), false)));
  }
  WriteFileBytes(drive / "XMASTER", BuildXmasterBytes(listed));
  Start();

  EXPECT_EQ(prompt.MessageTexts(),
            Texts{"File has 300 symbols.\nWill only display the first 255 symbols"});
  const SymbolTable& table = State().symbols;
  ASSERT_EQ(table.RowCount(), 258);
  EXPECT_EQ(table.count, 258);
  EXPECT_EQ(table.CellText(254, 0), "S254");
  for (int row = 255; row < 258; ++row) {
    const SymbolRow& shown = table.rows[static_cast<std::size_t>(row)];
    EXPECT_EQ(table.CellText(row, 0), "X" + std::to_string(row + 1));
    EXPECT_EQ(table.CellText(row, 1), "EXTENDED " + std::to_string(row + 1));
    EXPECT_EQ(shown.index, IndexFile::kXmaster);
    EXPECT_EQ(shown.record, row - 255);
  }
  EXPECT_EQ(table.rows[3].index, IndexFile::kMaster);
  EXPECT_EQ(table.rows[3].record, 3);

  browser->OnSymbolRowSelected(257);
  EXPECT_EQ(SymbolPaneText(State()), "Symbol 258 of 258");
  ASSERT_TRUE(browser->LoadSelectedQuotes());
  EXPECT_EQ(State().quotes.loadedSymbol, "X258");
  EXPECT_EQ(State().quotes.RowCount(), 5);
}

TEST_F(XmasterGridTest, AnXmasterThatCannotBeReadAddsNoRows) {
  Write(drive, PortfolioOf({"AAA", "BBB"}, 1));
  WriteText(drive / "XMASTER", "broken file\n");
  Start();
  EXPECT_TRUE(prompt.MessageTexts().empty());
  EXPECT_EQ(State().symbols.RowCount(), 2);
  browser->OnSymbolRowSelected(1);
  EXPECT_EQ(SymbolPaneText(State()), "Symbol 2 of 2");
}

}  // namespace
}  // namespace voltrim::testing
