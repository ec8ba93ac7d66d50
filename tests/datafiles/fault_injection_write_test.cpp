#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "power_loss.h"
#include "write_commands.h"

namespace voltrim::testing {
namespace {

using file_ops::FaultKind;

// Temporaries may be left by a crash; backups may be renewed by a failed or repeated run.
bool IsTemporary(const fs::path& path) {
  std::string name = path.filename().string();
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string ext = fs::path(name).extension().string();
  // MASTER.BAK is the repair's temporary (and shares its name with the update's backup).
  // The undo journal and the contents it keeps are the undo's own; the undo rows and the
  // tests below judge them.
  return ext == ".NEW" || ext == ".~NU" || name == "MASTER.BAK" || IsWriterTemporaryName(name) ||
         IsUndoPath(path.string());
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

void ExpectOldOrNewAndNothingLost(const fs::path& root, const WriteCommand& s, const Snapshot& old,
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

// A write cut short leaves either nothing to undo or a journal whose undo gives back the
// fixture exactly: the journal is written only once the change stands on the disk, and lists
// what the change truly left. Tried on a copy of root, where the sweep goes on with the cut.
void ExpectUndoGivesBackOrNothing(const fs::path& root, const Snapshot& original) {
  const auto lasting = [](Snapshot state) {
    std::erase_if(state, [](const auto& entry) {
      const std::string name = fs::path(entry.first).filename().string();
      return IsWriterTemporaryName(name) || IsUndoPath(entry.first);
    });
    return state;
  };
  TempDir copy;
  fs::copy(root, copy.path(), fs::copy_options::recursive);
  const Snapshot cut = TakeFullSnapshot(copy.path());
  std::string what, differing;
  Status undone = kNothingToUndo;
  for (const char* folder : {"p", "q"}) {
    if (undone == kNothingToUndo)
      undone = UndoLastChange((copy.path() / folder).string(), what, differing);
  }
  if (undone == kNothingToUndo) {
    EXPECT_EQ(TakeFullSnapshot(copy.path()), cut) << "nothing to undo, but files changed";
  } else {
    EXPECT_EQ(undone, kOk) << differing;
    EXPECT_EQ(lasting(TakeSnapshot(copy.path())), lasting(original)) << "undone wrongly";
  }
}

// A step through the history, finished: the change it undid can be redone, the change it
// redid can be undone, each naming it.
void ExpectHistoryAfterStep(const WriteCommand& s, const fs::path& root) {
  const std::string folder = (root / s.cli.at(1).substr(1)).string();
  UndoPlan undone, redone;
  if (s.redoes) {
    EXPECT_EQ(ReadUndoPlan(folder, redone), kOk) << "the history lost the change redone";
  } else {
    EXPECT_EQ(ReadRedoPlan(folder, undone), kOk) << "the history lost the change undone";
  }
}

// Runs s with file operation k failing (or the process "dying" there) for every k until it
// finishes untouched by the fault; returns how many k were tried. `before` changes the
// fixture first, as a change of its own whose journal the write must leave alone.
int Sweep(const WriteCommand& s, FaultKind kind,
          const std::function<void(const fs::path&)>& before = {}) {
  // Built once and copied for each step: an undo row's fixture is a whole write.
  TempDir fixture, reference;
  MakeFixture(fixture.path(), s);
  if (before) before(fixture.path());
  const Snapshot old = TakeSnapshot(fixture.path());
  fs::copy(fixture.path(), reference.path(), fs::copy_options::recursive);
  const int expected = s.run((reference.path() / "p").string(), (reference.path() / "q").string());
  const Snapshot fresh = TakeSnapshot(reference.path());
  if (s.prepare) {  // an undo gives the fixture back, backups included; a redo the change
    WriteCommand unchanged = s;
    unchanged.prepare = {};
    TempDir original;
    MakeFixture(original.path(), unchanged);
    if (s.redoes) {
      const fs::path root = original.path();
      EXPECT_EQ(WriteNamed(s.name + std::string("redo ").size())
                    .run((root / "p").string(), (root / "q").string()),
                kOk);
    }
    EXPECT_EQ(Without(fresh, false), Without(TakeSnapshot(original.path()), false));
  }
  for (long k = 1; k < 500; ++k) {
    SCOPED_TRACE(::testing::Message() << "operation " << k);
    TempDir temp;
    const fs::path& root = temp.path();
    fs::copy(fixture.path(), root, fs::copy_options::recursive);
    file_ops::ArmFault(k, kind);
    const int result = s.run((root / "p").string(), (root / "q").string());
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
    // Stopped part way (dying, or failing with a partial result), a write's journal matters;
    // a clean failure leaves nothing changed.
    if (!s.prepare && !before && (kind == FaultKind::kCrash || !s.partialResults.empty()))
      ExpectUndoGivesBackOrNothing(root, old);
    if (kind == FaultKind::kFail && result == expected) {
      EXPECT_EQ(Without(now, false), Without(fresh, false)) << "reported done but is not";
    } else if (kind == FaultKind::kFail && s.partialResults.count(result) == 0) {
      EXPECT_NE(result, kOk);
      // A clean failure: every lasting file that existed is as it was.
      for (const auto& [path, bytes] : Without(old, true)) EXPECT_EQ(At(now, path), bytes) << path;
    } else if (kind == FaultKind::kCrash && s.rerunnable) {
      EXPECT_EQ(s.run((root / "p").string(), (root / "q").string()), expected);
      EXPECT_EQ(Without(TakeSnapshot(root), true), Without(fresh, true)) << "rerun after crash";
      if (s.prepare) ExpectHistoryAfterStep(s, root);
    }
    if (::testing::Test::HasFailure()) return -1;
  }
  ADD_FAILURE() << "never finished";
  return -1;
}

TEST_P(WriteOrUndoRow, FailingAtAnyStepLeavesEveryFileOldOrNew) {
  EXPECT_GT(Sweep(GetParam(), FaultKind::kFail), 3);
}
TEST_P(WriteOrUndoRow, DyingAtAnyStepLeavesEveryFileOldOrNew) {
  EXPECT_GT(Sweep(GetParam(), FaultKind::kCrash), 3);
}

// The update, failing part way, takes back what it did through its own journal: never the
// change before it (an edit of a series it leaves alone), whose journal stays until the
// next change's replaces it.
TEST(PreviousJournal, AFailedUpdateNeverTakesBackTheChangeBeforeIt) {
  const std::vector<WriteCommand> rows = WriteCommands();
  const auto update = std::find_if(
      rows.begin(), rows.end(), [](const auto& row) { return std::string(row.name) == "update"; });
  EXPECT_GT(Sweep(*update, FaultKind::kFail,
                  [](const fs::path& root) {
                    const DayNumber day = Day(2000, 1, 3);
                    const SeriesEdit edit = Edit(edit_kind::kSet, day, day, {7, 8, 6, 7.5f, 70});
                    ASSERT_EQ(RewriteSeries(edit, (root / "p").string(), "OTHER"), kOk);
                  }),
            3);
}

// Power loss: a killed process leaves what it wrote in the page cache; a power cut loses
// whatever was not synced. At every point of a command's recorded run, every state the disk
// may hold after a power cut (see PowerLossModel) must keep the rules: each lasting file
// holds a complete content it held during the run; the portfolio reads as it did at some
// moment of the run up to there (and passes the sweep's checks); once the command has
// returned, its outcome stands. The same for every run with one operation refused.

bool IsWriterTemporary(const std::string& path) {
  return IsWriterTemporaryName(fs::path(path).filename().string());
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

// The portfolio of one state, put on disk and read back: nothing lost, EMASTER in step or
// ahead, every record's data file there.
void ExpectStateReads(const WriteCommand& s, const Snapshot& state, const fs::path& reference,
                      const Snapshot& old) {
  TempDir temp;
  for (const std::string folder : {"p", "q"}) fs::create_directories(temp.path() / folder);
  Snapshot lasting = state;
  std::erase_if(lasting, [](const auto& entry) { return IsWriterTemporary(entry.first); });
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

// How many failures checks make, held back unless passOn. (Test::HasFailure cannot tell
// while failures are intercepted, as in the test of the simulation itself.)
int Failures(const std::function<void()>& checks, bool passOn) {
  ::testing::TestPartResultArray failures;
  {
    const ::testing::ScopedFakeTestPartResultReporter intercept(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    checks();
  }
  for (int i = 0; passOn && i < failures.size(); ++i) {
    const ::testing::TestPartResult& failure = failures.GetTestPartResult(i);
    ADD_FAILURE_AT(failure.file_name(), failure.line_number()) << failure.message();
  }
  return failures.size();
}

// The data and DOP files of the records an index file counts (XMASTER's: 150-byte records,
// the count at 10 and the file number at 65 of each record; MASTER's: 53 bytes, at 0 and 0).
std::vector<std::string> FilesNamedBy(bool xmaster, const Bytes& index) {
  const std::size_t size = xmaster ? 150 : 53, count = xmaster ? 10 : 0, number = xmaster ? 65 : 0;
  std::vector<std::string> files;
  const int records = index.size() > count + 1 ? index[count] | (index[count + 1] << 8) : 0;
  for (std::size_t i = 1; i <= static_cast<std::size_t>(records) && size * (i + 1) <= index.size();
       ++i) {
    const std::size_t at = size * i + number;
    const int n = xmaster ? index[at] | (index[at + 1] << 8) : index[at];
    files.push_back(xmaster ? MwdFileName(n) : DatFileName(n));
    files.push_back(DopFileName(n));
  }
  return files;
}

// Runs s once on memory files holding the fixture at root (operation failAt refused, when
// not 0) and checks every state a power cut may leave at every point of the run. The clean
// run (failAt 0) leaves its record in clean; a run with a refusal is checked from where its
// record parts from that one. Returns false when the run met no refusal (failAt past its
// last operation) or a state broke a rule (reported as a test failure).
bool CheckPowerLoss(const WriteCommand& s, const fs::path& root, long failAt,
                    const fs::path& reference, int expected, std::vector<std::string>& clean,
                    std::set<Snapshot>& readingsDone) {
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
    EXPECT_EQ(result, expected);
    EXPECT_TRUE(MemorySnapshot(files, root) == TakeFullSnapshot(reference)) << "not as on the disk";
  } else {
    while (same < comparable.size() && same < clean.size() && comparable[same] == clean[same])
      ++same;
  }

  using State = PowerLossModel::State;
  PowerLossModel model(root, old, record);
  // What a reader of the portfolio looks at: MASTER, EMASTER and XMASTER of each folder,
  // and the data and DOP files of the records MASTER and XMASTER count. Backups, temporaries
  // and data files no record names do not change what the portfolio reads as.
  // Per index file and content: the files it names, by their paths below root.
  std::map<std::pair<std::string, int>, std::vector<std::string>> namedBy;
  const auto named = [&](const std::string& path, int id) -> const std::vector<std::string>& {
    const auto [at, added] = namedBy.try_emplace({path, id});
    if (added) {
      const fs::path index(path);
      if (index.filename() == "EMASTER") return at->second;
      for (const std::string& file : FilesNamedBy(index.filename() == "XMASTER", model.Content(id)))
        at->second.push_back((index.parent_path() / file).string());
    }
    return at->second;
  };
  std::map<std::string, bool> isIndex;
  const auto reading = [&](const State& state) {
    State seen;
    for (const auto& [path, id] : state) {
      const auto [index, added] = isIndex.try_emplace(path, false);
      if (added) {
        const std::string name = fs::path(path).filename().string();
        index->second = name == "MASTER" || name == "EMASTER" || name == "XMASTER";
      }
      if (!index->second) continue;
      seen.emplace_back(path, id);
      for (const std::string& file : named(path, id)) {
        if (const int* content = PowerLossModel::Find(state, file))
          seen.emplace_back(file, *content);
      }
    }
    std::sort(seen.begin(), seen.end());
    seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
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
    for (auto& [name, contents] : held) {
      const int* id = PowerLossModel::Find(view, name);
      contents.insert(id != nullptr ? *id : -1);
    }
    for (const auto& [name, id] : view) {
      if (held.count(name) == 0) held[name] = cut == 0 ? std::set<int>{id} : std::set<int>{-1, id};
    }
    readings.insert(reading(view));
    if (!good || (failAt > 0 && cut <= same)) return;
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
        const int* id = PowerLossModel::Find(state, name);
        if (!isTemporary(name) && contents.count(id != nullptr ? *id : -1) == 0)
          fail(name + " holds what it never held");
      }
      const State portfolio = reading(state);
      if (readings.count(portfolio) == 0 && !s.dataFilesInAnyOrder) {
        fail("the portfolio reads as at no moment of the run");
      }
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
        good = Failures([&] { ExpectStateReads(s, model.ToSnapshot(state), reference, old); },
                        true) == 0;
      }
      if (!good) return;
    }
  };
  model.ForEachCut(check, [&](std::size_t cut) { return good && (failAt == 0 || cut > same); });
  return good;
}

// Every run of s: untouched, and with each operation refused in turn. The runs go to memory
// files; the reference run goes to the disk. The memory files behind the seam do as the disk
// does: the same operations, the same files, and the disk left alone.
void PowerLossSweep(const WriteCommand& s, bool withRefusals) {
  // The runs on memory and on the disk write the same journals.
  SetChangeTime(946684800);
  const std::shared_ptr<void> clockBack(nullptr, [](void*) { SetChangeTime(0); });
  TempDir reference, fixture;
  MakeFixture(fixture.path(), s);
  fs::copy(fixture.path(), reference.path(), fs::copy_options::recursive);
  const Snapshot untouched = TakeFullSnapshot(fixture.path());
  file_ops::StartRecording();
  const int expected = s.run((reference.path() / "p").string(), (reference.path() / "q").string());
  const std::vector<std::string> onDisk = Comparable(file_ops::StopRecording(), reference.path());
  std::set<Snapshot> readingsDone;
  std::vector<std::string> clean;
  for (long k = 0; k < (withRefusals ? 500 : 1); ++k) {
    if (!CheckPowerLoss(s, fixture.path(), k, reference.path(), expected, clean, readingsDone))
      break;
  }
  EXPECT_EQ(clean, onDisk);
  EXPECT_TRUE(TakeFullSnapshot(fixture.path()) == untouched) << "the disk was written";
}

TEST_P(WriteOrUndoRow, EveryStateAPowerCutCanLeaveIsOneTheRulesAllow) {
  PowerLossSweep(GetParam(), true);
}

// The simulation is worth what it catches: with any one sync of a file or of a folder left
// out of a write, a power cut must be able to break a rule. (Except where the write syncs
// the same folder again before anything depends on it: placing a DAT and then a DOP file
// at a move's or copy's destination, or a new symbol's, whose EMASTER is replaced next,
// syncing it once more before MASTER names the files; and a move's destination, synced once
// more before the source lets the symbol go, in case the system refused the first sync. Each
// of those two covers the other, in the bare move too.) The writes' own syncs only: the
// undo journal's folder sync at the end would cover the write's last one. The undo rows are
// left out: an undo syncs each folder after every file it puts back, and within one folder
// the next sync covers the one before.
TEST_P(WriteRow, NoticesAnyOneMissingSync) {
  using Kind = file_ops::Operation::Kind;
  const std::map<std::string, std::set<int>> folderSyncsCovered = {
      {"copy symbol", {1, 2}},
      {"move symbol", {1, 2, 4, 5}},
      {"move symbol, bare", {2, 3}},
      {"new symbol", {1, 2}},
      // The same two: the DAT placed (no DOP) before EMASTER's replacement, and MASTER's
      // folder sync with the one made before the source lets go.
      {"move MWD to DAT", {1, 3, 4}},
      // The MWD placed, then its DOP (whose placement syncs the folder again); XMASTER's
      // folder sync with the one made before the source lets go.
      {"move DAT to XMASTER", {1, 3, 4}},
      // The update's syncs of its data files' folder: left out, its data files may stand
      // in another mix of old and new, which the update allows (dataFilesInAnyOrder); the
      // index files still follow only after the folder's last sync.
      {"update", {1, 3}},
      // The placed files' folder sync with EMASTER's replacement, which syncs the folder again
      // before MASTER names them; MASTER's with the one made before the source lets go.
      {"move symbols", {1, 3, 4}}};
  const WriteCommand& s = GetParam();
  const auto covered = folderSyncsCovered.find(s.name);
  TempDir temp;
  MakeFixture(temp.path(), s);
  file_ops::MemoryFiles files;
  LoadIntoMemory(temp.path(), files);
  std::vector<file_ops::Operation> record;
  SetChangeRecording(false);
  {
    const file_ops::MemoryFilesScope scope(files);
    file_ops::StartRecording();
    (void)s.run((temp.path() / "p").string(), (temp.path() / "q").string());
    record = file_ops::StopRecording();
  }
  for (const Kind kind : {Kind::kSync, Kind::kSyncDirectory}) {
    const int syncs = static_cast<int>(std::count_if(
        record.begin(), record.end(), [&](const auto& op) { return op.kind == kind; }));
    for (int n = 1; n <= syncs; ++n) {
      file_ops::OmitSync(
          kind == Kind::kSync ? file_ops::SyncKind::kFile : file_ops::SyncKind::kDirectory, n);
      const bool noticed = Failures([&] { PowerLossSweep(s, false); }, false) > 0;
      file_ops::OmitSync(file_ops::SyncKind::kNone);
      const bool isCovered = kind == Kind::kSyncDirectory && covered != folderSyncsCovered.end() &&
                             covered->second.count(n) != 0;
      EXPECT_EQ(noticed, !isCovered) << "without its " << (kind == Kind::kSync ? "file" : "folder")
                                     << " sync " << n << " of " << syncs;
    }
  }
  SetChangeRecording(true);
}

// A split of the largest series a DAT header can count, which the system refuses part way
// (the file size limit standing in for a full disk, writes past it failing with EFBIG) or at
// once (a read-only folder; root runs it as an ordinary user who may only read): it reports
// a write failure and leaves the series as it was.
TEST(FullDisk, ARewriteTheSystemRefusesLeavesTheSeriesAsItWas) {
  const SeriesEdit split = Edit(edit_kind::kScaleRange, 0, 65535, {0.5f, 0.5f, 0.5f, 0.5f, 2, 2});
  for (const bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only folder" : "full disk");
    TempDir temp;
    const std::string dir =
        Write(temp.path() / "p", Portfolio({SeriesEntry(MakeDailySeries(
                                     1, "BIG", "BIG CORP", Quotes(32766, Day(1970, 1, 5))))}));
    const Snapshot before = TakeSnapshot(temp.path());
    if (readOnly) {
      ASSERT_EQ(chmod(temp.str().c_str(), 0755), 0);
      for (const auto& entry : fs::directory_iterator(dir))
        ASSERT_EQ(chmod(entry.path().c_str(), 0444), 0);
      ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    }
    const int code = ExitOfChild(
        [&] {
          if (readOnly && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
          return RewriteSeries(split, dir, "BIG") == kFileWrite ? 0 : 1;
        },
        readOnly ? 0 : 100 * 1024);
    EXPECT_EQ(code, 0) << "not reported as a write failure";
    chmod(dir.c_str(), 0755);
    Snapshot now = TakeSnapshot(temp.path());
    if (!readOnly) now.erase("p/F1.BAK");  // the backup may stand already (a link costs no space)
    EXPECT_EQ(now, before);
  }
  // Done, the split is undone: the journal read the series in many pieces, and its undo
  // finds the fingerprints it checks by reading each file whole.
  TempDir temp;
  const std::string dir = Write(
      temp.path() / "p",
      Portfolio({SeriesEntry(MakeDailySeries(1, "BIG", "", Quotes(32766, Day(1970, 1, 5))))}));
  const Snapshot before = TakeSnapshot(temp.path());
  ASSERT_EQ(RewriteSeries(split, dir, "BIG"), kOk);
  std::string what, differing;
  EXPECT_EQ(UndoLastChange(dir, what, differing), kOk) << differing;
  EXPECT_EQ(TakeSnapshot(temp.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Rows, WriteRow, ::testing::ValuesIn(WriteCommands()), RowName);
INSTANTIATE_TEST_SUITE_P(Rows, WriteOrUndoRow, ::testing::ValuesIn(WriteAndUndoCommands()),
                         RowName);

}  // namespace
}  // namespace voltrim::testing
