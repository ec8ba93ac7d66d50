#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "datafiles/file_ops.h"
#include "datafiles/master.h"
#include "datafiles/master_image.h"
#include "datafiles/repair_master.h"
#include "datafiles/rewrite_series.h"
#include "datafiles/series.h"
#include "datafiles/symbol_files.h"
#include "write_fixture.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;
using file_ops::FaultKind;

// One write operation, run against a fresh pair of portfolios root/p and root/q.
struct Scenario {
  const char* name;
  std::function<int(const std::string& p, const std::string& q)> run;
  std::set<int> partialResults;  // "partly done" results; anything else non-zero failed cleanly
  bool rerunnable = false;       // running it again after a crash must finish the job
  std::function<void(const fs::path& root)> damage = nullptr;  // set-up beyond the fixture
  std::vector<std::pair<std::string, std::vector<std::string>>> mustKeep = {
      {"ACME", {"p", "q"}}, {"OTHER", {"p"}}, {"D1", {"q"}}};
};

void MakeFixture(const fs::path& root, const Scenario& s) {
  MakePortfolio(root, "p",
                Portfolio({SeriesEntry(MakeDailySeries(1, "ACME", "ACME CORP",
                                                       WeekdayQuotes(Day(2000, 1, 3), 5))),
                           SeriesEntry(MakeDailySeries(2, "OTHER", "OTHER INC",
                                                       WeekdayQuotes(Day(2000, 1, 3), 2)))}));
  MakePortfolio(root, "q",
                Portfolio({SeriesEntry(
                    MakeDailySeries(1, "D1", "DEST ONE", WeekdayQuotes(Day(2000, 1, 3), 2)))}));
  WriteFileBytes(root / "p" / "F1.BAK", {1, 2, 3});
  WriteFileBytes(root / "p" / "MASTER.BAK", {4, 5, 6});
  if (s.damage) s.damage(root);
}

bool IsTemporary(const std::string& path) {
  std::string name = fs::path(path).filename().string();
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto ends = [&](const std::string& tail) {
    return name.size() >= tail.size() &&
           name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
  };
  // MASTER.bak is the repair's temporary (and shares its name with the update's backup).
  return ends(".new") || ends(".~nu") || name == "master.bak";
}

Snapshot Lasting(const Snapshot& all) {
  Snapshot kept;
  for (const auto& [path, bytes] : all)
    if (!IsTemporary(path)) kept[path] = bytes;
  return kept;
}

// Lasting files without the backups, which a failed or repeated operation may renew.
Snapshot Primary(const Snapshot& all) {
  Snapshot kept;
  for (const auto& [path, bytes] : Lasting(all)) {
    const std::string ext = fs::path(path).extension().string();
    if (ext != ".BAK" && ext != ".bak") kept[path] = bytes;
  }
  return kept;
}

std::optional<Bytes> At(const Snapshot& s, const std::string& path) {
  const auto it = s.find(path);
  if (it == s.end()) return std::nullopt;
  return it->second;
}

// Every lasting file is as it was or as the finished operation leaves it, complete.
void ExpectOldOrNew(const Snapshot& old, const Snapshot& fresh, const Snapshot& now) {
  std::set<std::string> paths;
  for (const Snapshot* s : {&old, &fresh, &now})
    for (const auto& entry : *s) paths.insert(entry.first);
  for (const std::string& path : paths) {
    if (IsTemporary(path)) continue;
    const auto state = At(now, path);
    EXPECT_TRUE(state == At(old, path) || state == At(fresh, path)) << path;
  }
}

void ExpectNoSymbolLost(const fs::path& root, const Scenario& s) {
  for (const auto& [symbol, folders] : s.mustKeep) {
    bool found = false;
    for (const std::string& folder : folders) {
      SeriesBuffer buffer;
      ASSERT_EQ(AllocSeriesBuffer(buffer, 64), kOk);
      found = found || ReadSeries(buffer, (root / folder).string(), symbol, 0, -1) == kOk;
      FreeSeriesBuffer(buffer);
    }
    EXPECT_TRUE(found) << symbol << " lost";
  }
}

