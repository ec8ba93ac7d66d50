#include <gtest/gtest.h>

#include <functional>

#include "companion_fixtures.h"
#include "datafiles/file_ops.h"
#include "datafiles/repair_master.h"
#include "datafiles/symbol_files.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;
using file_ops::FaultKind;

// One write on a pair of portfolios p (source) and q (destination), both with an EMASTER
// that mirrors MASTER.
struct Case {
  const char* name;
  std::function<int(const std::string& p, const std::string& q)> run;
  // Running it again after a crash that left EMASTER ahead of MASTER completes it.
  bool rerunCompletes = true;
};

void MakeFixture(const fs::path& root) {
  Write(root / "p", Portfolio({Symbol(1, "ACME", "ACME CORP", 5), Symbol(2, "OTHER", "OTHER INC"),
                               Symbol(3, "THIRD", "THIRD CO")}));
  Write(root / "q", Portfolio({Symbol(1, "D1", "DEST ONE")}));
  Bytes master = ReadFileBytes(root / "p" / "MASTER");
  std::fill_n(master.begin() + 3 * 53 + 36, 16, ' ');  // THIRD needs repair
  WriteFileBytes(root / "p" / "MASTER", master);
  WriteMirroringEmaster(root / "p");
  WriteMirroringEmaster(root / "q");
}

bool InStep(const fs::path& dir) {
  EmasterImage emaster;
  if (ReadEmasterImage((dir / "EMASTER").string(), emaster) != kOk) return false;
  return EmasterMirrors(emaster, ReadFileBytes(dir / "MASTER"));
}

std::optional<Bytes> Read(const fs::path& file) {
  if (!fs::exists(file)) return std::nullopt;
  return ReadFileBytes(file);
}

void SweepOne(const Case& c, FaultKind kind) {
  TempDir reference;
  MakeFixture(reference.path());
  const int expected = c.run((reference.path() / "p").string(), (reference.path() / "q").string());
  for (long k = 1; k < 400; ++k) {
    SCOPED_TRACE(::testing::Message() << c.name << (kind == FaultKind::kCrash ? " crash" : " fail")
                                      << " at operation " << k);
    TempDir temp;
    MakeFixture(temp.path());
    const std::string p = (temp.path() / "p").string(), q = (temp.path() / "q").string();
    std::map<std::string, std::optional<Bytes>> old;
    for (const char* folder : {"p", "q"})
      for (const char* file : {"MASTER", "EMASTER"})
        old[std::string(folder) + "/" + file] = Read(temp.path() / folder / file);
    file_ops::ArmFault(k, kind);
    const int result = c.run(p, q);
    const bool hit = file_ops::FaultHit();
    file_ops::DisarmFault();
    for (const auto& [path, bytes] : old) {
      const auto now = Read(temp.path() / path);
      EXPECT_TRUE(now == bytes || now == Read(reference.path() / path)) << path;
    }
    if (!hit) {
      EXPECT_EQ(result, expected);
      return;
    }
    for (const char* folder : {"p", "q"}) {
      const fs::path dir = temp.path() / folder;
      if (InStep(dir)) continue;
      // Only a crash may leave EMASTER ahead, already holding what MASTER is to become.
      ASSERT_EQ(kind, FaultKind::kCrash) << folder << ": a failed write parted EMASTER from MASTER";
      EXPECT_EQ(Read(dir / "EMASTER"), Read(reference.path() / folder / "EMASTER")) << folder;
      EXPECT_EQ(Read(dir / "MASTER"), old[std::string(folder) + "/MASTER"]) << folder;
      if (!c.rerunCompletes) continue;
      EXPECT_EQ(c.run(p, q), expected);
      EXPECT_TRUE(InStep(dir)) << folder << " after the rerun";
      EXPECT_EQ(Read(dir / "MASTER"), Read(reference.path() / folder / "MASTER"));
    }
    if (::testing::Test::HasFailure()) return;
  }
  ADD_FAILURE() << "never finished";
}

std::vector<Case> Cases() {
  const DayNumber mon = Day(2000, 1, 3);
  return {
      {"delete symbol", [](auto p, auto) { return DeleteSymbol(p, "OTHER"); }},
      {"rename",
       [](auto p, auto) { return RenameMasterRecord(MasterPathIn(p), 1, "OTHR", "NEW"); }},
      {"repair", [](auto p, auto) { return RepairMaster(MasterPathIn(p)); }},
      {"copy", [](auto p, auto q) { return MoveOrCopySymbol(p, "ACME", q, false); }},
      // A move that stops before the source lets go leaves the symbol in both (as it
      // always has); the rerun refuses it as present at the destination.
      {"move", [](auto p, auto q) { return MoveOrCopySymbol(p, "ACME", q, true); }, false},
      // The dates are no part of what the next run can recognise; see the delete's note.
      {"delete first quote",
       [=](auto p, auto) {
         return RewriteSeries(Edit(edit_kind::kDelete, mon, mon), p, "ACME", 5);
       },
       false},
  };
}

class EmasterFaultSweep : public ::testing::TestWithParam<FaultKind> {};

TEST_P(EmasterFaultSweep, EveryIndexFileIsOldOrNewAndEmasterNeverFallsBehind) {
  for (const Case& c : Cases()) SweepOne(c, GetParam());
}

INSTANTIATE_TEST_SUITE_P(WritePaths, EmasterFaultSweep,
                         ::testing::Values(FaultKind::kFail, FaultKind::kCrash),
                         [](const auto& info) {
                           return info.param == FaultKind::kFail ? "Fail" : "Crash";
                         });

}  // namespace
}  // namespace voltrim::testing
