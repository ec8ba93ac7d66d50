#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <deque>
#include <functional>
#include <future>
#include <set>
#include <thread>

#include "companion_fixtures.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/series.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/import_quotes.h"
#include "datafiles/write/new_files.h"
#include "datafiles/write/repair_master.h"
#include "datafiles/write/rewrite_series.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/xmaster_write.h"
#include "fixtures.h"
#include "intraday_fixture.h"
#include "portfolio_checks.h"
#include "power_loss.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;
using file_ops::FaultKind;

// One write operation, run against a fresh pair of portfolios root/p and root/q.
struct Scenario {
  const char* name;
  std::function<int(const std::string& p, const std::string& q)> run;
  std::set<int> partialResults = {};  // "partly done"; any other non-zero result failed cleanly
  bool rerunnable = false;            // running it again after a crash must finish the job
  bool damagedSymbol = false;         // OTHER's symbol blanked, for the repair
  bool bare = false;                  // no EMASTER, and ACME without its DOP file
  bool xmaster = false;               // p's XMASTER lists X256 (F256.MWD)
  bool fullDest = false;              // q's MASTER is full and its XMASTER lists Q256
  // symbol -> folders it may be found in afterwards; never in none of them.
  std::vector<std::pair<std::string, std::vector<std::string>>> mustKeep = {
      {"ACME", {"p", "q"}}, {"OTHER", {"p"}}, {"D1", {"q"}}};
  bool bars = false;  // p also holds BARS (file 3), a series with a time of day
  // Run on the fixture before the row's own run (the change an undo row takes back).
  std::function<int(const std::string& p, const std::string& q)> prepare = {};
  // The folder an undo of this row is run in, under the fixture's root (the row's p unless
  // named; a copy changes only q).
  const char* undoIn = nullptr;
};

void MakeFixtureFiles(const fs::path& root, const Scenario& s) {
  PortfolioSpec p = Portfolio({Symbol(1, "ACME", "ACME CORP", 5), Symbol(2, "OTHER", "OTHER INC")});
  if (s.bars) {
    SeriesSpec bars = BarSeries(ThreeDaysOfBars());
    bars.fileNumber = 3;
    p.entries.push_back(SeriesEntry(bars));
  }
  Write(root / "p", p);
  Write(root / "q", Portfolio({Symbol(1, "D1", "DEST ONE")}));
  WriteFileBytes(root / "p" / "F1.BAK", {1, 2, 3});
  WriteFileBytes(root / "p" / "MASTER.BAK", {4, 5, 6});
  if (s.damagedSymbol) {
    Bytes master = ReadFileBytes(root / "p" / "MASTER");
    std::fill_n(master.begin() + 2 * 53 + 36, 16, ' ');
    WriteFileBytes(root / "p" / "MASTER", master);
  }
  if (s.xmaster) {
    WriteFileBytes(root / "p" / "XMASTER", BuildXmasterBytes({{256, "X256", "EXTENDED"}}));
    WriteFileBytes(root / "p" / "F256.MWD",
                   BuildDatBytes(MakeDailySeries(256, "X256", "", Quotes(3), false)));
  }
  if (s.fullDest) {
    fs::remove_all(root / "q");
    Write(root / "q", Portfolio({Symbol(255, "D1", "DEST ONE")}));
    WriteFileBytes(root / "q" / "XMASTER", BuildXmasterBytes({{256, "Q256", "DEST XMASTER"}}));
    WriteFileBytes(root / "q" / "F256.MWD",
                   BuildDatBytes(MakeDailySeries(256, "Q256", "", Quotes(2), false)));
  }
  if (s.bare) {
    fs::remove(root / "p" / "F1.DOP");
    return;
  }
  WriteMirroringEmaster(root / "p");
  WriteMirroringEmaster(root / "q");
}

void MakeFixture(const fs::path& root, const Scenario& s) {
  MakeFixtureFiles(root, s);
  if (s.prepare) {
    ASSERT_GE(s.prepare((root / "p").string(), (root / "q").string()), 0) << s.name;
  }
}

// Temporaries may be left by a crash; backups may be renewed by a failed or repeated run.
bool IsTemporary(const fs::path& path) {
  std::string name = path.filename().string();
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string ext = fs::path(name).extension().string();
  // MASTER.BAK is the repair's temporary (and shares its name with the update's backup).
  // The undo journal and the contents it keeps are the undo's own; the undo rows and the
  // tests below judge them.
  return ext == ".NEW" || ext == ".~NU" || name == "MASTER.BAK" || IsWriterTemporaryName(name) ||
         IsUndoFileName(path.filename().string());
}
Snapshot Without(Snapshot all, bool backups) {
  std::erase_if(all, [&](const auto& entry) {
    const std::string ext = fs::path(entry.first).extension().string();
    return IsTemporary(entry.first) || (backups && (ext == ".BAK" || ext == ".bak"));
  });
  return all;
}

std::optional<Bytes> At(const Snapshot& s, const std::string& path) {
  const auto it = s.find(path);
  return it == s.end() ? std::nullopt : std::optional<Bytes>(it->second);
}

