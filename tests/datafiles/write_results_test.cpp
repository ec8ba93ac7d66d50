#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "datafiles/format/series_facts.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_file.h"
#include "write_commands.h"

namespace voltrim::testing {
namespace {

// EMASTER's 192-byte records against MASTER's, from the bytes: the count at 0, the file
// number at 2 and the symbol's first 14 characters at 11, NUL-padded.
void ExpectEmasterMirrorsFully(const fs::path& dir) {
  const Bytes master = ReadFileBytes(dir / "MASTER");
  const Bytes emaster = ReadFileBytes(dir / "EMASTER");
  const int records = Number(master, 0, 2);
  ASSERT_EQ(emaster.size(), 192 * static_cast<std::size_t>(records + 1)) << dir;
  EXPECT_EQ(Number(emaster, 0, 2), records) << dir;
  for (int i = 0; i < records; ++i) {
    const Bytes m = MasterRecordBytes(master, i);
    const auto e = emaster.begin() + 192 * (i + 1);
    std::string symbol(m.begin() + 36, m.begin() + 52);
    symbol = symbol.substr(0, symbol.find(' ')).substr(0, 14);
    symbol.resize(14, '\0');
    EXPECT_EQ(std::tuple(e[2], std::string(e + 11, e + 25)), std::tuple(m[0], symbol)) << i;
  }
}

// Every write succeeds on its fixture, leaves what its row says and keeps a mirroring
// EMASTER in step.
TEST_P(WriteRow, LeavesItsResultAndEmasterInStep) {
  const WriteCommand& row = GetParam();
  TempDir temp;
  MakeFixture(temp.path(), row);
  WriteResult result{temp.path(), TakeSnapshot(temp.path()), {}};
  ASSERT_EQ(row.run((temp.path() / "p").string(), (temp.path() / "q").string()), kOk);
  result.after = TakeSnapshot(temp.path());
  ASSERT_TRUE(row.leaves) << "no check of what it leaves";
  row.leaves(result);
  for (const char* folder : {"p", "q"})
    if (!row.bare && !row.undoIn) ExpectEmasterMirrorsFully(temp.path() / folder);
}

// Beyond the mirror: a 14th character carried over, a long name kept by a new symbol,
// replaced by a new name, taken along by a move and kept by a repair, made from MASTER's
// name where the source has no EMASTER, and the first date following a delete.
TEST(WriteCommandsTest, EmasterLongNamesAndTheFourteenthCharacter) {
  TempDir temp;
  const fs::path p = temp.path() / "p", q = temp.path() / "q", r = temp.path() / "r";
  Write(p, Portfolio({Symbol(1, "ABCDEFGHIJKLMN", "FOURTEEN"), Symbol(2, "BETA", "BETA INC", 3),
                      Symbol(3, "DELTA", "DELTA CO")}));
  // DELTA needs repair.
  WriteFileBytes(p / "MASTER", Put(ReadFileBytes(p / "MASTER"), M(2, 36), std::string(16, ' ')));
  WriteMirroringEmaster(p);
  Write(q, Portfolio({Symbol(1, "D1")}));
  WriteMirroringEmaster(q);
  Write(r, Portfolio({Symbol(1, "R1", "R ONE")}));
  ASSERT_EQ(RenameMasterRecord(MasterPathIn(p.string()), 0, "ABCDEFGHIJKLMX", "FOURTEEN"), kOk);
  EXPECT_EQ(EmasterEntryAt(p, 0).longName, "FOURTEEN LONG");
  ASSERT_EQ(RenameMasterRecord(MasterPathIn(p.string()), 1, "BETA", "NEW NAME"), kOk);
  EXPECT_EQ(EmasterEntryAt(p, 1).longName, "NEW NAME");
  ASSERT_EQ(RepairMaster(MasterPathIn(p.string())), kOk);
  SeriesFacts facts;
  ASSERT_EQ(GetSeriesFacts(p.string(), "DELTA", facts), kFactsFound);
  EXPECT_EQ(facts.longName, "DELTA CO LONG");
  const DayNumber first = Day(2000, 1, 3);
  ASSERT_EQ(RewriteSeries(Edit(edit_kind::kDelete, first, first), p.string(), "BETA"), kOk);
  EXPECT_EQ(EmasterEntryAt(p, 1).firstDate, 1000104.0f);
  ASSERT_EQ(MoveOrCopySymbol(p.string(), "ABCDEFGHIJKLMX", q.string(), true), kSymbolAdded);
  EXPECT_EQ(EmasterEntryAt(q, 1).fileNumber, 2);
  EXPECT_EQ(EmasterEntryAt(q, 1).longName, "FOURTEEN LONG");
  ASSERT_EQ(MoveOrCopySymbol(r.string(), "R1", q.string(), false), kSymbolAdded);
  EXPECT_EQ(EmasterEntryAt(q, 2).longName, "R ONE");
  for (const fs::path& dir : {p, q}) ExpectEmasterMirrorsFully(dir);
}

constexpr int kAnyFailure = -32768;

// A request a write refuses, on the rows' fixture (with BARS and XMASTER's X256) changed
// first as `change` says. Those voltrim-cli words alike are in its refusal table.
struct Refusal {
  std::string what;
  std::function<int(const std::string& p, const std::string& q)> run;
  int status;  // or kAnyFailure
  std::function<void(const fs::path& root)> change = {};
};

std::vector<Refusal> Refusals() {
  using namespace edit_kind;
  const DayNumber mon = Day(2000, 1, 3), tue = Day(2000, 1, 4), jan10 = Day(2000, 1, 10);
  const auto nov = [](int d) { return Day(2013, 11, d); };
  const auto rewrite = [](const char* symbol, SeriesEdit edit) {
    return [=](auto p, auto) { return RewriteSeries(edit, p, symbol); };
  };
  const auto move = [](std::string symbol) {
    return [=](auto p, auto q) { return MoveOrCopySymbol(p, symbol, q, true); };
  };
  const auto in = [](const std::string& p, const char* name) {
    return (fs::path(p).parent_path() / name).string();
  };
  const auto create = [=](NewSeries series, const char* folder = nullptr) {
    return [=](auto p, auto) { return CreateSeries(folder ? in(p, folder) : p, series); };
  };
  // A new portfolio in root/r, made as `make` says first.
  const auto newPortfolio = [=](int status, std::function<void(const fs::path&)> make) {
    return Refusal{"new portfolio", [=](auto p, auto) { return CreatePortfolio(in(p, "r")); },
                   status,
                   [=](auto& root) {
                     fs::create_directory(root / "r");
                     make(root / "r");
                   }};
  };
  const auto import = [](std::vector<ImportQuote> quotes, std::vector<int> duplicateLines = {}) {
    return [=](auto p, auto) {
      ImportResult result;
      const int status = ImportQuotes(
          p, "ACME", {quotes, {true, false, true, true, true, true, true, false}}, result);
      if (!duplicateLines.empty()) {
        EXPECT_EQ((std::vector{result.duplicateLines[0], result.duplicateLines[1]}),
                  duplicateLines);
      }
      return status;
    };
  };
  // A file below root changed in place as `change` says.
  const auto changed = [](const char* file, std::function<void(Bytes&)> change) {
    return [=](const fs::path& root) {
      Bytes bytes = ReadFileBytes(root / file);
      change(bytes);
      WriteFileBytes(root / file, bytes);
    };
  };
  const auto fullMaster = [=](const char* master) {
    return changed(master, [](Bytes& b) { b[2] = 255; });  // file 255 taken
  };
  const auto xmasterListing = [](const char* symbol) {
    return [=](const fs::path& root) {
      WriteFileBytes(root / "q" / "XMASTER", BuildXmasterBytes({{256, symbol, "LISTED"}}));
    };
  };
  const float noMbf = std::ldexp(1.0f, 127);  // the first value without MBF form
  ImportQuote notADay = Q(jan10, 1, 1), huge = Q(jan10, 1, 1);
  notADay.date = 1000230;  // 30 February 2000
  huge.values[3] = 2e38f;
  std::vector<Refusal> refusals =
      {
          {"insert where no quote is", rewrite("ACME", Edit(kInsert, jan10, jan10)),
           kRecordNotFound},
          {"set 2^127", rewrite("ACME", Edit(kSet, mon, mon, {1, 1, 1, noMbf, 1, 1})), kNoMbfForm},
          // 1e19 x 2e19 is a finite single above 2^127.
          {"scale past MBF", rewrite("ACME", Edit(kScaleRange, 0, 65535, {1, 1, 1, 1, 2e19f, 1})),
           kNoMbfForm,
           [](auto& root) {
             WriteFileBytes(root / "p" / "F1.DAT",
                            DatWith(AcmeSpec(false), [](auto& q) { q[2][5] = 1e19f; }));
           }},
          {"no such symbol", rewrite("NOSUCH", Edit(kSet, 1, 2)), kFileNotFound},
          // The largest series a DAT header can count.
          {"insert past the count",
           rewrite("ACME", Edit(kInsert, Day(1970, 1, 6), Day(1970, 1, 6))), kBadRequest,
           [](auto& root) {
             WriteFileBytes(
                 root / "p" / "F1.DAT",
                 BuildDatBytes(MakeDailySeries(1, "ACME", "", Quotes(32766, Day(1970, 1, 5)))));
           }},
          {"no bar at 09:06", rewrite("BARS", AtTime(kSet, nov(14), PackTime(9, 6, 0))),
           kQuoteNotFound},
          {"delete where no bar is", rewrite("BARS", AtTime(kDelete, nov(16), PackTime(9, 0, 0))),
           kQuoteNotFound},
          {"add where a bar is", rewrite("BARS", AtTime(kInsert, nov(14), PackTime(9, 5, 0))),
           kBadRequest},
          {"add after the last bar", rewrite("BARS", AtTime(kInsert, nov(15), PackTime(16, 0, 0))),
           kRecordNotFound},
          // MASTER's first date would be stale.
          {"add before the first bar", rewrite("BARS", AtTime(kInsert, nov(13), PackTime(8, 0, 0))),
           kBadRequest},
          {"move a bar past the one after",
           rewrite("BARS", AtTime(kSet, nov(14), PackTime(9, 5, 0), PackTime(9, 10, 0))),
           kBadRequest},
          {"move a bar before the one before",
           rewrite("BARS", AtTime(kSet, nov(14), PackTime(9, 5, 0), PackTime(8, 59, 0))),
           kBadRequest},
          {"a time past the day", rewrite("BARS", AtTime(kSet, nov(14), 24 * 3600)), kBadRequest},
          {"a time in a series without one", rewrite("ACME", AtTime(kDelete, tue, 0)), kBadRequest},
          {"move to a full MASTER", move("ACME"), kPortfolioFull, fullMaster("q/MASTER")},
          {"move from XMASTER to a full MASTER", move("X256"), kPortfolioFull,
           fullMaster("q/MASTER")},
          {"move a symbol that is another's name there", move("other"), kSymbolExists,
           [](auto& root) { Write(root / "q", Portfolio({Symbol(1, "D1", "OTHER")})); }},
          {"move a symbol the destination's XMASTER lists", move("ACME"), kSymbolExists,
           xmasterListing("ACME")},
          {"move an XMASTER series the destination's XMASTER lists", move("x256"), kSymbolExists,
           xmasterListing("X256")},
          {"move no such symbol", move("NOSUCH"), kFileNotFound},
          {"move a series without its data file", move("OTHER"), kFileOpen,
           [](auto& root) { fs::remove(root / "p" / "F2.DAT"); }},
          {"move to no portfolio",
           [=](auto p, auto) { return MoveOrCopySymbol(p, "ACME", in(p, "none"), true); },
           kFileNotFound},
          // Compared case-sensitively, unlike a search.
          {"delete acme", [](auto p, auto) { return DeleteSymbol(p, "acme"); }, kRecordNotFound},
          {"delete no symbol", [](auto p, auto) { return DeleteSymbol(p, ""); }, kBadRequest},
          {"delete in no portfolio",
           [=](auto p, auto) { return DeleteSymbol(in(p, "none"), "ACME"); }, kFileNotFound},
          {"delete x256", [](auto p, auto) { return DeleteXmasterSymbol(p, "x256"); },
           kRecordNotFound},
          {"rename to a symbol longer than XMASTER's field",
           [](auto p, auto) { return RenameXmasterRecord(p, 0, std::string(15, 'S'), "X"); },
           kBadRequest},
          {"rename to a name longer than XMASTER's field",
           [](auto p, auto) { return RenameXmasterRecord(p, 0, "X", std::string(46, 'N')); },
           kBadRequest},
          {"rename an XMASTER record past the last",
           [](auto p, auto) { return RenameXmasterRecord(p, 1, "X", "Y"); }, kRecordNotFound},
          {"new symbol named as a name", create({"Acme Corp", "", 7, false}), kSymbolExists},
          {"new symbol XMASTER lists", create({"x256", "", 7, false}), kSymbolExists},
          {"new symbol past file 255", create({"NEW", "", 7, false}), kPortfolioFull,
           [=](auto& root) {
             fs::remove(root / "p" / "XMASTER");
             fullMaster("p/MASTER")(root);
           }},
          {"new symbol without one", create({"", "", 7, false}), kBadRequest},
          {"new symbol too long", create({"SEVENTEEN-CHARSXX", "", 7, false}), kBadRequest},
          {"new symbol's name too long", create({"NEW", "SEVENTEEN-CHARSXX", 7, false}),
           kBadRequest},
          {"new symbol of 8 columns", create({"NEW", "", 8, false}), kBadRequest},
          {"new symbol in no portfolio", create({"NEW", "", 7, false}, "none"), kFileNotFound},
          {"import a day that is none", import({notADay}), kBadRequest},
          {"import a value without MBF form", import({huge}), kBadRequest},
          // The pair that shows first in the file.
          {"import duplicates",
           import({Q(jan10, 1, 2), Q(Day(2000, 1, 11), 1, 3), Q(Day(2000, 1, 11), 1, 4),
                   Q(jan10, 1, 5), Q(jan10, 1, 7)},
                  {3, 4}),
           kImportDuplicate},
          {"import into a data file cut short", import({Q(jan10, 1, 1)}), kDamagedFile,
           changed("p/F1.DAT", [](Bytes& dat) { dat.pop_back(); })},
          {"import into a data file a record longer than counted", import({Q(jan10, 1, 1)}),
           kDamagedFile, changed("p/F1.DAT", [](Bytes& dat) { dat.resize(dat.size() + 24, 0); })},
      };
  refusals.push_back(newPortfolio(kPortfolioThere, [](auto& r) {
    WriteFileBytes(r / "master", Bytes(53, 0));  // in lower case
  }));
  refusals.push_back(newPortfolio(kFolderNotEmpty, [](auto& r) {
    WriteFileBytes(r / "EMASTER", BuildEmasterBytes(BuildMasterBytes(Portfolio({Symbol(1, "A")}))));
  }));
  // Every write that would change XMASTER refuses a damaged one (the rows show each going
  // through on a sound one); a series moved in goes to XMASTER past a full MASTER.
  const std::vector<std::pair<const char*, std::function<void(Bytes&)>>> damages = {
      {"short", [](Bytes& b) { b.resize(100); }},
      {"count beyond the file", [](Bytes& b) { b[10] = b[14] = 2; }},
      {"negative count", [](Bytes& b) { b[11] = b[15] = 0x80; }},
      {"counts disagree", [](Bytes& b) { b[14] = 0; }},
      {"file number out of range", [](Bytes& b) { b[X(0, 65)] = 12, b[X(0, 66)] = 0; }},
      {"symbol with no NUL", [](Bytes& b) { std::memset(b.data() + X(0, 1), 'A', 15); }},
      {"name with no NUL", [](Bytes& b) { std::memset(b.data() + X(0, 16), 'B', 46); }},
  };
  const std::pair<const char*, std::function<int(const std::string&, const std::string&)>>
      xmasterWrites[] = {
          {"delete quote", rewrite("X256", Edit(kDelete, mon, mon))},
          {"rename", [](auto p, auto) { return RenameXmasterRecord(p, 0, "NEW", "NEW"); }},
          {"delete symbol", [](auto p, auto) { return DeleteXmasterSymbol(p, "X256"); }},
          {"move out", move("X256")},
          {"move in", [](auto p, auto q) { return MoveOrCopySymbol(q, "D1", p, true); }},
      };
  for (const auto& [damage, apply] : damages) {
    for (const auto& [write, run] : xmasterWrites) {
      refusals.push_back(
          {std::string(write) + " with XMASTER " + damage, run, kAnyFailure, [=](auto& root) {
             fullMaster("p/MASTER")(root);
             changed("p/XMASTER", apply)(root);
           }});
    }
  }
  return refusals;
}

TEST(WriteCommandsTest, EveryRefusalLeavesEveryFileAsItWas) {
  const std::vector<Refusal> refusals = Refusals();
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.what + " #" + std::to_string(&refusal - &refusals[0]));
    TempDir temp;
    MakeFixture(temp.path(), {.name = "refusal", .run = {}, .xmaster = true, .bars = true});
    if (refusal.change) refusal.change(temp.path());
    const Snapshot before = TakeSnapshot(temp.path());
    const int status = refusal.run((temp.path() / "p").string(), (temp.path() / "q").string());
    if (refusal.status == kAnyFailure) {
      EXPECT_NE(status, kOk);
    } else {
      EXPECT_EQ(status, refusal.status);
    }
    EXPECT_TRUE(TakeSnapshot(temp.path()) == before);
  }
}

