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
#include "datafiles/write/symbol_batch.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/update_portfolio.h"
#include "datafiles/write/xmaster_write.h"
#include "import/import_command.h"
#include "import/import_text.h"
#include "import/update_command.h"
#include "import/update_sources.h"

namespace voltrim::testing {

// A write's fixture before and after it, by paths below the root ("p/MASTER").
struct WriteResult {
  fs::path root;
  Snapshot before, after;
  Bytes was(const std::string& path) const {
    return before.count(path) ? before.at(path) : Bytes{};
  }
  Bytes now(const std::string& path) const { return after.count(path) ? after.at(path) : Bytes{}; }
  bool has(const std::string& path) const { return after.count(path) != 0; }
  std::vector<float> closes(const std::string& folder, const std::string& symbol) const {
    std::vector<float> closes;
    for (const Quote& quote : ReadQuotes((root / folder).string(), symbol))
      closes.push_back(quote.close);
    return closes;
  }
};

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
  bool lastSlotDest = false;          // the same, but D1 is F254: MASTER takes one more
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
  bool redoes = false;           // a redo: it gives back what prepare's first write left
  std::string cliInput = {};     // written to root/input.csv, which the row reads
  // What it must leave, byte for byte where it matters.
  std::function<void(const WriteResult&)> leaves = {};
};

inline SeriesSpec AcmeSpec(bool gap) {
  std::vector<DailyQuote> acme = Quotes(5);
  if (gap) acme.erase(acme.begin() + 1);
  return MakeDailySeries(1, "ACME", "ACME CORP", acme);
}
inline SeriesSpec BarsSpec() {
  SeriesSpec bars = BarSeries(ThreeDaysOfBars());
  bars.fileNumber = 3;
  return bars;
}

// An imported quote of `day` on input line `line`, told apart by its close.
inline ImportQuote Q(DayNumber day, float close, int line, float volume = 100) {
  return {DayToDateValue(day), 0, {close, close + 1, close - 1, close, volume, 0}, line};
}

// A MASTER of the records given (0-based indexes into `master`), counted, with the highest
// file number given.
inline Bytes MasterOf(const Bytes& master, std::vector<Bytes> records, int highest) {
  Bytes out(master.begin(), master.begin() + 53);
  for (const Bytes& record : records) out.insert(out.end(), record.begin(), record.end());
  out[0] = static_cast<unsigned char>(records.size());
  out[2] = static_cast<unsigned char>(highest);
  return out;
}