// EMASTER mirrors MASTER, or (after a crash between the two) already mirrors the MASTER
// the write was about to put in place, which the next run recognises.
void ExpectEmasterInStepOrAhead(const fs::path& root, const fs::path& reference, FaultKind kind,
                                const Snapshot& old) {
  for (const std::string folder : {"p", "q"}) {
    if (!At(old, folder + "/EMASTER")) continue;
    EmasterImage emaster;
    ASSERT_EQ(ReadEmasterImage((root / folder / "EMASTER").string(), emaster), kOk);
    if (EmasterMirrors(emaster, ReadFileBytes(root / folder / "MASTER"))) continue;
    EXPECT_EQ(kind, FaultKind::kCrash) << folder << ": a failed write parted EMASTER and MASTER";
    EXPECT_EQ(emaster.bytes, ReadFileBytes(reference / folder / "EMASTER")) << folder;
    EXPECT_EQ(ReadFileBytes(root / folder / "MASTER"), At(old, folder + "/MASTER")) << folder;
  }
}

void ExpectOldOrNewAndNothingLost(const fs::path& root, const Scenario& s, const Snapshot& old,
                                  const Snapshot& fresh, const Snapshot& now) {
  std::set<std::string> paths;
  for (const Snapshot* snapshot : {&old, &fresh, &now})
    for (const auto& entry : *snapshot)
      if (!IsTemporary(entry.first)) paths.insert(entry.first);
  for (const std::string& path : paths)
    EXPECT_TRUE(At(now, path) == At(old, path) || At(now, path) == At(fresh, path)) << path;
  SeriesBuffer buffer(64);
  for (const auto& [symbol, folders] : s.mustKeep) {
    bool found = false;
    for (const std::string& folder : folders) {
      SeriesLocation location;
      found = found || (LocateAnySeries((root / folder).string(), symbol, location) == kOk &&
                        ReadSeriesAt(buffer, location, 0, -1) == kOk);
    }
    EXPECT_TRUE(found) << symbol << " lost";
  }
}

// Runs the operation with file operation k failing (or the process "dying" there) for every
// k until it finishes untouched by the fault; returns how many k were tried.
int Sweep(const Scenario& s, FaultKind kind) {
  TempDir reference;
  MakeFixture(reference.path(), s);
  const int expected = s.run((reference.path() / "p").string(), (reference.path() / "q").string());
  const Snapshot fresh = TakeSnapshot(reference.path());
  for (long k = 1; k < 500; ++k) {
    SCOPED_TRACE(::testing::Message() << s.name << (kind == FaultKind::kCrash ? " crash" : " fail")
                                      << " at operation " << k);
    TempDir temp;
    const fs::path& root = temp.path();
    const std::string p = (root / "p").string(), q = (root / "q").string();
    MakeFixture(root, s);
    const Snapshot old = TakeSnapshot(root);
    file_ops::ArmFault(k, kind);
    const int result = s.run(p, q);
    const bool hit = file_ops::FaultHit();
    file_ops::DisarmFault();
    const Snapshot now = TakeSnapshot(root);
    if (!hit) {
      EXPECT_EQ(result, expected);
      EXPECT_EQ(Without(now, false), Without(fresh, false));
      return static_cast<int>(k);
    }
    ExpectOldOrNewAndNothingLost(root, s, old, fresh, now);
    ExpectEmasterInStepOrAhead(root, reference.path(), kind, old);
    if (kind == FaultKind::kFail && result == expected) {
      EXPECT_EQ(Without(now, false), Without(fresh, false)) << "reported done but is not";
    } else if (kind == FaultKind::kFail && s.partialResults.count(result) == 0) {
      EXPECT_NE(result, kOk);
      // A clean failure: every lasting file that existed is as it was.
      for (const auto& [path, bytes] : Without(old, true)) EXPECT_EQ(At(now, path), bytes) << path;
    } else if (kind == FaultKind::kCrash && s.rerunnable) {
      EXPECT_EQ(s.run(p, q), expected);
      EXPECT_EQ(Without(TakeSnapshot(root), true), Without(fresh, true)) << "rerun after crash";
    }
    if (::testing::Test::HasFailure()) return -1;
  }
  ADD_FAILURE() << "never finished";
  return -1;
}

// Quotes for ACME's five (01/03/00 to 01/07/00, see Quotes): new dates and, unless
// between is set, one before the first and one after the last, so that MASTER's dates
// follow; 01/04/00 as stored (skipped) and 01/05/00 with other values (replaced).
ImportRequest AcmeImport(bool between) {
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
  quote(Day(2000, 1, 4), 11);  // as stored
  quote(Day(2000, 1, 5), 30);  // other values
  return request;
}

// Names of the undo rows, kept for the rows' lifetime.
std::deque<std::string>& undoNames() {
  static std::deque<std::string> names;
  return names;
}

