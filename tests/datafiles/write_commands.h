#pragma once

// Every write command once, as the core's call, voltrim-cli's words and (in the window test,
// keyed by name) the window's form. The fault sweep, the power-loss simulation, the undo
// twins, the memory files and the window-against-CLI test all iterate this table: a new
// write joins every one of them with one row.
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "datafiles/fixtures.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/write/import_quotes.h"
#include "datafiles/write/new_files.h"
#include "datafiles/write/repair_master.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/update_portfolio.h"
#include "datafiles/write/xmaster_write.h"
#include "import/update_command.h"
#include "import/update_sources.h"

namespace voltrim::testing {

// One write, run against a fresh pair of portfolios root/p and root/q.
struct WriteCommand {
  const char* name;
  std::function<int(const std::string& p, const std::string& q)> run;
  // voltrim-cli's words for the same write; "@x" is root/x. Empty: the CLI has no such write.
  std::vector<std::string> cli = {};
  bool noWindowForm = false;          // the window has no form of its own for it
  std::set<int> partialResults = {};  // "partly done"; any other non-zero result failed cleanly
  bool rerunnable = false;            // running it again after a crash must finish the job
  bool damagedSymbol = false;         // OTHER's symbol blanked, for the repair
  bool bare = false;                  // no EMASTER, and ACME without its DOP file
  bool xmaster = false;               // p's XMASTER lists X256 (F256.MWD)
  bool fullDest = false;              // q's MASTER is full and its XMASTER lists Q256
  bool gap = false;                   // ACME has no quote on 01/04/00
  // A batch of data files replaced before the index files: after a power cut they may
  // stand in any mix of old and new (each whole), which no moment of the run showed; the
  // index files still follow them only at the end, and running it again finishes the job.
  bool dataFilesInAnyOrder = false;
  // symbol -> folders it may be found in afterwards; never in none of them.
  std::vector<std::pair<std::string, std::vector<std::string>>> mustKeep = {
      {"ACME", {"p", "q"}}, {"OTHER", {"p"}}, {"D1", {"q"}}};
  bool bars = false;  // p also holds BARS (file 3), a series with a time of day
  // Run on the fixture first (the change an undo row takes back).
  std::function<int(const std::string& p, const std::string& q)> prepare = {};
  const char* undoIn = nullptr;  // where an undo of it runs, below root; default p (a copy: q)
  std::string cliInput = {};     // written to root/input.csv, which the row reads
};

inline void MakeFixture(const fs::path& root, const WriteCommand& s) {
  std::vector<DailyQuote> acme = Quotes(5);
  if (s.gap) acme.erase(acme.begin() + 1);
  PortfolioSpec p = Portfolio({SeriesEntry(MakeDailySeries(1, "ACME", "ACME CORP", acme)),
                               Symbol(2, "OTHER", "OTHER INC")});
  if (s.bars) {
    SeriesSpec bars = BarSeries(ThreeDaysOfBars());
    bars.fileNumber = 3;
    p.entries.push_back(SeriesEntry(bars));
  }
  Write(root / "p", p);
  Write(root / "q", Portfolio({Symbol(s.fullDest ? 255 : 1, "D1", "DEST ONE")}));
  WriteFileBytes(root / "p" / "F1.BAK", {1, 2, 3});
  WriteFileBytes(root / "p" / "MASTER.BAK", {4, 5, 6});
  if (s.damagedSymbol) {
    Bytes master = ReadFileBytes(root / "p" / "MASTER");
    std::fill_n(master.begin() + 2 * 53 + 36, 16, ' ');
    WriteFileBytes(root / "p" / "MASTER", master);
  }
  if (s.xmaster) {
    WriteFileBytes(root / "p" / "XMASTER", BuildXmasterBytes({{256, "X256", "EXTENDED"}}));
    WriteFileBytes(root / "p" / "F256.MWD", MwdBytes(256));
  }
  if (s.fullDest) {
    WriteFileBytes(root / "q" / "XMASTER", BuildXmasterBytes({{256, "Q256", "DEST XMASTER"}}));
    WriteFileBytes(root / "q" / "F256.MWD", MwdBytes(256, 2));
  }
  if (!s.cliInput.empty()) WriteText(root / "input.csv", s.cliInput);
  if (s.bare) {
    fs::remove(root / "p" / "F1.DOP");
  } else {
    WriteMirroringEmaster(root / "p");
    WriteMirroringEmaster(root / "q");
  }
  if (s.prepare) {
    ASSERT_GE(s.prepare((root / "p").string(), (root / "q").string()), 0) << s.name;
  }
}

// Quotes for ACME's five (01/03/00 to 01/07/00): unless between is set, one after the last
// and one before the first, so that MASTER's dates follow; 01/04/00 as stored (skipped)
// and 01/05/00 with other values (replaced). The CLI reads the same from input.csv.
inline ImportRequest AcmeImport(bool between) {
  ImportRequest request;
  request.given = {true, false, true, true, true, true, true, false};
  request.overlap = ImportOverlap::kReplace;
  const auto quote = [&](DayNumber day, float p) {
    request.quotes.push_back({DayToDateValue(day),
                              0,
                              {p, p + 0.5f, p - 0.5f, p + 0.25f, 990 + p, 0},
                              static_cast<int>(request.quotes.size()) + 1});
  };
  if (!between) {
    quote(Day(2000, 1, 10), 20);
    quote(Day(1999, 12, 31), 9);
  }
  quote(Day(2000, 1, 4), 11);
  quote(Day(2000, 1, 5), 30);
  return request;
}
inline const std::string kAcmeImportText =
    "Date,Open,High,Low,Close,Volume\n2000-01-04,11,11.5,10.5,11.25,1001\n"
    "2000-01-05,30,30.5,29.5,30.25,1020\n";
inline const std::string kAcmeImportAroundText = kAcmeImportText +
                                                 "2000-01-10,20,20.5,19.5,20.25,1010\n"
                                                 "1999-12-31,9,9.5,8.5,9.25,999\n";

// A day more for ACME (MASTER) and X256 (XMASTER), and NEW, which the update creates.
inline const std::string kUpdateText =
    "symbol,date,open,high,low,close,volume\n"
    "ACME,2000-01-10,20,20.5,19.5,20.25,1010\n"
    "X256,2000-01-10,30,30.5,29.5,30.25,2010\n"
    "NEW,2000-01-11,5,5.5,4.5,5.25,100\n";

// The update as voltrim-cli makes it from root/input.csv.
inline int UpdateFromInput(const std::string& p) {
  UpdateSources sources;
  std::string message;
  const std::string input = (fs::path(p).parent_path() / "input.csv").string();
  if (!ReadUpdateSources({input}, sources, message)) return kFileRead;
  UpdateResult result;
  return UpdatePortfolio(p, UpdateRequestOf(sources, ImportOverlap::kReplace, true), result);
}

inline std::vector<WriteCommand> WriteCommands() {
  const DayNumber mon = Day(2000, 1, 3), wed = Day(2000, 1, 5);
  using edit_kind::kDelete, edit_kind::kInsert, edit_kind::kSet;
  const auto rewrite = [](const char* symbol, SeriesEdit edit) {
    return [symbol, edit](auto p, auto) { return RewriteSeries(edit, p, symbol); };
  };
  // One bar of BARS named by its date and time.
  const auto bar = [](std::int16_t kind, PackedTime time, PackedTime newTime = 0) {
    SeriesEdit edit = Edit(kind, Day(2013, 11, 14), Day(2013, 11, 14), {11, 12, 10, 11.5f, 500});
    edit.atTime = true;
    edit.time = time;
    edit.setTime = newTime != 0;
    edit.newTime = newTime;
    return [edit](auto p, auto) { return RewriteSeries(edit, p, "BARS"); };
  };
  const auto import = [](bool between) {
    return [between](auto p, auto) {
      ImportResult result;
      return ImportQuotes(p, "ACME", AcmeImport(between), result);
    };
  };
  const auto move = [](const char* symbol, bool remove) {
    return [=](auto p, auto q) { return MoveOrCopySymbol(p, symbol, q, remove); };
  };
  const std::array<float, 6> set = {11, 12, 10, 11.5f, 5000};
  const std::vector<std::string> setWords = {"--open", "11",      "--high", "12",       "--low",
                                             "10",     "--close", "11.5",   "--volume", "5000"};
  const auto words = [](std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  const std::vector<std::pair<std::string, std::vector<std::string>>> withX256 = {
      {"ACME", {"p"}}, {"X256", {"p", "q"}}, {"D1", {"q"}}};
  const std::set<int> moved = {kSourceNotRemoved, kSymbolFilesLeft};
  return {
      // The window's forms for a bar are the intraday window tests'.
      {.name = "set one bar and its time",
       .run = bar(kSet, PackTime(9, 5, 0), PackTime(9, 6, 30)),
       .cli = {"edit", "@p", "BARS", "11/14/13", "--time", "09:05", "--new-time", "09:06:30",
               "--open", "11", "--high", "12", "--low", "10", "--close", "11.5", "--volume", "500"},
       .noWindowForm = true,
       .bars = true},
      {.name = "insert one bar",
       .run = bar(kInsert, PackTime(9, 2, 30)),
       .cli = {"add-quote", "@p", "BARS", "11/14/13", "--time", "09:02:30"},
       .noWindowForm = true,
       .bars = true},
      {.name = "delete one bar",
       .run = bar(kDelete, PackTime(9, 10, 0)),
       .cli = {"delete-quote", "@p", "BARS", "11/14/13", "--time", "09:10"},
       .noWindowForm = true,
       .bars = true},
      {.name = "set",
       .run = rewrite("ACME", Edit(kSet, wed, wed, set)),
       .cli = words({"edit", "@p", "ACME", "01/05/00"}, setWords),
       .rerunnable = true},
      {.name = "scale",
       .run = rewrite("ACME", Edit(edit_kind::kScaleRange, 0, wed, {2, 2, 2, 2, 3, 3})),
       .cli = {"adjust", "@p", "ACME", "01/03/00", "01/05/00", "--price", "2", "--volume", "3",
               "--oi", "3"}},
      {.name = "delete first quote",
       .run = rewrite("ACME", Edit(kDelete, mon, mon)),
       .cli = {"delete-quote", "@p", "ACME", "01/03/00"},
       .partialResults = {kMasterDatesNotUpdated}},
      {.name = "insert",
       .run = rewrite("ACME", Edit(kInsert, wed, wed)),
       .cli = {"add-quote", "@p", "ACME", "01/05/00"},
       .gap = true},
      // The window and voltrim-cli have no command of their own for it.
      {.name = "master date",
       .run =
           [=](auto p, auto) {
             return SetMasterDate(MasterPathIn(p), DayToDateFloat(wed), 2, MasterDate::kLast);
           },
       .noWindowForm = true},
      {.name = "rename",
       .run = [](auto p,
                 auto) { return RenameMasterRecord(MasterPathIn(p), 1, "OTHER", "NEW NAME"); },
       .cli = {"rename-symbol", "@p", "OTHER", "OTHER", "NEW NAME"},
       .rerunnable = true},
      {.name = "repair",
       .run = [](auto p, auto) { return RepairMaster(MasterPathIn(p)); },
       .cli = {"repair", "@p"},
       .noWindowForm = true,
       .rerunnable = true,
       .damagedSymbol = true,
       .mustKeep = {{"ACME", {"p"}}, {"OTHER INC", {"p"}}}},
      {.name = "delete symbol",
       .run = [](auto p, auto) { return DeleteSymbol(p, "OTHER"); },
       .cli = {"delete-symbol", "@p", "OTHER"},
       .partialResults = {kSymbolFilesLeft},
       .mustKeep = {{"ACME", {"p"}}}},
      {.name = "copy symbol",
       .run = move("ACME", false),
       .cli = {"copy-symbol", "@p", "ACME", "@q"}},
      {.name = "move symbol",
       .run = move("ACME", true),
       .cli = {"move-symbol", "@p", "ACME", "@q"},
       .partialResults = moved},
      // Without an EMASTER (whose replacement syncs the folder once more) and without a DOP
      // file (whose placement does), MASTER follows the DAT file's placement directly.
      {.name = "move symbol, bare",
       .run = move("ACME", true),
       .cli = {"move-symbol", "@p", "ACME", "@q"},
       .noWindowForm = true,
       .partialResults = moved,
       .bare = true},
      // The quotes stand before MASTER's dates follow; running it again finishes the job.
      {.name = "import",
       .run = import(false),
       .cli = {"import", "@p", "ACME", "@input.csv", "--replace"},
       .noWindowForm = true,
       .partialResults = {kMasterDatesNotUpdated},
       .rerunnable = true,
       .cliInput = kAcmeImportAroundText},
      // Between the stored dates: MASTER stays as it is.
      {.name = "import between",
       .run = import(true),
       .cli = {"import", "@p", "ACME", "@input.csv", "--replace"},
       .noWindowForm = true,
       .cliInput = kAcmeImportText},
      {.name = "new symbol",
       .run =
           [](auto p, auto) {
             return CreateSeries(p, NewSeries{"NEW", "NEW SERIES", 7, false});
           },
       .cli = {"new-symbol", "@p", "NEW", "--name", "NEW SERIES", "--columns", "7"},
       .noWindowForm = true},
      // Two folders made (r and r/s), then EMASTER and MASTER.
      {.name = "new portfolio",
       .run =
           [](auto p, auto) {
             return CreatePortfolio((fs::path(p).parent_path() / "r" / "s").string());
           },
       .cli = {"new-portfolio", "@r/s"},
       .noWindowForm = true,
       .undoIn = "r/s"},
      // Series XMASTER lists, and XMASTER itself.
      {.name = "set MWD quote",
       .run = rewrite("X256", Edit(kSet, wed, wed, set)),
       .cli = words({"edit", "@p", "X256", "01/05/00"}, setWords),
       .rerunnable = true,
       .xmaster = true,
       .mustKeep = withX256},
      {.name = "delete last MWD quote",
       .run = rewrite("X256", Edit(kDelete, wed, wed)),
       .cli = {"delete-quote", "@p", "X256", "01/05/00"},
       .partialResults = {kXmasterDatesNotUpdated},
       .xmaster = true,
       .mustKeep = withX256},
      {.name = "rename in XMASTER",
       .run = [](auto p, auto) { return RenameXmasterRecord(p, 0, "X256", "NEW NAME"); },
       .cli = {"rename-symbol", "@p", "X256", "X256", "NEW NAME"},
       .rerunnable = true,
       .xmaster = true,
       .mustKeep = withX256},
      {.name = "delete XMASTER symbol",
       .run = [](auto p, auto) { return DeleteXmasterSymbol(p, "X256"); },
       .cli = {"delete-symbol", "@p", "X256"},
       .partialResults = {kSymbolFilesLeft},
       .xmaster = true,
       .mustKeep = {{"ACME", {"p"}}}},
      {.name = "move MWD to DAT",
       .run = move("X256", true),
       .cli = {"move-symbol", "@p", "X256", "@q"},
       .partialResults = moved,
       .xmaster = true,
       .mustKeep = withX256},
      {.name = "move DAT to XMASTER",
       .run = move("ACME", true),
       .cli = {"move-symbol", "@p", "ACME", "@q"},
       .partialResults = moved,
       .fullDest = true},
      // Many series in one write (its window form is the update window test's); the data
      // files stand before the index files follow, and running it again finishes the job.
      {.name = "update",
       .run = [](auto p, auto) { return UpdateFromInput(p); },
       .cli = {"update", "@p", "@input.csv", "--create", "--replace"},
       .noWindowForm = true,
       .partialResults = {kUpdateIndexBehind},
       .rerunnable = true,
       .xmaster = true,
       .dataFilesInAnyOrder = true,
       .mustKeep = withX256,
       .cliInput = kUpdateText},
      {.name = "copy MWD to XMASTER",
       .run = move("X256", false),
       .cli = {"copy-symbol", "@p", "X256", "@q"},
       .xmaster = true,
       .fullDest = true,
       .mustKeep = withX256},
  };
}

// Every write, then each once more taken back by an undo in the folder named (a copy
// changes only its destination); an undo cut short finishes when run again.
inline std::vector<WriteCommand> WriteAndUndoCommands() {
  static std::deque<std::string> undoNames;  // kept for the rows' lifetime
  std::vector<WriteCommand> all = WriteCommands();
  for (const WriteCommand& write : WriteCommands()) {
    WriteCommand undo = write;
    const bool inDestination = std::string(write.name).rfind("copy", 0) == 0;
    const std::string undoIn = write.undoIn ? write.undoIn : inDestination ? "q" : "p";
    undo.prepare = write.run;
    undo.run = [undoIn](const std::string& p, const std::string&) {
      std::string what, differing;
      const Status status =
          UndoLastChange((fs::path(p).parent_path() / undoIn).string(), what, differing);
      // Run again after a crash past the journal's removal, the undo has nothing left to do.
      return status == kNothingToUndo ? kOk : status;
    };
    undo.cli = {"undo", "@" + undoIn};
    undo.noWindowForm = true;  // the window's undo has tests of its own
    // Cut short, an undo leaves some files put back and others not, each whole.
    undo.partialResults = {kFileWrite, kFileRead};
    undo.rerunnable = true;
    undoNames.push_back(std::string("undo ") + write.name);
    undo.name = undoNames.back().c_str();
    all.push_back(undo);
  }
  return all;
}

}  // namespace voltrim::testing