inline void MakeFixture(const fs::path& root, const WriteCommand& s) {
  PortfolioSpec p = Portfolio({SeriesEntry(AcmeSpec(s.gap)), Symbol(2, "OTHER", "OTHER INC")});
  if (s.bars) p.entries.push_back(SeriesEntry(BarsSpec()));
  Write(root / "p", p);
  Write(root / "q", Portfolio({Symbol(s.fullDest       ? 255
                                      : s.lastSlotDest ? 254
                                                       : 1,
                                      "D1", "DEST ONE")}));
  WriteFileBytes(root / "p" / "F1.BAK", {1, 2, 3});
  WriteFileBytes(root / "p" / "MASTER.BAK", {4, 5, 6});
  const fs::path master = root / "p" / "MASTER";
  if (s.damagedSymbol)
    WriteFileBytes(master, Put(ReadFileBytes(master), M(1, 36), "                "));
  if (s.xmaster) {
    WriteFileBytes(root / "p" / "XMASTER", BuildXmasterBytes({{256, "X256", "EXTENDED"}}));
    WriteFileBytes(root / "p" / "F256.MWD", BuildDatBytes(MwdSeries(256)));
  }
  if (s.fullDest || s.lastSlotDest) {
    WriteFileBytes(root / "q" / "XMASTER", BuildXmasterBytes({{256, "Q256", "DEST XMASTER"}}));
    WriteFileBytes(root / "q" / "F256.MWD", BuildDatBytes(MwdSeries(256, 2)));
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

// Quotes for ACME's five (01/03/00 to 01/07/00), read from root/input.csv as voltrim-cli
// reads them: 01/04/00 as stored (skipped) and 01/05/00 with other values (replaced); in the
// second text also one after the last and one before the first, so that MASTER's dates follow.
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

inline int ImportFromInput(const std::string& p) {
  ImportText parsed;
  ImportTextError error;
  if (!ParseImportText(ReadText(fs::path(p).parent_path() / "input.csv"), parsed, error))
    return kBadRequest;
  ImportResult result;
  return ImportQuotes(p, "ACME", ImportRequestOf(parsed, ImportOverlap::kReplace), result);
}

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
    const SeriesEdit edit =
        AtTime(kind, Day(2013, 11, 14), time, newTime, {{11, 12, 10, 11.5f, 500}});
    return [edit](auto p, auto) { return RewriteSeries(edit, p, "BARS"); };
  };
  const auto move = [](const char* symbol, bool remove) {
    return [=](auto p, auto q) { return MoveOrCopySymbol(p, symbol, q, remove); };
  };
  // ACME (MASTER) and X256 (XMASTER) in one write.
  const auto moveBoth = [](bool remove) {
    return [=](auto p, auto q) {
      std::vector<RefusedSymbol> refused;
      return MoveOrCopySymbols(p, {"ACME", "X256"}, q, remove, refused);
    };
  };
  const std::array<float, 6> set = {11, 12, 10, 11.5f, 5000};
  const std::vector<std::pair<std::string, std::vector<std::string>>> withX256 = {
      {"ACME", {"p"}}, {"X256", {"p", "q"}}, {"D1", {"q"}}};
  const std::set<int> moved = {kSourceNotRemoved, kSymbolFilesLeft};
  using Leaves = std::function<void(const WriteResult&)>;
  const auto jan = [](int d) { return DayToDateValue(Day(2000, 1, d)); };
  const auto mbf = [](int y, int m, int d) { return DayToDateFloat(Day(y, m, d)); };
  // A series' data file changed as `change` says, the old one kept as its backup.
  const auto dat = [](std::string file, SeriesSpec series,
                      std::function<void(std::vector<RawRecord>&)> change, Leaves more = {}) {
    return [=](const WriteResult& r) {
      EXPECT_EQ(r.now("p/" + file), DatWith(series, change));
      EXPECT_EQ(r.now("p/" + fs::path(file).replace_extension(".BAK").string()),
                r.was("p/" + file));
      if (more) more(r);
    };
  };
  const auto masterAs = [](std::function<Bytes(const Bytes&)> expected) {
    return [=](const WriteResult& r) { EXPECT_EQ(r.now("p/MASTER"), expected(r.was("p/MASTER"))); };
  };
  const Leaves masterKept = [](const WriteResult& r) {
    EXPECT_EQ(r.now("p/MASTER"), r.was("p/MASTER"));
  };
  // ACME copied or moved to q as F2, the next number there.
  const auto acmeTo = [=](bool move, bool dop) {
    return [=](const WriteResult& r) {
      const Bytes q = r.was("q/MASTER"), p = r.was("p/MASTER");
      EXPECT_EQ(
          r.now("q/MASTER"),
          MasterOf(q, {MasterRecordBytes(q, 0), PutNumber(MasterRecordBytes(p, 0), 0, 2, 1)}, 2));
      EXPECT_EQ(r.now("q/F2.DAT"), r.was("p/F1.DAT"));
      EXPECT_EQ(r.now("q/F2.DOP"), dop ? r.was("p/F1.DOP") : Bytes{});
      EXPECT_EQ(r.now("p/MASTER"), move ? MasterOf(p, {MasterRecordBytes(p, 1)}, 1) : p);
      for (const char* file : {"p/F1.DAT", "p/F1.DOP", "p/F1.BAK"})
        EXPECT_EQ(r.has(file), !move && r.before.count(file)) << file;
    };
  };
  // X256 added to q's XMASTER as F257 (after Q256), from p's MASTER (ACME) or XMASTER.
  const auto x257In = [](const char* symbol, const char* from) {
    return [=](const WriteResult& r) {
      const Bytes x = r.now("q/XMASTER");
      ASSERT_EQ(x.size(), 450u);
      Bytes head = PutNumber(PutNumber(r.was("q/XMASTER"), 10, 2, 2), 14, 2, 2);
      EXPECT_EQ(Bytes(x.begin(), x.begin() + 300), PutNumber(head, 18, 258, 2));
      EXPECT_EQ(XText(x, X(1, 1), 15), symbol);
      EXPECT_EQ(Number(x, X(1, 65), 2), 257);
      EXPECT_EQ(r.now("q/F257.MWD"), r.was(from));
      EXPECT_EQ(r.now("q/XMASTER.BAK"), r.was("q/XMASTER"));
    };
  };
  // Its one record gone, the next file number kept.
  const auto xmasterEmptied = [](const WriteResult& r) {
    Bytes header = r.was("p/XMASTER");
    header.resize(150);
    EXPECT_EQ(r.now("p/XMASTER"), PutNumber(PutNumber(header, 10, 0, 2), 14, 0, 2));
    EXPECT_FALSE(r.has("p/F256.MWD"));
  };
  // ACME and X256 moved into q's MASTER as F2 and F3, after D1.
  const auto bothMoved = [=](const WriteResult& r) {
    const Bytes q = r.now("q/MASTER"), p = r.was("p/MASTER");
    ASSERT_EQ(q.size(), 4 * 53u);
    EXPECT_EQ((std::array<int, 3>{q[0], q[2], q[M(2, 0)]}), (std::array<int, 3>{3, 3, 3}));
    EXPECT_EQ(MasterRecordBytes(q, 1), PutNumber(MasterRecordBytes(p, 0), 0, 2, 1));
    EXPECT_EQ(std::string(q.begin() + M(2, 36), q.begin() + M(2, 52)), "X256            ");
    for (const auto& [to, from] : std::map<std::string, std::string>{
             {"q/F2.DAT", "p/F1.DAT"}, {"q/F2.DOP", "p/F1.DOP"}, {"q/F3.DAT", "p/F256.MWD"}})
      EXPECT_EQ(r.now(to), r.was(from)) << to;
    EXPECT_FALSE(r.has("q/F3.DOP") || r.has("p/F1.DAT") || r.has("p/F1.DOP") || r.has("p/F1.BAK"));
    // Each keeps its long name in q's EMASTER: ACME's from p's EMASTER, X256's from XMASTER.
    const Bytes e = r.now("q/EMASTER"), was = r.was("p/EMASTER");
    ASSERT_EQ(e.size(), 4 * kEmasterRecordSize);
    EXPECT_EQ(DecodeEmasterRecord(e.data() + 2 * kEmasterRecordSize).longName,
              DecodeEmasterRecord(was.data() + kEmasterRecordSize).longName);
    EXPECT_EQ(DecodeEmasterRecord(e.data() + 3 * kEmasterRecordSize).longName, "EXTENDED");
    EXPECT_EQ(r.now("p/MASTER"), MasterOf(p, {MasterRecordBytes(p, 1)}, 1));
    xmasterEmptied(r);
  };
  // ACME copied into the last place of q's MASTER (F1), then X256 into q's XMASTER as F257,
  // after Q256.
  const auto bothCopied = [](const WriteResult& r) {
    const Bytes q = r.was("q/MASTER"), p = r.was("p/MASTER");
    EXPECT_EQ(
        r.now("q/MASTER"),
        MasterOf(q, {MasterRecordBytes(q, 0), PutNumber(MasterRecordBytes(p, 0), 0, 1, 1)}, 255));
    const Bytes x = r.now("q/XMASTER"), from = r.was("p/XMASTER");
    ASSERT_EQ(x.size(), 450u);
    EXPECT_EQ((std::array{Number(x, 10, 2), Number(x, 14, 2), Number(x, 18, 2)}),
              (std::array{2, 2, 258}));
    EXPECT_EQ(Bytes(x.begin() + X(1, 0), x.end()),
              PutNumber(Bytes(from.begin() + X(0, 0), from.end()), 65, 257, 2));
    for (const auto& [to, was] : std::map<std::string, std::string>{
             {"q/F1.DAT", "p/F1.DAT"}, {"q/F1.DOP", "p/F1.DOP"}, {"q/F257.MWD", "p/F256.MWD"}})
      EXPECT_EQ(r.now(to), r.was(was)) << to;
    for (const auto& [path, bytes] : r.before) {
      if (path.rfind("p/", 0) == 0) {
        EXPECT_EQ(r.now(path), bytes) << path;
      }
    }
  };
  const std::vector<std::pair<std::string, std::vector<std::string>>> bothInEither = {
      {"ACME", {"p", "q"}}, {"X256", {"p", "q"}}, {"OTHER", {"p"}}, {"D1", {"q"}}};
  return {
      {.name = "set one bar and its time",
       .run = bar(kSet, PackTime(9, 5, 0), PackTime(9, 6, 30)),
       .cli = {"edit", "@p", "BARS", "11/14/13", "--time", "09:05", "--new-time", "09:06:30",
               "--open", "11", "--high", "12", "--low", "10", "--close", "11.5", "--volume", "500"},
       .bars = true,
       .leaves = dat("F3.DAT", BarsSpec(),
                     [](auto& b) { b[5] = {1131114, 90630, 11, 12, 10, 11.5f, 500}; })},
      {.name = "insert one bar",
       .run = bar(kInsert, PackTime(9, 2, 30)),
       .cli = {"add-quote", "@p", "BARS", "11/14/13", "--time", "09:02:30"},
       .bars = true,
       .leaves = dat("F3.DAT", BarsSpec(),
                     [](auto& b) {
                       b.insert(b.begin() + 5, b[5]);
                       b[5][1] = 90230;
                     })},
      {.name = "delete one bar",
       .run = bar(kDelete, PackTime(9, 10, 0)),
       .cli = {"delete-quote", "@p", "BARS", "11/14/13", "--time", "09:10"},
       .bars = true,
       .leaves = dat("F3.DAT", BarsSpec(), [](auto& b) { b.erase(b.begin() + 6); })},
      {.name = "set",
       .run = rewrite("ACME", Edit(kSet, wed, wed, set)),
       .cli = {"edit", "@p", "ACME", "01/05/00", "--open", "11", "--high", "12", "--low", "10",
               "--close", "11.5", "--volume", "5000"},
       .rerunnable = true,
       .leaves = dat(
           "F1.DAT", AcmeSpec(false), [=](auto& q) { q[2] = {jan(5), 11, 12, 10, 11.5f, 5000}; },
           masterKept)},
      {.name = "scale",
       .run = rewrite("ACME", Edit(edit_kind::kScaleRange, 0, wed, {2, 2, 2, 2, 3, 3})),
       .cli = {"adjust", "@p", "ACME", "01/03/00", "01/05/00", "--price", "2", "--volume", "3",
               "--oi", "3"},
       .leaves = dat("F1.DAT", AcmeSpec(false),
                     [](auto& q) {
                       for (std::size_t i = 0; i < 3; ++i)
                         q[i] = {q[i][0],     2 * q[i][1], 2 * q[i][2],
                                 2 * q[i][3], 2 * q[i][4], 3 * q[i][5]};
                     })},
      {.name = "delete first quote",
       .run = rewrite("ACME", Edit(kDelete, mon, mon)),
       .cli = {"delete-quote", "@p", "ACME", "01/03/00"},
       .partialResults = {kMasterDatesNotUpdated},
       .leaves = dat(
           "F1.DAT", AcmeSpec(false), [](auto& q) { q.erase(q.begin()); },
           masterAs([=](const Bytes& m) { return Put(m, M(0, 25), mbf(2000, 1, 4)); }))},
      {.name = "insert",
       .run = rewrite("ACME", Edit(kInsert, wed, wed)),
       .cli = {"add-quote", "@p", "ACME", "01/05/00"},
       .gap = true,
       .leaves = dat(
           "F1.DAT", AcmeSpec(true),
           [=](auto& q) {
             q.insert(q.begin() + 1, q[1]);
             q[1][0] = jan(4);
           },
           masterKept)},
      // The window and voltrim-cli have no command of their own for it.
      {.name = "master date",
       .run =
           [=](auto p, auto) {
             return SetMasterDate(MasterPathIn(p), DayToDateFloat(wed), 2, MasterDate::kLast);
           },
       .leaves = masterAs([=](const Bytes& m) { return Put(m, M(1, 29), mbf(2000, 1, 5)); })},
      {.name = "rename",
       .run = [](auto p,
                 auto) { return RenameMasterRecord(MasterPathIn(p), 1, "OTHER", "NEW NAME"); },
       .cli = {"rename-symbol", "@p", "OTHER", "OTHER", "NEW NAME"},
       .rerunnable = true,
       .leaves = masterAs([](const Bytes& m) { return Put(m, M(1, 7), "NEW NAME        "); })},
      {.name = "repair",
       .run = [](auto p, auto) { return RepairMaster(MasterPathIn(p)); },
       .cli = {"repair", "@p"},
       .noWindowForm = true,
       .rerunnable = true,
       .damagedSymbol = true,
       .mustKeep = {{"ACME", {"p"}}, {"OTHER INC", {"p"}}},
       .leaves =
           [=](const WriteResult& r) {
             EXPECT_EQ(r.now("p/MASTER"), Put(r.was("p/MASTER"), M(1, 36), "OTHER INC       "));
             EXPECT_FALSE(r.has("p/MASTER.BAK"));  // its temporary's name
           }},
      {.name = "delete symbol",
       .run = [](auto p, auto) { return DeleteSymbol(p, "OTHER"); },
       .cli = {"delete-symbol", "@p", "OTHER"},
       .partialResults = {kSymbolFilesLeft},
       .mustKeep = {{"ACME", {"p"}}},
       .leaves =
           [](const WriteResult& r) {
             EXPECT_EQ(r.now("p/MASTER"),
                       MasterOf(r.was("p/MASTER"), {MasterRecordBytes(r.was("p/MASTER"), 0)}, 1));
             EXPECT_FALSE(r.has("p/F2.DAT") || r.has("p/F2.DOP"));
           }},
      {.name = "copy symbol",
       .run = move("ACME", false),
       .cli = {"copy-symbol", "@p", "ACME", "@q"},
       .leaves = acmeTo(false, true)},
      {.name = "move symbol",
       .run = move("ACME", true),
       .cli = {"move-symbol", "@p", "ACME", "@q"},
       .partialResults = moved,
       .leaves = acmeTo(true, true)},
      // Without an EMASTER (whose replacement syncs the folder once more) and without a DOP
      // file (whose placement does), MASTER follows the DAT file's placement directly.
      {.name = "move symbol, bare",
       .run = move("ACME", true),
       .cli = {"move-symbol", "@p", "ACME", "@q"},
       .noWindowForm = true,
       .partialResults = moved,
       .bare = true,
       .leaves = acmeTo(true, false)},
      // The quotes stand before MASTER's dates follow; running it again finishes the job.
      {.name = "import",
       .run = [](auto p, auto) { return ImportFromInput(p); },
       .cli = {"import", "@p", "ACME", "@input.csv", "--replace"},
       .partialResults = {kMasterDatesNotUpdated},
       .rerunnable = true,
       .cliInput = kAcmeImportAroundText,
       .leaves = dat(
           "F1.DAT", AcmeSpec(false),
           [=](auto& q) {
             q.insert(q.begin(), {991231, 9, 9.5f, 8.5f, 9.25f, 999});
             q[3] = {jan(5), 30, 30.5f, 29.5f, 30.25f, 1020};
             q.push_back({jan(10), 20, 20.5f, 19.5f, 20.25f, 1010});
           },
           masterAs([=](const Bytes& m) {
             return Put(Put(m, M(0, 25), mbf(1999, 12, 31)), M(0, 29), mbf(2000, 1, 10));
           }))},
      // Between the stored dates: MASTER stays as it is.
      {.name = "import between",
       .run = [](auto p, auto) { return ImportFromInput(p); },
       .cli = {"import", "@p", "ACME", "@input.csv", "--replace"},
       .cliInput = kAcmeImportText,
       .leaves = dat(
           "F1.DAT", AcmeSpec(false),
           [=](auto& q) { q[2] = {jan(5), 30, 30.5f, 29.5f, 30.25f, 1020}; }, masterKept)},
      {.name = "new symbol",
       .run =
           [](auto p, auto) {
             return CreateSeries(p, NewSeries{"NEW", "NEW SERIES", 7, false});
           },
       .cli = {"new-symbol", "@p", "NEW", "--name", "NEW SERIES", "--columns", "7"},
       .leaves =
           [=](const WriteResult& r) {
             const std::string dop =
                 "\"DATE\",0,0\r\n\"OPEN\",2,2\r\n\"HIGH\",2,2\r\n\"LOW\",2,2\r\n\"CLOSE\",2,"
                 "2\r\n\"VOL\",0,0\r\n\"OI\",0,0\r\n";
             EXPECT_EQ(r.now("p/F3.DOP"), Bytes(dop.begin(), dop.end()));
             EXPECT_EQ(r.now("p/F3.DAT"), PutNumber(Bytes(28, 0), 2, 1, 1));  // no quote
             Bytes record = Put(Put(Bytes(53, 0), 7, "NEW SERIES      "), 36, "NEW             ");
             for (const auto& [at, value] :
                  {std::pair<std::size_t, int>{0, 3}, {1, 0x65}, {3, 28}, {4, 7}, {33, 'D'}})
               record[at] = static_cast<unsigned char>(value);
             const Bytes m = r.was("p/MASTER");
             EXPECT_EQ(r.now("p/MASTER"),
                       MasterOf(m, {MasterRecordBytes(m, 0), MasterRecordBytes(m, 1), record}, 3));
           }},
      // Two folders made (r and r/s), then EMASTER and MASTER.
      {.name = "new portfolio",
       .run =
           [](auto p, auto) {
             return CreatePortfolio((fs::path(p).parent_path() / "r" / "s").string());
           },
       .cli = {"new-portfolio", "@r/s"},
       .undoIn = "r/s",
       .leaves =
           [](const WriteResult& r) {
             EXPECT_EQ(r.now("r/s/MASTER"), Bytes(53, 0));
             EXPECT_EQ(r.now("r/s/EMASTER"), Bytes(192, 0));
             EXPECT_EQ(r.after.size(), r.before.size() + 2);
           }},
      // Series XMASTER lists, and XMASTER itself.
      {.name = "set MWD quote",
       .run = rewrite("X256", Edit(kSet, wed, wed, set)),
       .cli = {"edit", "@p", "X256", "01/05/00", "--open", "11", "--high", "12", "--low", "10",
               "--close", "11.5", "--volume", "5000"},
       .rerunnable = true,
       .xmaster = true,
       .mustKeep = withX256,
       .leaves = dat(
           "F256.MWD", MwdSeries(256), [=](auto& q) { q[2] = {jan(5), 11, 12, 10, 11.5f, 5000}; },
           [](const WriteResult& r) {
             EXPECT_EQ(r.now("p/XMASTER"), r.was("p/XMASTER"));  // its ends stay
             EXPECT_FALSE(r.has("p/XMASTER.BAK"));
           })},
      {.name = "delete last MWD quote",
       .run = rewrite("X256", Edit(kDelete, wed, wed)),
       .cli = {"delete-quote", "@p", "X256", "01/05/00"},
       .partialResults = {kXmasterDatesNotUpdated},
       .xmaster = true,
       .mustKeep = withX256,
       .leaves = dat(
           "F256.MWD", MwdSeries(256), [](auto& q) { q.pop_back(); },
           [](const WriteResult& r) {
             EXPECT_EQ(r.now("p/XMASTER"), PutNumber(r.was("p/XMASTER"), X(0, 116), 20000104, 4));
             EXPECT_EQ(r.now("p/XMASTER.BAK"), r.was("p/XMASTER"));
           })},
      {.name = "rename in XMASTER",
       .run = [](auto p, auto) { return RenameXmasterRecord(p, 0, "X256", "NEW NAME"); },
       .cli = {"rename-symbol", "@p", "X256", "X256", "NEW NAME"},
       .rerunnable = true,
       .xmaster = true,
       .mustKeep = withX256,
       .leaves =
           [](const WriteResult& r) {
             EXPECT_EQ(r.now("p/XMASTER"), Put(r.was("p/XMASTER"), X(0, 16), "NEW NAME"));
           }},
      {.name = "delete XMASTER symbol",
       .run = [](auto p, auto) { return DeleteXmasterSymbol(p, "X256"); },
       .cli = {"delete-symbol", "@p", "X256"},
       .partialResults = {kSymbolFilesLeft},
       .xmaster = true,
       .mustKeep = {{"ACME", {"p"}}},
       .leaves = xmasterEmptied},
      {.name = "move MWD to DAT",
       .run = move("X256", true),
       .cli = {"move-symbol", "@p", "X256", "@q"},
       .partialResults = moved,
       .xmaster = true,
       .mustKeep = withX256,
       .leaves =
           [=](const WriteResult& r) {
             const Bytes q = r.now("q/MASTER");
             ASSERT_EQ(q.size(), 3 * 53u);
             EXPECT_EQ(q[0], 2);
             const Bytes record = MasterRecordBytes(q, 1);
             EXPECT_EQ((std::array{record[0], record[3], record[4], record[33]}),
                       (std::array<unsigned char, 4>{2, 24, 6, 'D'}));
             EXPECT_EQ(std::string(record.begin() + 7, record.begin() + 23), "EXTENDED        ");
             EXPECT_EQ(std::string(record.begin() + 36, record.begin() + 52), "X256            ");
             EXPECT_EQ(r.now("q/F2.DAT"), r.was("p/F256.MWD"));
             xmasterEmptied(r);
           }},
      {.name = "move DAT to XMASTER",
       .run = move("ACME", true),
       .cli = {"move-symbol", "@p", "ACME", "@q"},
       .partialResults = moved,
       .fullDest = true,
       .leaves =
           [=](const WriteResult& r) {
             x257In("ACME", "p/F1.DAT")(r);
             const Bytes x = r.now("q/XMASTER");
             EXPECT_EQ(XText(x, X(1, 16), 46), "ACME CORP LONG");  // EMASTER's long name
             EXPECT_EQ((std::array<int, 5>{x[X(1, 0)], x[X(1, 62)], x[X(1, 70)],
                                           Number(x, X(1, 108), 4), Number(x, X(1, 116), 4)}),
                       (std::array<int, 5>{1, 'D', 0x3F, 20000103, 20000107}));
             EXPECT_EQ(r.now("p/MASTER"),
                       MasterOf(r.was("p/MASTER"), {MasterRecordBytes(r.was("p/MASTER"), 1)}, 1));
           }},
      // Many series in one write; the data files stand before the index files follow, and
      // running it again finishes the job.
      {.name = "update",
       .run = [](auto p, auto) { return UpdateFromInput(p); },
       .cli = {"update", "@p", "@input.csv", "--create", "--replace"},
       .partialResults = {kUpdateIndexBehind},
       .rerunnable = true,
       .xmaster = true,
       .dataFilesInAnyOrder = true,
       .mustKeep = withX256,
       .cliInput = kUpdateText,
       .leaves =
           [](const WriteResult& r) {
             EXPECT_EQ(r.closes("p", "ACME"),
                       (std::vector<float>{10.25f, 11.25f, 12.25f, 13.25f, 14.25f, 20.25f}));
             EXPECT_EQ(r.closes("p", "X256"),
                       (std::vector<float>{256.25f, 257.25f, 258.25f, 30.25f}));
             EXPECT_EQ(r.closes("p", "NEW"), std::vector<float>{5.25f});
           }},
      // Many series at once, of MASTER and of XMASTER: one lock, one journal, each index file
      // replaced once.
      {.name = "delete symbols",
       .run =
           [](auto p, auto) {
             std::vector<RefusedSymbol> refused;
             return DeleteSymbols(p, {{"OTHER", IndexFile::kMaster}, {"X256", IndexFile::kXmaster}},
                                  refused);
           },
       .cli = {"delete-symbol", "@p", "OTHER", "X256"},
       .partialResults = {kSymbolFilesLeft},
       .xmaster = true,
       .mustKeep = {{"ACME", {"p"}}},
       .leaves =
           [=](const WriteResult& r) {
             const Bytes p = r.was("p/MASTER");
             EXPECT_EQ(r.now("p/MASTER"), MasterOf(p, {MasterRecordBytes(p, 0)}, 1));
             EXPECT_FALSE(r.has("p/F2.DAT") || r.has("p/F2.DOP"));
             xmasterEmptied(r);
           }},
      {.name = "move symbols",
       .run = moveBoth(true),
       .cli = {"move-symbol", "@p", "ACME", "X256", "@q"},
       .partialResults = moved,
       .xmaster = true,
       .mustKeep = bothInEither,
       .leaves = bothMoved},
      {.name = "copy symbols",
       .run = moveBoth(false),
       .cli = {"copy-symbol", "@p", "ACME", "X256", "@q"},
       .xmaster = true,
       .lastSlotDest = true,
       .mustKeep = bothInEither,
       .leaves = bothCopied},
      {.name = "copy MWD to XMASTER",
       .run = move("X256", false),
       .cli = {"copy-symbol", "@p", "X256", "@q"},
       .xmaster = true,
       .fullDest = true,
       .mustKeep = withX256,
       .leaves =
           [=](const WriteResult& r) {
             x257In("X256", "p/F256.MWD")(r);
             EXPECT_EQ(r.now("p/XMASTER"), r.was("p/XMASTER"));
           }},
  };
}