std::vector<Scenario> WriteScenarios() {
  const DayNumber mon = Day(2000, 1, 3), wed = Day(2000, 1, 5);
  const auto rewrite = [](SeriesEdit edit) {
    return [edit](auto p, auto) { return RewriteSeries(edit, p, "ACME"); };
  };
  using edit_kind::kDelete, edit_kind::kInsert;
  // One bar of BARS named by its date and time.
  const auto bar = [](std::int16_t kind, int day, PackedTime time, PackedTime newTime = 0) {
    SeriesEdit edit = Edit(kind, Day(2013, 11, day), Day(2013, 11, day), {1, 2, 3, 4, 5, 6});
    edit.atTime = true;
    edit.time = time;
    edit.setTime = newTime != 0;
    edit.newTime = newTime;
    return [edit](auto p, auto) { return RewriteSeries(edit, p, "BARS"); };
  };
  const auto rewriteX = [](SeriesEdit edit) {
    return [edit](auto p, auto) { return RewriteSeries(edit, p, "X256"); };
  };
  const std::vector<std::pair<std::string, std::vector<std::string>>> withX256 = {
      {"ACME", {"p"}}, {"X256", {"p", "q"}}, {"D1", {"q"}}};
  return {
      {.name = "set one bar and its time",
       .run = bar(edit_kind::kSet, 14, PackTime(9, 5, 0), PackTime(9, 6, 30)),
       .bars = true},
      {.name = "insert one bar", .run = bar(kInsert, 14, PackTime(9, 2, 30)), .bars = true},
      {.name = "delete one bar", .run = bar(kDelete, 14, PackTime(9, 10, 0)), .bars = true},
      {"set", rewrite(Edit(edit_kind::kSet, wed, wed, {1, 2, 3, 4, 5, 6})), {}, true},
      {"scale", rewrite(Edit(edit_kind::kScaleRange, 0, wed, {2, 2, 2, 2, 3, 3}))},
      {"delete first quote", rewrite(Edit(kDelete, mon, mon)), {kMasterDatesNotUpdated}},
      {"insert", rewrite(Edit(kInsert, mon, mon))},
      {"master date",
       [=](auto p, auto) {
         return SetMasterDate(MasterPathIn(p), DayToDateFloat(wed), 2, MasterDate::kLast);
       }},
      {"rename",
       [](auto p, auto) { return RenameMasterRecord(MasterPathIn(p), 1, "OTHER", "NEW NAME"); },
       {},
       true},
      {.name = "repair",
       .run = [](auto p, auto) { return RepairMaster(MasterPathIn(p)); },
       .rerunnable = true,
       .damagedSymbol = true,
       .mustKeep = {{"ACME", {"p"}}, {"OTHER INC", {"p"}}}},
      {.name = "delete symbol",
       .run = [](auto p, auto) { return DeleteSymbol(p, "OTHER"); },
       .partialResults = {kSymbolFilesLeft},
       .mustKeep = {{"ACME", {"p"}}}},
      {"copy symbol", [](auto p, auto q) { return MoveOrCopySymbol(p, "ACME", q, false); }},
      {"move symbol",
       [](auto p, auto q) { return MoveOrCopySymbol(p, "ACME", q, true); },
       {kSourceNotRemoved, kSymbolFilesLeft}},
      // Without an EMASTER (whose replacement syncs the folder once more) and without a DOP
      // file (whose placement does), MASTER follows the DAT file's placement directly.
      {.name = "move symbol, bare",
       .run = [](auto p, auto q) { return MoveOrCopySymbol(p, "ACME", q, true); },
       .partialResults = {kSourceNotRemoved, kSymbolFilesLeft},
       .bare = true},
      // The quotes stand before MASTER's dates follow; running it again finishes the job.
      {.name = "import",
       .run =
           [](auto p, auto) {
             ImportResult result;
             return ImportQuotes(p, "ACME", AcmeImport(false), result);
           },
       .partialResults = {kMasterDatesNotUpdated},
       .rerunnable = true},
      // Between the stored dates: MASTER stays as it is.
      {"import between",
       [](auto p, auto) {
         ImportResult result;
         return ImportQuotes(p, "ACME", AcmeImport(true), result);
       }},
      {"new symbol",
       [](auto p, auto) {
         return CreateSeries(p, NewSeries{"NEW", "NEW SERIES", 7, false});
       }},
      // Two folders made (r and r/s), then EMASTER and MASTER.
      {.name = "new portfolio",
       .run =
           [](auto p, auto) {
             return CreatePortfolio((fs::path(p).parent_path() / "r" / "s").string());
           },
       .undoIn = "r/s"},
      // Series XMASTER lists, and XMASTER itself.
      {.name = "set MWD quote",
       .run = rewriteX(Edit(edit_kind::kSet, wed, wed, {1, 2, 3, 4, 5, 6})),
       .rerunnable = true,
       .xmaster = true,
       .mustKeep = withX256},
      {.name = "delete last MWD quote",
       .run = rewriteX(Edit(kDelete, wed, wed)),
       .partialResults = {kXmasterDatesNotUpdated},
       .xmaster = true,
       .mustKeep = withX256},
      {.name = "rename in XMASTER",
       .run = [](auto p, auto) { return RenameXmasterRecord(p, 0, "X256", "NEW NAME"); },
       .rerunnable = true,
       .xmaster = true,
       .mustKeep = withX256},
      {.name = "delete XMASTER symbol",
       .run = [](auto p, auto) { return DeleteXmasterSymbol(p, "X256"); },
       .partialResults = {kSymbolFilesLeft},
       .xmaster = true,
       .mustKeep = {{"ACME", {"p"}}}},
      {.name = "move MWD to DAT",
       .run = [](auto p, auto q) { return MoveOrCopySymbol(p, "X256", q, true); },
       .partialResults = {kSourceNotRemoved, kSymbolFilesLeft},
       .xmaster = true,
       .mustKeep = withX256},
      {.name = "move DAT to XMASTER",
       .run = [](auto p, auto q) { return MoveOrCopySymbol(p, "ACME", q, true); },
       .partialResults = {kSourceNotRemoved, kSymbolFilesLeft},
       .fullDest = true},
      {.name = "copy MWD to XMASTER",
       .run = [](auto p, auto q) { return MoveOrCopySymbol(p, "X256", q, false); },
       .xmaster = true,
       .fullDest = true,
       .mustKeep = withX256},
  };
}

