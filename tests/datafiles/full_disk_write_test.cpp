#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "datafiles/rewrite_series.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

// The largest series a DAT header can count, and a split over all of it.
struct LargestSeries {
  TempDir temp;
  std::string dir;
  Snapshot before;
  SeriesEdit split;

  LargestSeries() {
    dir = Write(temp.path() / "p", Portfolio({SeriesEntry(MakeDailySeries(
                                       1, "BIG", "BIG CORP", Quotes(32766, Day(1970, 1, 5))))}));
    before = TakeSnapshot(temp.path());
    split.kind = edit_kind::kScaleRange;
    split.firstDay = 0;
    split.lastDay = 65535;
    split.values = {0.5f, 0.5f, 0.5f, 0.5f, 2.0f, 2.0f};
  }
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
    const Status status = RewriteSeries(series.split, series.dir, "BIG", 32766);
    _exit(status == kFileWrite ? 0 : 1);
  }
  int wstatus = 0;
  ASSERT_EQ(waitpid(child, &wstatus, 0), child);
  ASSERT_TRUE(WIFEXITED(wstatus));
  EXPECT_EQ(WEXITSTATUS(wstatus), 0) << "the failure was not reported as a write failure";
  Snapshot now = TakeSnapshot(series.temp.path());
  // The backup may already be made (a link costs no space); everything else is as it was.
  now.erase("p/F1.BAK");
  EXPECT_EQ(now, series.before);
}

TEST(LargestSeries, AnInsertThatWouldOverflowTheHeaderCountIsRefused) {
  LargestSeries series;
  SeriesEdit insert;
  insert.kind = edit_kind::kInsert;
  insert.firstDay = insert.lastDay = Day(1970, 1, 6);
  EXPECT_EQ(RewriteSeries(insert, series.dir, "BIG", 32766), kBadRequest);
  EXPECT_EQ(TakeSnapshot(series.temp.path()), series.before);
}

TEST(ReadOnlyFolder, ARewriteIsRefusedAndNothingChanges) {
  if (geteuid() == 0) GTEST_SKIP() << "running as root: a read-only folder does not stop root";
  LargestSeries series;
  ASSERT_EQ(chmod(series.dir.c_str(), 0555), 0);
  EXPECT_EQ(RewriteSeries(series.split, series.dir, "BIG", 32766), kFileWrite);
  chmod(series.dir.c_str(), 0755);
  EXPECT_EQ(TakeSnapshot(series.temp.path()), series.before);
}

}  // namespace
}  // namespace voltrim::testing