inline void PrintTo(const WriteCommand& row, std::ostream* out) { *out << row.name; }

// The rows as tests of their own, which the test runner shares among its jobs; each named
// after its row ("delete one bar": DeleteOneBar).
class WriteRow : public ::testing::TestWithParam<WriteCommand> {};
class WriteOrUndoRow : public ::testing::TestWithParam<WriteCommand> {};
inline std::string RowName(const ::testing::TestParamInfo<WriteCommand>& info) {
  std::string name;
  bool first = true;
  for (const char c : std::string(info.param.name)) {
    const bool alnum = std::isalnum(static_cast<unsigned char>(c)) != 0;
    if (alnum) name += first ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
    first = !alnum;
  }
  return name;
}

// The row of that name.
inline WriteCommand WriteNamed(const std::string& name) {
  for (const WriteCommand& row : WriteCommands())
    if (row.name == name) return row;
  ADD_FAILURE() << "no row " << name;
  return {};
}

// A step through the history of the folder named below root: run again after a crash past
// the journal's marking, it has nothing left to do.
inline std::function<int(const std::string&, const std::string&)> HistoryStepIn(
    const std::string& in, bool redo) {
  return [in, redo](const std::string& p, const std::string&) {
    std::string what, differing;
    const std::string folder = (fs::path(p).parent_path() / in).string();
    const Status status =
        redo ? RedoLastUndone(folder, what, differing) : UndoLastChange(folder, what, differing);
    return status == kNothingToUndo || status == kNothingToRedo ? kOk : status;
  };
}