// Every write and every undo, with its folders held by another program past the wait, fails
// and changes nothing (a move and its undo wait for either folder); once they are free, it
// goes through (the sweeps run each free). So does a series in a subdirectory.
TEST(PortfolioLockTest, AWriterThatWaitsInVainFailsAndChangesNothing) {
  const LockWait shortWait(std::chrono::milliseconds(5));
  for (const WriteCommand& row : WriteAndUndoCommands()) {
    if (row.undoIn) continue;  // a new portfolio holds no folder that was there
    int busy = 0;
    for (const std::string held : {"p", "q"}) {
      SCOPED_TRACE(std::string(row.name) + ", holding " + held);
      TempDir temp;
      MakeFixture(temp.path(), row);
      const Snapshot before = TakeSnapshot(temp.path());
      const FolderHolder other(temp.path() / held);
      const int result = row.run((temp.path() / "p").string(), (temp.path() / "q").string());
      EXPECT_TRUE(result == kPortfolioBusy || result >= 0) << result;  // untouched: it runs
      if (result == kPortfolioBusy) {
        EXPECT_EQ(TakeSnapshot(temp.path()), before);
        ++busy;
      }
    }
    EXPECT_GT(busy, 0) << row.name;
    const bool both = std::string(row.name).find("move") != std::string::npos;
    EXPECT_EQ(busy, both ? 2 : busy) << row.name;
  }
  TempDir temp;
  const std::string p = Write(temp.path() / "p", Portfolio({SubdirectoryEntry("SUB")}));
  Write(temp.path() / "p" / "SUB", Portfolio({Symbol(1, "ZED", "ZED CO", 3)}));
  const std::string q = Write(temp.path() / "q", Portfolio({Symbol(1, "D1")}));
  const DayNumber mon = Day(2000, 1, 3);
  const SeriesEdit set = Edit(edit_kind::kSet, mon, mon, {99, 99, 99, 99, 99, 99});
  {
    const FolderHolder other(temp.path() / "p" / "SUB");
    EXPECT_EQ(RewriteSeries(set, p, "ZED"), kPortfolioBusy);
    EXPECT_EQ(MoveOrCopySymbol(p, "ZED", q, true), kPortfolioBusy);
  }
  EXPECT_EQ(RewriteSeries(set, p, "ZED"), kOk);
  EXPECT_EQ(ReadQuotes(p, "ZED")[0].close, 99.0f);
}

