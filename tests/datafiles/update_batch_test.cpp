#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "datafiles/fixtures.h"
#include "datafiles/format/encodings.h"
#include "datafiles/write/update_portfolio.h"

namespace voltrim::testing {
namespace {

constexpr int kWideSeries = kMaxSymbols + 45;  // more files than the update keeps open at once

// One more day for every series of the wide folder.
UpdateRequest NextDayForAll() {
  UpdateRequest request;
  for (int n = 1; n <= kWideSeries; ++n) {
    UpdateSeriesRequest series;
    series.symbol = (n <= kMaxSymbols ? "M" : "X") + std::to_string(n);
    series.quotes.push_back({DayToDateValue(Day(2030, 1, 2)), 0, {5, 6, 4, 5.5f, 100, 0}, n});
    for (const Field f : {Field::Date, Field::Open, Field::High, Field::Low, Field::Close,
                          Field::Vol})
      series.given[FieldSlot(f)] = true;
    request.series.push_back(std::move(series));
  }
  return request;
}

// An update stopped before its data files take their places: by the system while they are
// written (the file size limit standing in for a full disk, met by one series grown past it,
// among the first files or after the first ones were synced), or cancelled as the last file
// became durable. It says why, leaves every file as it was and no temporary behind.
TEST(UpdateBatch, StoppedBeforeItsFilesTakeTheirPlacesItChangesNothing) {
  struct Case {
    const char* what;
    int grown;     // the series grown past the limit; 0: none
    int cancelAt;  // the file whose progress cancels; 0: none
    Status expected;
  };
  const Case cases[] = {{"disk full at the third file", 3, 0, kFileWrite},
                        {"disk full after the first files were synced", 290, 0, kFileWrite},
                        {"cancelled at the last file", 0, kWideSeries, kUpdateCancelled}};
  constexpr rlim_t kLimit = 64 * 1024;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir temp;
    const std::string dir = WriteWideFolder(temp.path() / "wide", kWideSeries - kMaxSymbols);
    if (c.grown > kMaxSymbols) {
      WriteFileBytes(fs::path(dir) / MwdFileName(c.grown), MwdBytes(c.grown, 3000));
    } else if (c.grown > 0) {
      const std::string symbol = "M" + std::to_string(c.grown);
      WriteFileBytes(fs::path(dir) / DatFileName(c.grown),
                     BuildDatBytes(MakeDailySeries(c.grown, symbol, "", Quotes(3000))));
    }
    const Snapshot before = TakeSnapshot(dir);
    UpdateRequest request = NextDayForAll();
    request.progress = [&](int done, int) { return done != c.cancelAt; };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{kLimit, kLimit};
      if (c.grown > 0) setrlimit(RLIMIT_FSIZE, &limit);
      UpdateResult result;
      _exit(-UpdatePortfolio(dir, request, result));
    }
    int wstatus = 0;
    ASSERT_EQ(waitpid(child, &wstatus, 0), child);
    ASSERT_TRUE(WIFEXITED(wstatus));
    EXPECT_EQ(-WEXITSTATUS(wstatus), c.expected);
    EXPECT_TRUE(TakeSnapshot(dir) == before) << "files changed, or temporaries left";
  }
}

}  // namespace
}  // namespace voltrim::testing