// Every write once more, taken back by an undo in the folder named (a copy changes only its
// destination); an undo cut short finishes when run again.
std::vector<Scenario> Scenarios() {
  std::vector<Scenario> all = WriteScenarios();
  for (const Scenario& write : WriteScenarios()) {
    Scenario undo = write;
    const bool inDestination = std::string(write.name).rfind("copy", 0) == 0;
    const std::string undoIn = write.undoIn ? write.undoIn : inDestination ? "q" : "p";
    undo.prepare = write.run;
    undo.run = [undoIn](const std::string& p, const std::string&) {
      std::string what, differing;
      const std::string folder = (fs::path(p).parent_path() / undoIn).string();
      const Status status = UndoLastChange(folder, what, differing);
      // Run again after a crash past the journal's removal, the undo has nothing left to do.
      return status == kNothingToUndo ? kOk : status;
    };
    // Cut short, an undo leaves some files put back and others not, each whole.
    undo.partialResults = {kFileWrite, kFileRead};
    undo.rerunnable = true;
    undoNames().push_back(std::string("undo ") + write.name);
    undo.name = undoNames().back().c_str();
    all.push_back(undo);
  }
  return all;
}

class FaultSweep : public ::testing::TestWithParam<FaultKind> {};

TEST_P(FaultSweep, EveryFileIsOldOrNewAndNoSymbolIsLost) {
  for (const Scenario& s : Scenarios()) {
    const int operations = Sweep(s, GetParam());
    ASSERT_GT(operations, 3) << s.name;
    ::testing::Test::RecordProperty(s.name, operations);
  }
}

INSTANTIATE_TEST_SUITE_P(WritePaths, FaultSweep,
                         ::testing::Values(FaultKind::kFail, FaultKind::kCrash),
                         [](const auto& info) {
                           return info.param == FaultKind::kFail ? "Fail" : "Crash";
                         });

// Power loss. A killed process leaves what it wrote in the page cache, which reaches the
// disk; a power cut loses whatever was not synced. Each command runs once with its file
// operations recorded; at every point of the record, every state the disk may hold after a
// power cut there (see PowerLossModel) must be one the rules allow:
//  - each file other than a temporary (which the next writer removes) holds a content it
//    held during the run, complete: old, new, or one it held in between;
//  - the portfolio reads as it did at some moment of the run up to that point: the power
//    cut adds nothing that the death of the process could not leave, and those states pass
//    the sweep above, as they are checked here too (no symbol lost, EMASTER in step or
//    ahead, every record's data file there);
//  - once the command has returned, the disk holds its outcome whatever happens next.
// The same holds for every run in which one operation is refused.

bool IsWriterTemporary(const std::string& path) {
  return IsWriterTemporaryName(fs::path(path).filename().string());
}

Snapshot WithoutWriterTemporaries(Snapshot state) {
  std::erase_if(state, [](const auto& entry) { return IsWriterTemporary(entry.first); });
  return state;
}

std::string Describe(const file_ops::Operation& op) {
  static const char* const kNames[] = {"create", "write",  "sync",        "rename",
                                       "link",   "remove", "sync folder", "make folder"};
  std::string text = std::string(op.refused ? "refused " : "") + kNames[static_cast<int>(op.kind)] +
                     " " + fs::path(op.path).filename().string();
  if (!op.to.empty()) text += " -> " + fs::path(op.to).filename().string();
  return text;
}

std::string Listing(const Snapshot& state) {
  std::string text;
  for (const auto& [path, bytes] : state)
    text += "\n  " + path + " (" + std::to_string(bytes.size()) + " bytes)";
  return text;
}

struct PowerLossTally {
  std::size_t cuts = 0;
  std::size_t combinations = 0;  // states built, repeats included
  std::size_t states = 0;        // distinct states checked against the rules
  std::size_t readings = 0;      // distinct portfolios read back through the file layer
};

// The portfolio of one state, put on disk and read back: nothing lost, EMASTER in step or
// ahead, every record's data file there.
void ExpectStateReads(const Scenario& s, const Snapshot& state, const fs::path& reference,
                      const Snapshot& old) {
  TempDir temp;
  for (const std::string folder : {"p", "q"}) fs::create_directories(temp.path() / folder);
  const Snapshot lasting = WithoutWriterTemporaries(state);
  for (const auto& [path, bytes] : lasting) {
    fs::create_directories((temp.path() / path).parent_path());
    WriteFileBytes(temp.path() / path, bytes);
  }
  // Each file's content is judged by the caller; here what the portfolio reads as.
  ExpectOldOrNewAndNothingLost(temp.path(), s, old, lasting, lasting);
  ExpectEmasterInStepOrAhead(temp.path(), reference, FaultKind::kCrash, old);
  for (const std::string folder : {"p", "q", "r/s"}) {
    if (fs::exists(temp.path() / folder / "MASTER")) ExpectMasterSound(temp.path() / folder);
  }
}