// Runs the operation with operation k failing (or the process "dying" there) for every k
// until it finishes untouched by the fault; returns how many k were tried.
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
    MakeFixture(root, s);
    const Snapshot old = TakeSnapshot(root);
    file_ops::ArmFault(k, kind);
    const int result = s.run((root / "p").string(), (root / "q").string());
    const bool hit = file_ops::FaultHit();
    file_ops::DisarmFault();
    const Snapshot now = TakeSnapshot(root);
    if (!hit) {
      EXPECT_EQ(result, expected);
      EXPECT_EQ(Lasting(now), Lasting(fresh));
      return static_cast<int>(k);
    }
    ExpectOldOrNew(old, fresh, now);
    ExpectNoSymbolLost(root, s);
    if (kind == FaultKind::kFail) {
      if (result == expected) {
        EXPECT_EQ(Lasting(now), Lasting(fresh)) << "reported done but is not";
      } else if (s.partialResults.count(result) == 0) {
        EXPECT_NE(result, kOk);
        // A clean failure: every lasting file that existed is as it was.
        for (const auto& [path, bytes] : Primary(old)) EXPECT_EQ(At(now, path), bytes) << path;
      }
    } else if (s.rerunnable) {
      EXPECT_EQ(s.run((root / "p").string(), (root / "q").string()), expected);
      EXPECT_EQ(Primary(TakeSnapshot(root)), Primary(fresh)) << "rerun after the crash";
    }
    if (::testing::Test::HasFailure()) return -1;
  }
  ADD_FAILURE() << "never finished";
  return -1;
}

SeriesEdit Request(std::int16_t kind, DayNumber day, std::array<float, 6> values = {}) {
  SeriesEdit edit;
  edit.kind = kind;
  edit.firstDay = edit.lastDay = day;
  edit.values = values;
  return edit;
}

std::vector<Scenario> Scenarios() {
  const DayNumber monday = Day(2000, 1, 3);
  const DayNumber wednesday = Day(2000, 1, 5);
  std::vector<Scenario> all;
  all.push_back({"set",
                 [=](auto p, auto) {
                   return RewriteSeries(Request(edit_kind::kSet, wednesday, {1, 2, 3, 4, 5, 6}), p,
                                        "ACME", 5);
                 },
                 {},
                 true});
  all.push_back({"scale",
                 [=](auto p, auto) {
                   SeriesEdit e = Request(edit_kind::kScaleRange, 0, {2, 2, 2, 2, 3, 3});
                   e.lastDay = wednesday;
                   return RewriteSeries(e, p, "ACME", 5);
                 },
                 {}});
  all.push_back({"delete first quote",
                 [=](auto p, auto) {
                   return RewriteSeries(Request(edit_kind::kDelete, monday), p, "ACME", 5);
                 },
                 {kMasterDatesNotUpdated}});
  all.push_back({"insert",
                 [=](auto p, auto) {
                   return RewriteSeries(Request(edit_kind::kInsert, monday), p, "ACME", 5);
                 },
                 {}});
  all.push_back({"master date",
                 [=](auto p, auto) {
                   return SetMasterDate(MasterPathIn(p), DayToDateFloat(wednesday), 2,
                                        MasterDate::kLast);
                 },
                 {}});
  all.push_back(
      {"rename",
       [](auto p, auto) { return RenameMasterRecord(MasterPathIn(p), 1, "OTHER", "NEW NAME"); },
       {},
       true});
  Scenario repair{"repair", [](auto p, auto) { return RepairMaster(MasterPathIn(p)); }, {}, true};
  repair.damage = [](const fs::path& root) {
    Bytes master = ReadFileBytes(root / "p" / "MASTER");
    for (int i = 0; i < 16; ++i) master[2 * 53 + 36 + static_cast<std::size_t>(i)] = ' ';
    WriteFileBytes(root / "p" / "MASTER", master);
  };
  repair.mustKeep = {{"ACME", {"p"}}, {"OTHER INC", {"p"}}};
  all.push_back(repair);
  Scenario remove{
      "delete symbol", [](auto p, auto) { return DeleteSymbol(p, "OTHER"); }, {kSymbolFilesLeft}};
  remove.mustKeep = {{"ACME", {"p"}}};
  all.push_back(remove);
  all.push_back(
      {"copy symbol", [](auto p, auto q) { return MoveOrCopySymbol(p, "ACME", q, false); }, {}});
  all.push_back({"move symbol",
                 [](auto p, auto q) { return MoveOrCopySymbol(p, "ACME", q, true); },
                 {kSourceNotRemoved, kSymbolFilesLeft}});
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

}  // namespace
}  // namespace voltrim::testing
