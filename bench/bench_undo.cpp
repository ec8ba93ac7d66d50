// An undo and a redo of a one-series edit against the edit itself: the largest series a DAT
// header can count, scaled in one change, then taken back and put back, each timed apart
// within one iteration so that the three meet the same moments of a shared machine.
#include <string>
#include <vector>

#include "bench_common.h"
#include "datafiles/io/change_journal.h"

namespace {

constexpr int kQuotes = 32766;

struct Portfolio {
  voltrim::bench::ScratchFolder folder;
  std::string dir = folder.str();
  Portfolio() {
    voltrim::bench::WriteOneDailySeries(dir, "BIG", voltrim::bench::LongDailyQuotes(kQuotes));
  }
};

void BM_EditUndoRedo(benchmark::State& state) {
  static Portfolio data;
  voltrim::bench::PathTimes edit, undo, redo;
  float factor = 2;
  std::string what, differing;
  for (auto _ : state) {
    edit.Time([&] {
      if (voltrim::RewriteSeries(voltrim::bench::ScaleEveryQuote(factor), data.dir, "BIG") !=
          voltrim::kOk)
        state.SkipWithError("edit failed");
    });
    factor = factor == 2 ? 0.5f : 2;
    undo.Time([&] {
      if (voltrim::UndoLastChange(data.dir, what, differing) != voltrim::kOk)
        state.SkipWithError("undo failed");
    });
    redo.Time([&] {
      if (voltrim::RedoLastUndone(data.dir, what, differing) != voltrim::kOk)
        state.SkipWithError("redo failed");
    });
  }
  edit.Report(state, "edit");
  undo.Report(state, "undo");
  redo.Report(state, "redo");
}

BENCHMARK(BM_EditUndoRedo)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const std::string series = " of a " + std::to_string(kQuotes) + "-quote series";
  return voltrim::bench::RunWithRatios(
      argc, argv,
      {{"undo of an edit / the edit" + series, "BM_EditUndoRedo#undo", "BM_EditUndoRedo#edit"},
       {"redo of an edit / the edit" + series, "BM_EditUndoRedo#redo", "BM_EditUndoRedo#edit"}});
}