// A row stepping through the history of the folder in, below root, after write; the window
// steps through the history of the portfolio it shows, p.
inline WriteCommand HistoryRow(const WriteCommand& write, const char* prefix, const std::string& in,
                               bool redo) {
  static std::deque<std::string> names;  // kept for the rows' lifetime
  WriteCommand step = write;
  step.run = HistoryStepIn(in, redo);
  step.cli = {redo ? "redo" : "undo", "@" + in};
  // A MASTER a repair's undo damages again makes the window offer the repair anew.
  step.noWindowForm = in != "p" || write.damagedSymbol;
  // Cut short, a step leaves some files put back and others not, each whole.
  step.partialResults = {kFileWrite, kFileRead};
  step.rerunnable = true;
  names.push_back(prefix + std::string(write.name));
  step.name = names.back().c_str();
  return step;
}

// Every write, then each once more taken back by an undo in the folder named (a copy
// changes only its destination), and the history's deeper steps once: an undo three
// changes deep, and a redo of a move (both folders; files replaced, made and removed; its
// undo and redo from the other folder: the history tests).
inline std::vector<WriteCommand> WriteAndUndoCommands() {
  std::vector<WriteCommand> all = WriteCommands();
  for (const WriteCommand& write : WriteCommands()) {
    const bool inDestination = std::string(write.name).rfind("copy", 0) == 0;
    const std::string undoIn = write.undoIn ? write.undoIn : inDestination ? "q" : "p";
    WriteCommand undo = HistoryRow(write, "undo ", undoIn, false);
    undo.prepare = write.run;
    all.push_back(undo);
    if (std::string(write.name) == "import") {
      // The import's undo under two newer changes, both undone first.
      WriteCommand deep = HistoryRow(write, "undo three deep: ", "p", false);
      deep.prepare = [write](const std::string& p, const std::string& q) {
        const auto undo = HistoryStepIn("p", false);
        for (const auto& step : {write.run, WriteNamed("set one bar and its time").run,
                                 WriteNamed("rename").run, undo, undo}) {
          if (const int status = step(p, q); status != kOk) return status;
        }
        return 0;
      };
      deep.bars = true;
      all.push_back(deep);
    }
    if (std::string(write.name) == "move symbol") {
      WriteCommand redo = HistoryRow(write, "redo ", "p", true);
      redo.prepare = [write](const std::string& p, const std::string& q) {
        const int status = write.run(p, q);
        return status != kOk ? status : HistoryStepIn("p", false)(p, q);
      };
      redo.redoes = true;
      all.push_back(redo);
    }
  }
  return all;
}

}  // namespace voltrim::testing