TEST(PortfolioLockTest, TheNextWriterClearsWhatACrashedWriterLeft) {
  TempDir temp;
  MakeFixture(temp.path(), {.name = "leftovers", .run = {}});
  const std::vector<std::string> leftovers = {
      "F7.NEW",         "MASTER.~NU",  "MASTER.NEW",  "f2.4711-3.new",   "MASTER.12-1.~NU",
      "MASTER.9-9.bak", "F1.77-2.NEW", "EMASTER.NEW", "EMASTER.5-1.NEW", "f3.new"};
  const std::vector<std::string> kept = {"MASTER.BAK",    "F1.BAK",    "NOTES.NEW",  "F1.X-2.NEW",
                                         "MASTER.12.~NU", "F.1-1.NEW", "EMASTER.BAK"};
  for (const auto& names : {leftovers, kept}) {
    for (const std::string& name : names) WriteFileBytes(temp.path() / "p" / name, {7});
  }
  ASSERT_EQ(RenameMasterRecord(MasterPathIn((temp.path() / "p").string()), 1, "OTHER", "RENAMED"),
            kOk);
  for (const std::string& name : leftovers)
    EXPECT_FALSE(fs::exists(temp.path() / "p" / name)) << name;
  for (const std::string& name : kept) EXPECT_TRUE(fs::exists(temp.path() / "p" / name)) << name;
  EXPECT_EQ(ReadFileBytes(temp.path() / "p" / "F1.BAK"), Bytes{7});  // not this write's backup
  EXPECT_TRUE(TemporariesBelow(temp.path()).empty());
}