// A record with paths below root and the writers' own temporary names made alike
// ("F1.<process>-<n>.NEW" becomes "F1.#.NEW").
std::vector<std::string> Comparable(const std::vector<file_ops::Operation>& record,
                                    const fs::path& root) {
  const auto name = [&](const std::string& path) {
    std::string relative = fs::path(path).lexically_normal().lexically_relative(root).string();
    const std::size_t first = relative.find('.', relative.rfind('/') + 1);
    const std::size_t last = relative.rfind('.');
    if (first != std::string::npos && first != last)
      relative.replace(first + 1, last - first - 1, "#");
    return relative;
  };
  std::vector<std::string> lines;
  for (const file_ops::Operation& op : record) {
    lines.push_back(std::to_string(static_cast<int>(op.kind)) + " " + name(op.path) +
                    (op.to.empty() ? "" : " " + name(op.to)) + " " +
                    std::to_string(op.data.size()));
  }
  return lines;
}

// The memory files behind the seam do as the disk does: every write makes the same
// operations and leaves the same files.
TEST(MemoryFilesWriteTest, EveryWriteDoesWhatItDoesOnTheDisk) {
  for (const Scenario& s : Scenarios()) {
    SCOPED_TRACE(s.name);
    TempDir disk, memory;
    MakeFixture(disk.path(), s);
    MakeFixture(memory.path(), s);
    file_ops::StartRecording();
    const int onDisk = s.run((disk.path() / "p").string(), (disk.path() / "q").string());
    const std::vector<std::string> diskRecord = Comparable(file_ops::StopRecording(), disk.path());
    file_ops::MemoryFiles files;
    LoadIntoMemory(memory.path(), files);
    const Snapshot untouched = TakeSnapshot(memory.path());
    {
      const file_ops::MemoryFilesScope scope(files);
      file_ops::StartRecording();
      EXPECT_EQ(s.run((memory.path() / "p").string(), (memory.path() / "q").string()), onDisk);
      EXPECT_EQ(Comparable(file_ops::StopRecording(), memory.path()), diskRecord);
    }
    EXPECT_TRUE(MemorySnapshot(files, memory.path()) == TakeSnapshot(disk.path()));
    EXPECT_TRUE(TakeSnapshot(memory.path()) == untouched) << "the disk was written";
  }
}

