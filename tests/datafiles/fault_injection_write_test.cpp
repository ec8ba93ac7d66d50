#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <set>

#include "companion_fixtures.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/series.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/repair_master.h"
#include "datafiles/write/rewrite_series.h"
#include "datafiles/write/symbol_files.h"
#include "fixtures.h"

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
  // symbol -> folders it may be found in afterwards; never in none of them.
  std::vector<std::pair<std::string, std::vector<std::string>>> mustKeep = {
      {"ACME", {"p", "q"}}, {"OTHER", {"p"}}, {"D1", {"q"}}};
};

void MakeFixture(const fs::path& root, const Scenario& s) {
  Write(root / "p",
        Portfolio({Symbol(1, "ACME", "ACME CORP", 5), Symbol(2, "OTHER", "OTHER INC")}));
  Write(root / "q", Portfolio({Symbol(1, "D1", "DEST ONE")}));
  WriteFileBytes(root / "p" / "F1.BAK", {1, 2, 3});
  WriteFileBytes(root / "p" / "MASTER.BAK", {4, 5, 6});
  if (s.damagedSymbol) {
    Bytes master = ReadFileBytes(root / "p" / "MASTER");
    std::fill_n(master.begin() + 2 * 53 + 36, 16, ' ');
    WriteFileBytes(root / "p" / "MASTER", master);
  }
  WriteMirroringEmaster(root / "p");
  WriteMirroringEmaster(root / "q");
}

// Temporaries may be left by a crash; backups may be renewed by a failed or repeated run.
bool IsTemporary(const fs::path& path) {
  std::string name = path.filename().string();
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string ext = fs::path(name).extension().string();
  // MASTER.BAK is the repair's temporary (and shares its name with the update's backup).
  return ext == ".NEW" || ext == ".~NU" || name == "MASTER.BAK" || IsWriterTemporaryName(name);
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
    for (const std::string& folder : folders)
      found = found || ReadSeries(buffer, (root / folder).string(), symbol, 0, -1) == kOk;
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

std::vector<Scenario> Scenarios() {
  const DayNumber mon = Day(2000, 1, 3), wed = Day(2000, 1, 5);
  const auto rewrite = [](SeriesEdit edit) {
    return [edit](auto p, auto) { return RewriteSeries(edit, p, "ACME"); };
  };
  using edit_kind::kDelete, edit_kind::kInsert;
  return {
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
  };
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
