#include <gtest/gtest.h>

#include "datafiles/io/change_journal.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/write/symbol_batch.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

using R = SymbolRefusal;

// What the rows of the write commands do not show: every reason a list can meet, in one
// refusal that writes nothing. p holds ALPHA, A (named ALPHA), C (named CEE), D without its
// data file, a symbol of 15 characters, B, and X256 in XMASTER; q a full MASTER holding B,
// and an XMASTER; r a full MASTER and no XMASTER.
TEST(SymbolBatch, RefusesTheWholeListWithEveryReasonAndWritesNothing) {
  TempDir temp;
  const std::string p =
      Write(temp.path() / "p",
            Portfolio({Symbol(1, "ALPHA", "SECOND"), Symbol(2, "A", "ALPHA"), Symbol(3, "C", "CEE"),
                       Symbol(4, "D"), Symbol(5, "FIFTEENCHARSXYZ"), Symbol(6, "B")}));
  fs::remove(temp.path() / "p" / "F4.DAT");
  WriteFileBytes(temp.path() / "p" / "XMASTER", BuildXmasterBytes({{256, "X256", "EXTENDED"}}));
  WriteFileBytes(temp.path() / "p" / "F256.MWD", BuildDatBytes(MwdSeries(256)));
  const std::string q = Write(temp.path() / "q", Portfolio({Symbol(255, "B", "BEE")}));
  WriteFileBytes(temp.path() / "q" / "XMASTER", BuildXmasterBytes({{256, "Q256", "QUEUE"}}));
  const std::string r = Write(temp.path() / "r", Portfolio({Symbol(255, "R")}));
  const Snapshot before = TakeSnapshot(temp.path());

  // C and CEE name one series, which goes once; A takes its name ALPHA at q before ALPHA.
  std::vector<RefusedSymbol> refused;
  EXPECT_EQ(
      MoveOrCopySymbols(p, {"c", "A", "NOPE", "D", "b", "CEE", "ALPHA", "X256", "FIFTEENCHARSXYZ"},
                        q, true, refused),
      kSymbolsRefused);
  const std::vector<std::pair<std::string, R>> expected = {{"NOPE", R::kNotFound},
                                                           {"D", R::kNoDataFile},
                                                           {"b", R::kExists},
                                                           {"ALPHA", R::kClashes},
                                                           {"FIFTEENCHARSXYZ", R::kTooLong}};
  std::vector<std::pair<std::string, R>> got;
  for (const RefusedSymbol& s : refused) got.emplace_back(s.symbol, s.reason);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(SymbolsRefusedMessage("moved", 9, refused, "/d/p", "/d/q"),
            "Nothing was moved: 5 of the 9 Symbols cannot be.\n\nNot found in /d/p: NOPE\n"
            "Without their data file: D\nAlready in /d/q: b\n"
            "Symbol or name of another one chosen: ALPHA\n"
            "Symbol too long for XMASTER in /d/q: FIFTEENCHARSXYZ");

  // p holds both itself; r has no room and no XMASTER; a delete names what no row shows.
  EXPECT_EQ(MoveOrCopySymbols(p, {"A", "B"}, p, false, refused), kSymbolsRefused);
  EXPECT_EQ(refused.size(), 2u);
  EXPECT_EQ(MoveOrCopySymbols(p, {"A", "X256"}, r, false, refused), kSymbolsRefused);
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(std::pair(refused[0].reason, refused[1].reason), std::pair(R::kNoRoom, R::kNoRoom));
  EXPECT_EQ(
      DeleteSymbols(
          p, {{"A", IndexFile::kMaster}, {"A", IndexFile::kXmaster}, {"alpha", IndexFile::kMaster}},
          refused),
      kSymbolsRefused);
  ASSERT_EQ(refused.size(), 2u);
  EXPECT_EQ(refused[0].symbol + " " + refused[1].symbol, "A alpha");
  EXPECT_EQ(TakeSnapshot(temp.path()), before);
}

// A real folder's shape, 255 series in MASTER and 2,591 in XMASTER: 50 of both move into a
// new portfolio in one step that replaces each index file once, and one undo brings both
// folders back byte for byte; a list with one symbol refused writes nothing.
TEST(SymbolBatch, FiftySeriesOfAWideFolderMoveInOneStepThatOneUndoTakesBack) {
  TempDir temp;
  const std::string p = WriteWideFolder(temp.path() / "p", 2591);
  // An empty portfolio, as a new one is made (without the journal of its making).
  const std::string q = Write(temp.path() / "q", Portfolio({}));
  std::vector<std::string> symbols;
  for (int i = 0; i < 25; ++i) {
    symbols.push_back("M" + std::to_string(10 * i + 1));
    symbols.push_back("X" + std::to_string(256 + 100 * i));
  }
  const Snapshot before = TakeSnapshot(temp.path());
  std::vector<RefusedSymbol> refused;
  std::vector<std::string> withOneUnknown = symbols;
  withOneUnknown.insert(withOneUnknown.begin() + 20, "NOSUCH");
  EXPECT_EQ(MoveOrCopySymbols(p, withOneUnknown, q, true, refused), kSymbolsRefused);
  EXPECT_EQ(refused.size(), 1u);
  EXPECT_EQ(TakeSnapshot(temp.path()), before);

  file_ops::StartRecording();
  ASSERT_EQ(MoveOrCopySymbols(p, symbols, q, true, refused), kOk);
  std::map<std::string, int> replaced;
  for (const file_ops::Operation& op : file_ops::StopRecording()) {
    const fs::path to(op.to);
    const std::string name = to.filename().string();
    if (op.kind == file_ops::Operation::Kind::kRename &&
        (name == "MASTER" || name == "EMASTER" || name == "XMASTER"))
      ++replaced[to.parent_path().filename().string() + "/" + name];
  }
  EXPECT_EQ(replaced,
            (std::map<std::string, int>{{"p/MASTER", 1}, {"p/XMASTER", 1}, {"q/MASTER", 1}}));
  const MasterFile moved = ReadMaster(q);
  ASSERT_EQ(moved.records.size(), 50u);  // the new portfolio's MASTER takes all fifty
  EXPECT_EQ(moved.records[1].SymbolField(), "X256            ");
  EXPECT_EQ(ReadFileBytes(temp.path() / "q" / "F2.DAT"), before.at("p/F256.MWD"));

  std::string what, differing;
  ASSERT_EQ(UndoLastChange(p, what, differing), kOk) << differing;
  EXPECT_EQ(what, "Move 50 Symbols");
  EXPECT_EQ(TakeSnapshot(temp.path()), before);
}

}  // namespace
}  // namespace voltrim::testing