// A write under this thread's lock takes a plain temporary's name as it is (the lock cleared
// its leftovers in any case); anywhere else the folder is searched for one in another case.
TEST(PortfolioLockTest, OnlyAFolderThisThreadHoldsCountsAsClearedOfLeftovers) {
  TempDir temp;
  const std::string p = Write(temp.path() / "p", Portfolio({Symbol(1, "A")}));
  const std::string q = Write(temp.path() / "q", Portfolio({Symbol(1, "B")}));
  EXPECT_FALSE(LeftoversClearedByThisThread(p));
  {
    const PortfolioLock lock({p});
    ASSERT_EQ(lock.status(), kOk);
    EXPECT_TRUE(LeftoversClearedByThisThread(p));
    EXPECT_TRUE(LeftoversClearedByThisThread(p + "/"));  // the folder, however named
    EXPECT_FALSE(LeftoversClearedByThisThread(q));
    bool elsewhere = true;
    std::thread([&] { elsewhere = LeftoversClearedByThisThread(p); }).join();
    EXPECT_FALSE(elsewhere);
  }
  EXPECT_FALSE(LeftoversClearedByThisThread(p));
  // Unlocked, the replace itself still finds and removes a leftover in another case.
  WriteFileBytes(temp.path() / "p" / "f1.new", {7});
  ASSERT_EQ(ReplaceFileContent({p, "F1.DAT", "F1.NEW", ""}, Bytes{1, 2}), kOk);
  EXPECT_FALSE(fs::exists(temp.path() / "p" / "f1.new"));
  EXPECT_EQ(ReadFileBytes(temp.path() / "p" / "F1.DAT"), (Bytes{1, 2}));
}

}  // namespace
}  // namespace voltrim::testing