// Runs checks, passing their failures on; true when there were none. (Test::HasFailure
// cannot tell while failures are intercepted, as in the test of the simulation itself.)
bool Passes(const std::function<void()>& checks) {
  ::testing::TestPartResultArray failures;
  {
    const ::testing::ScopedFakeTestPartResultReporter intercept(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    checks();
  }
  for (int i = 0; i < failures.size(); ++i) {
    const ::testing::TestPartResult& failure = failures.GetTestPartResult(i);
    ADD_FAILURE_AT(failure.file_name(), failure.line_number()) << failure.message();
  }
  return failures.size() == 0;
}

// Runs s once on memory files holding the fixture at root (operation failAt refused, when
// not 0) and checks every state a power cut may leave at every point of the run. The clean
// run (failAt 0) leaves its record in clean; a run with a refusal is checked from where its
// record parts from that one. Returns false when the run met no refusal (failAt past its
// last operation) or a state broke a rule (reported as a test failure).
bool CheckPowerLoss(const Scenario& s, const fs::path& root, long failAt, const fs::path& reference,
                    int expected, std::vector<std::string>& clean, std::set<Snapshot>& readingsDone,
                    PowerLossTally& tally) {
  file_ops::MemoryFiles files;
  LoadIntoMemory(root, files);
  const Snapshot old = MemorySnapshot(files, root);
  int result = 0;
  std::vector<file_ops::Operation> record;
  bool hit = false;
  {
    const file_ops::MemoryFilesScope scope(files);
    if (failAt > 0) file_ops::ArmFault(failAt, FaultKind::kFail);
    file_ops::StartRecording();
    result = s.run((root / "p").string(), (root / "q").string());
    record = file_ops::StopRecording();
    hit = file_ops::FaultHit();
    file_ops::DisarmFault();
  }
  if (failAt > 0 && !hit) return false;
  // Up to where this run parts from the clean one, its cut points were checked with that one.
  const std::vector<std::string> comparable = Comparable(record, root);
  std::size_t same = 0;
  if (failAt == 0) {
    clean = comparable;
  } else {
    while (same < comparable.size() && same < clean.size() && comparable[same] == clean[same])
      ++same;
  }

  using State = PowerLossModel::State;
  PowerLossModel model(root, old, record);
  // What a reader of the portfolio looks at: MASTER, EMASTER and XMASTER of each folder,
  // and the DAT and DOP files of the records MASTER counts. Backups, temporaries and data
  // files no record names do not change what the portfolio reads as.
  std::map<int, std::vector<int>> numbersOf;  // MASTER content -> the file numbers it names
  const auto reading = [&](const State& state) {
    State seen;
    for (const auto& [path, id] : state) {
      const fs::path at(path);
      const std::string name = at.filename().string();
      if (name != "MASTER" && name != "EMASTER" && name != "XMASTER") continue;
      seen[path] = id;
      if (name == "XMASTER") {
        // And the MWD and DOP files of the records XMASTER counts.
        const Bytes& x = model.Content(id);
        const int count = x.size() >= 12 ? x[10] | (x[11] << 8) : 0;
        for (int i = 0; i < count && 150 * static_cast<std::size_t>(i + 2) <= x.size(); ++i) {
          const std::size_t at = 150 * static_cast<std::size_t>(i + 1) + 65;
          const int number = x[at] | (x[at + 1] << 8);
          for (const std::string& file : {MwdFileName(number), DopFileName(number)}) {
            const std::string named = (fs::path(path).parent_path() / file).string();
            if (const auto it = state.find(named); it != state.end()) seen[named] = it->second;
          }
        }
        continue;
      }
      if (name != "MASTER") continue;
      if (numbersOf.count(id) == 0) {
        const MasterImage master{model.Content(id)};
        for (int i = 0; i < master.RecordCount(); ++i)
          numbersOf[id].push_back(master.Record(i)[master_offset::kFileNumber]);
      }
      for (const int number : numbersOf[id]) {
        for (const std::string& file : {DatFileName(number), DopFileName(number)}) {
          const std::string named = (at.parent_path() / file).string();
          if (const auto it = state.find(named); it != state.end()) seen[named] = it->second;
        }
      }
    }
    return seen;
  };
  std::map<std::string, bool> temporary;
  const auto isTemporary = [&](const std::string& name) {
    const auto [at, added] = temporary.try_emplace(name, false);
    if (added) at->second = IsWriterTemporary(name);
    return at->second;
  };
  const auto lasting = [&](State state) {
    std::erase_if(state, [&](const auto& entry) { return isTemporary(entry.first); });
    return state;
  };
  std::map<std::string, std::set<int>> held;  // each name's contents so far; -1: none
  std::set<State> readings;                   // what the portfolio read as so far
  std::set<State> readingsSeen;               // readings of states met in this run
  bool good = true;
  const auto check = [&](std::size_t cut, const State& view, const std::vector<State>& states) {
    for (auto& [name, contents] : held) contents.insert(view.count(name) != 0 ? view.at(name) : -1);
    for (const auto& [name, id] : view) {
      if (held.count(name) == 0) held[name] = cut == 0 ? std::set<int>{id} : std::set<int>{-1, id};
    }
    readings.insert(reading(view));
    if (!good || (failAt > 0 && cut <= same)) return;
    ++tally.cuts;
    tally.states += states.size();
    for (const State& state : states) {
      const auto where = [&] {
        return s.name +
               (failAt > 0 ? ", operation " + std::to_string(failAt) + " refused" : std::string()) +
               ": power cut after " + std::to_string(cut) + " of " + std::to_string(record.size()) +
               " operations" + (cut > 0 ? " (" + Describe(record[cut - 1]) + ")" : std::string()) +
               "; the disk holds" + Listing(model.ToSnapshot(state));
      };
      const auto fail = [&](const std::string& what) {
        ADD_FAILURE() << what << "\n" << where();
        good = false;
      };
      for (const auto& entry : state) {
        if (held.count(entry.first) == 0) fail(entry.first + " appeared from nowhere");
      }
      for (const auto& [name, contents] : held) {
        const int id = state.count(name) != 0 ? state.at(name) : -1;
        if (!isTemporary(name) && contents.count(id) == 0) fail(name + " holds what it never held");
      }
      const State portfolio = reading(state);
      if (readings.count(portfolio) == 0) fail("the portfolio reads as at no moment of the run");
      // A command that has returned stands for good; one that failed (having renewed a
      // backup, say) at least reads as it said it left the portfolio.
      if (cut + 1 == model.Cuts() && failAt == 0 && lasting(state) != lasting(view)) {
        fail("the command has returned, but its outcome is not on the disk for good");
      } else if (cut + 1 == model.Cuts() && result != expected && portfolio != reading(view)) {
        fail("the command has failed, but what it left is not on the disk for good");
      }
      if (good && readingsSeen.insert(portfolio).second &&
          readingsDone.insert(model.ToSnapshot(portfolio)).second) {
        SCOPED_TRACE(where());
        ++tally.readings;
        good = Passes([&] { ExpectStateReads(s, model.ToSnapshot(state), reference, old); });
      }
      if (!good) return;
    }
  };
  model.ForEachCut(check, [&](std::size_t cut) { return good && (failAt == 0 || cut > same); });
  tally.combinations += model.Combinations();
  return good;
}

// Every run of s: untouched, and with each operation refused in turn. The runs go to memory
// files (which do as the disk does, see below); the reference run goes to the disk.
PowerLossTally PowerLossSweep(const Scenario& s, bool withRefusals) {
  TempDir reference, fixture;
  MakeFixture(reference.path(), s);
  MakeFixture(fixture.path(), s);
  const int expected = s.run((reference.path() / "p").string(), (reference.path() / "q").string());
  std::set<Snapshot> readingsDone;
  std::vector<std::string> clean;
  PowerLossTally tally;
  const fs::path& root = fixture.path();
  if (!CheckPowerLoss(s, root, 0, reference.path(), expected, clean, readingsDone, tally) ||
      !withRefusals)
    return tally;
  for (long k = 1; k < 500; ++k) {
    if (!CheckPowerLoss(s, root, k, reference.path(), expected, clean, readingsDone, tally)) break;
  }
  return tally;
}

TEST(PowerLoss, EveryStateAPowerCutCanLeaveIsOneTheRulesAllow) {
  for (const Scenario& s : Scenarios()) {
    const PowerLossTally tally = PowerLossSweep(s, true);
    if (::testing::Test::HasFailure()) return;
    ::testing::Test::RecordProperty(std::string(s.name) + " states",
                                    static_cast<int>(tally.states));
    std::printf("%-20s %5zu cuts %7zu combinations %6zu states %3zu readings\n", s.name, tally.cuts,
                tally.combinations, tally.states, tally.readings);
  }
}

// The simulation is worth what it catches: with any one sync of a file or of a folder left
// out of a write, a power cut must be able to break a rule. (Except where the write syncs
// the same folder again before anything depends on it: placing a DAT and then a DOP file
// at a move's or copy's destination, or a new symbol's, whose EMASTER is replaced next,
// syncing it once more before MASTER names the files; and a move's destination, synced once
// more before the source lets the symbol go, in case the system refused the first sync. Each
// of those two covers the other, in the bare move too.)
TEST(PowerLoss, NoticesAnyOneMissingSync) {
  using Kind = file_ops::Operation::Kind;
  const std::set<std::tuple<std::string, Kind, int>> covered = {
      {"copy symbol", Kind::kSyncDirectory, 1},
      {"copy symbol", Kind::kSyncDirectory, 2},
      {"move symbol", Kind::kSyncDirectory, 1},
      {"move symbol", Kind::kSyncDirectory, 2},
      {"move symbol", Kind::kSyncDirectory, 4},
      {"move symbol", Kind::kSyncDirectory, 5},
      {"move symbol, bare", Kind::kSyncDirectory, 2},
      {"move symbol, bare", Kind::kSyncDirectory, 3},
      {"new symbol", Kind::kSyncDirectory, 1},
      {"new symbol", Kind::kSyncDirectory, 2},
      // The same two: the DAT placed (no DOP) before EMASTER's replacement, and MASTER's
      // folder sync with the one made before the source lets go.
      {"move MWD to DAT", Kind::kSyncDirectory, 1},
      {"move MWD to DAT", Kind::kSyncDirectory, 3},
      {"move MWD to DAT", Kind::kSyncDirectory, 4},
      // The MWD placed, then its DOP (whose placement syncs the folder again); XMASTER's
      // folder sync with the one made before the source lets go.
      {"move DAT to XMASTER", Kind::kSyncDirectory, 1},
      {"move DAT to XMASTER", Kind::kSyncDirectory, 3},
      {"move DAT to XMASTER", Kind::kSyncDirectory, 4}};
  int omissions = 0;
  // The writes' own syncs, so without the undo journal, whose folder sync at the end would
  // cover the last one of the write. The undo rows are left out: an undo syncs each folder
  // after every file it puts back, and within one folder the next sync covers the one before.
  for (const Scenario& s : WriteScenarios()) {
    TempDir temp;
    MakeFixture(temp.path(), s);
    file_ops::MemoryFiles files;
    LoadIntoMemory(temp.path(), files);
    std::vector<file_ops::Operation> record;
    {
      const file_ops::MemoryFilesScope scope(files);
      SetChangeRecording(false);
      file_ops::StartRecording();
      (void)s.run((temp.path() / "p").string(), (temp.path() / "q").string());
      record = file_ops::StopRecording();
      SetChangeRecording(true);
    }
    for (const Kind kind : {Kind::kSync, Kind::kSyncDirectory}) {
      const int syncs = static_cast<int>(std::count_if(
          record.begin(), record.end(), [&](const auto& op) { return op.kind == kind; }));
      for (int n = 1; n <= syncs; ++n) {
        ::testing::TestPartResultArray failures;
        {
          const ::testing::ScopedFakeTestPartResultReporter intercept(
              ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD,
              &failures);
          file_ops::OmitSync(
              kind == Kind::kSync ? file_ops::SyncKind::kFile : file_ops::SyncKind::kDirectory, n);
          SetChangeRecording(false);
          (void)PowerLossSweep(s, false);
          SetChangeRecording(true);
          file_ops::OmitSync(file_ops::SyncKind::kNone);
        }
        ++omissions;
        const bool noticed = failures.size() > 0;
        EXPECT_EQ(noticed, covered.count({s.name, kind, n}) == 0)
            << s.name << " without its " << (kind == Kind::kSync ? "file" : "folder") << " sync "
            << n << " of " << syncs;
      }
    }
  }
  ::testing::Test::RecordProperty("omissions", omissions);
}

// A write cut short at any step (failing or dying there) leaves either nothing to undo or
// a journal whose undo gives back the fixture exactly: the journal is written only once
// the change stands on the disk, and lists what the change truly left.
TEST(UndoAfterAFault, AWriteCutShortNeverUndoesIntoAWrongState) {
  const auto lasting = [](Snapshot state) {
    std::erase_if(state, [](const auto& entry) {
      const std::string name = fs::path(entry.first).filename().string();
      return IsWriterTemporaryName(name) || IsUndoFileName(name);
    });
    return state;
  };
  for (const Scenario& s : WriteScenarios()) {
    for (const FaultKind kind : {FaultKind::kFail, FaultKind::kCrash}) {
      // A failure the write reports cleanly leaves nothing changed (the sweep checks that);
      // the writes that may stop part way are the ones whose journal matters.
      if (kind == FaultKind::kFail && s.partialResults.empty()) continue;
      for (long k = 1; k < 500; ++k) {
        SCOPED_TRACE(::testing::Message()
                     << s.name << (kind == FaultKind::kCrash ? " crash" : " fail")
                     << " at operation " << k);
        TempDir temp;
        const std::string p = (temp.path() / "p").string(), q = (temp.path() / "q").string();
        MakeFixture(temp.path(), s);
        const Snapshot original = TakeSnapshot(temp.path());
        file_ops::ArmFault(k, kind);
        (void)s.run(p, q);
        const bool hit = file_ops::FaultHit();
        file_ops::DisarmFault();
        if (!hit) break;
        const Snapshot cut = TakeSnapshot(temp.path());
        std::string what, differing;
        Status undone = UndoLastChange(p, what, differing);
        if (undone == kNothingToUndo) undone = UndoLastChange(q, what, differing);
        if (undone == kNothingToUndo) {
          EXPECT_EQ(TakeSnapshot(temp.path()), cut);
        } else {
          EXPECT_EQ(undone, kOk) << differing;
          EXPECT_EQ(lasting(TakeSnapshot(temp.path())), lasting(original));
        }
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
}

// Undo holds every folder of the change as a write does: while another writer holds one,
// it waits, then gives up having changed nothing; once the folder is free it goes ahead.
TEST(UndoAfterAFault, UndoWaitsForTheWriterHoldingAFolder) {
  Scenario move;
  for (const Scenario& s : WriteScenarios()) {
    if (std::string(s.name) == "move symbol") move = s;
  }
  ASSERT_TRUE(move.run);
  TempDir temp;
  MakeFixture(temp.path(), move);
  const Snapshot original = TakeSnapshot(temp.path());
  const std::string p = (temp.path() / "p").string(), q = (temp.path() / "q").string();
  ASSERT_EQ(move.run(p, q), kOk);
  const Snapshot moved = TakeSnapshot(temp.path());
  const auto wait = PortfolioLockWait();
  SetPortfolioLockWait(std::chrono::milliseconds(50));
  std::promise<void> held, release;
  std::thread writer([&] {
    const PortfolioLock lock({q});
    held.set_value();
    release.get_future().wait();
  });
  held.get_future().wait();
  std::string what, differing;
  EXPECT_EQ(UndoLastChange(p, what, differing), kPortfolioBusy);
  EXPECT_EQ(TakeSnapshot(temp.path()), moved);
  release.set_value();
  writer.join();
  SetPortfolioLockWait(wait);
  EXPECT_EQ(UndoLastChange(p, what, differing), kOk);
  EXPECT_EQ(what, "Move Symbol ACME");
  EXPECT_EQ(TakeSnapshot(temp.path()), original);
}

// The largest series a DAT header can count, and a split over all of it.
struct LargestSeries {
  TempDir temp;
  std::string dir =
      Write(temp.path() / "p", Portfolio({SeriesEntry(MakeDailySeries(
                                   1, "BIG", "BIG CORP", Quotes(32766, Day(1970, 1, 5))))}));
  Snapshot before = TakeSnapshot(temp.path());
  SeriesEdit split = Edit(edit_kind::kScaleRange, 0, 65535, {0.5f, 0.5f, 0.5f, 0.5f, 2, 2});
};

TEST(FullDisk, ARewriteThatCannotBeWrittenCompletelyLeavesTheSeriesAsItWas) {
  LargestSeries series;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The file size limit stands in for a full disk: writes past it fail with EFBIG.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100 * 1024, 100 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    _exit(RewriteSeries(series.split, series.dir, "BIG") == kFileWrite ? 0 : 1);
  }
  int wstatus = 0;
  ASSERT_EQ(waitpid(child, &wstatus, 0), child);
  ASSERT_TRUE(WIFEXITED(wstatus));
  EXPECT_EQ(WEXITSTATUS(wstatus), 0) << "the failure was not reported as a write failure";
  Snapshot now = TakeSnapshot(series.temp.path());
  now.erase("p/F1.BAK");  // the backup may stand already (a link costs no space)
  EXPECT_EQ(now, series.before);
}

TEST(ReadOnlyFolder, ARewriteIsRefusedAndNothingChanges) {
  LargestSeries series;
  ASSERT_EQ(chmod(series.temp.str().c_str(), 0755), 0);
  ASSERT_EQ(chmod(series.dir.c_str(), 0555), 0);
  for (const auto& entry : std::filesystem::directory_iterator(series.dir)) {
    ASSERT_EQ(chmod(entry.path().c_str(), 0444), 0);
  }
  // Root writes anywhere, so as root the rewrite runs as an ordinary user who may only read.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
    _exit(RewriteSeries(series.split, series.dir, "BIG") == kFileWrite ? 0 : 1);
  }
  int wstatus = 0;
  ASSERT_EQ(waitpid(child, &wstatus, 0), child);
  ASSERT_TRUE(WIFEXITED(wstatus));
  EXPECT_EQ(WEXITSTATUS(wstatus), 0) << "the refusal was not reported as a write failure";
  chmod(series.dir.c_str(), 0755);
  EXPECT_EQ(TakeSnapshot(series.temp.path()), series.before);
}

}  // namespace
}  // namespace voltrim::testing
