#include <gtest/gtest.h>

#include "datafiles/fixtures.h"
#include "datafiles/format/encodings.h"
#include "datafiles/write/update_portfolio.h"

namespace voltrim::testing {
namespace {

constexpr int kWideSeries = kMaxSymbols + 45;  // more files than the update keeps open at once

// An update stopped before its data files take their places: by the system while they are
// written (the file size limit standing in for a full disk, met by one series grown past it
// once the first files were synced), or cancelled as the last file became durable. It says why,
// leaves every file as it was and no temporary behind.
TEST(UpdateBatch, StoppedBeforeItsFilesTakeTheirPlacesItChangesNothing) {
  const struct {
    const char* what;
    int grown, cancelAt;  // the series grown past the limit, the file that cancels; 0: none
    Status expected;
  } cases[] = {{"disk full after the first files were synced", 290, 0, kFileWrite},
               {"cancelled at the last file", 0, kWideSeries, kUpdateCancelled}};
  UpdateRequest request;  // one more day for every series
  for (int n = 1; n <= kWideSeries; ++n)
    request.series.push_back({(n <= kMaxSymbols ? "M" : "X") + std::to_string(n),
                              {{DayToDateValue(Day(2030, 1, 2)), 0, {5, 6, 4, 5.5f, 100, 0}, n}},
                              {true, false, true, true, true, true, true, false}});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir temp;
    const std::string dir = WriteWideFolder(temp.path() / "wide", kWideSeries - kMaxSymbols);
    if (c.grown > 0)
      WriteFileBytes(fs::path(dir) / MwdFileName(c.grown), BuildDatBytes(MwdSeries(c.grown, 3000)));
    const Snapshot before = TakeSnapshot(dir);
    request.progress = [&](int done, int) { return done != c.cancelAt; };
    const int code = ExitOfChild(
        [&] {
          UpdateResult result;
          return -UpdatePortfolio(dir, request, result);
        },
        c.grown > 0 ? 64 * 1024 : 0);
    EXPECT_EQ(-code, c.expected);
    EXPECT_TRUE(TakeSnapshot(dir) == before) << "files changed, or temporaries left";
  }
}

}  // namespace
}  // namespace voltrim::testing
