#include "export/portfolio_export.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

#include "datafiles/io/portfolio_files.h"
#include "export/portfolio_series.h"

namespace voltrim {

namespace {

class StringSink : public TextSink {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  std::string& text() { return text_; }

 private:
  std::string text_;
};

// How many series may be formatted ahead of the one being written: enough to keep a
// second core busy, few enough that a portfolio of long series never sits in memory whole.
// Their buffers are used again and again, which spares the system fresh pages each time.
constexpr std::size_t kSeriesAhead = 8;

// One series' rows, formatted whole before they go out, so that one that fails part way
// is left out entirely rather than cut short.
struct FormattedSeries {
  StringSink rows;
  Status status = kOk;
  bool ready = false;
};

// Formats the listed series on this thread and a second one while this thread writes them
// out in MASTER order. Formatting is nearly all of an export's time, and the series are
// independent of each other.
class SeriesPipeline {
 public:
  SeriesPipeline(std::string_view portfolioDir, const std::vector<ListedSeries>& listed,
                 const ExportSettings& settings, const ExportStyle& style)
      : portfolioDir_(portfolioDir),
        listed_(listed),
        settings_(settings),
        style_(style),
        slots_(kSeriesAhead) {}

  void Run(TextSink& sink, std::vector<SkippedSeries>& skipped) {
    std::thread helper([this] { FormatWhileAllowed(); });
    for (std::size_t next = 0; next < listed_.size(); ++next) {
      WaitFor(next);
      FormattedSeries& slot = SlotOf(next);
      if (slot.status == kOk) {
        sink.Write(slot.rows.text());
      } else {
        const ListedSeries& entry = listed_[next];
        skipped.push_back({entry.symbolText, entry.DataFileName(), slot.status});
      }
      Release(next);
    }
    helper.join();
  }

 private:
  // Claims the next series to format, or returns false when none is left or the window
  // ahead of the writer is full (only the writer, which never waits for itself, may say so).
  bool Claim(std::unique_lock<std::mutex>& lock, std::size_t& index, bool mayWait) {
    if (mayWait) {
      changed_.wait(lock, [this] {
        return claimed_ >= listed_.size() || claimed_ < written_ + kSeriesAhead;
      });
    }
    if (claimed_ >= listed_.size() || claimed_ >= written_ + kSeriesAhead) return false;
    index = claimed_++;
    return true;
  }

  void Format(std::size_t index) {
    FormattedSeries& slot = SlotOf(index);
    const ListedSeries& entry = listed_[index];
    SeriesLocation location;
    Status status = LocateListedSeries(portfolioDir_, entry, location);
    if (status == kOk) {
      status = WriteExportRows(slot.rows, location, entry.symbolText, -1, settings_, style_);
    }
    const std::lock_guard<std::mutex> guard(mutex_);
    slot.status = status;
    slot.ready = true;
    changed_.notify_all();
  }

  void FormatWhileAllowed() {
    for (;;) {
      std::size_t index = 0;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!Claim(lock, index, true)) return;
      }
      Format(index);
    }
  }

  // The writer formats series itself while the one it needs is not ready yet.
  void WaitFor(std::size_t index) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!SlotOf(index).ready) {
      std::size_t claimed = 0;
      if (Claim(lock, claimed, false)) {
        lock.unlock();
        Format(claimed);
        lock.lock();
      } else {
        changed_.wait(lock);
      }
    }
  }

  void Release(std::size_t index) {
    // Nobody touches the slot until written_ moves past it.
    FormattedSeries& slot = SlotOf(index);
    slot.rows.text().clear();
    slot.ready = false;
    const std::lock_guard<std::mutex> guard(mutex_);
    written_ = index + 1;
    changed_.notify_all();
  }

  // The series formatted ahead of the writer share a ring of slots.
  FormattedSeries& SlotOf(std::size_t index) { return slots_[index % kSeriesAhead]; }

  std::string_view portfolioDir_;
  const std::vector<ListedSeries>& listed_;
  const ExportSettings& settings_;
  const ExportStyle& style_;
  std::vector<FormattedSeries> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t claimed_ = 0;  // series handed to a formatter so far
  std::size_t written_ = 0;  // series written out (or skipped) so far
};

}  // namespace

Status WritePortfolioExport(TextSink& sink, std::string_view portfolioDir,
                            const ExportSettings& settings, ExportFormat format,
                            std::vector<SkippedSeries>& skipped) {
  std::vector<ListedSeries> listed;
  const Status status = ListPortfolioSeries(portfolioDir, listed);
  if (status != kOk) return status;
  ExportStyle style;
  style.format = format;
  style.symbolColumn = true;
  if (format == ExportFormat::Csv || settings.WithTitle()) {
    sink.Write(ExportHeading(settings, style));
  }
  SeriesPipeline(portfolioDir, listed, settings, style).Run(sink, skipped);
  return kOk;
}

}  // namespace voltrim
