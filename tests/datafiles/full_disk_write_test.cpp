#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "datafiles/write/rewrite_series.h"
#include "fixtures.h"

namespace voltrim::testing {
namespace {

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
