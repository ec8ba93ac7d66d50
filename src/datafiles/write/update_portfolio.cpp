#include "datafiles/write/update_portfolio.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "datafiles/format/ascii_case.h"
#include "datafiles/format/master_image.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/replace_batch.h"
#include "datafiles/io/replace_file.h"
#include "datafiles/write/held_series.h"
#include "datafiles/write/master_replace.h"
#include "datafiles/write/new_files.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/xmaster_write.h"

namespace voltrim {

namespace {

// What the update does with one series, beside what the caller is told.
struct SeriesPlan {
  SeriesLocation location;
  int xmasterIndex = -1;      // the record's place in XMASTER
  bool indexBehind = false;   // its index record's dates differ from the quotes'
  std::vector<Field> fields;  // a new series' fields
  // A new series' data file; an updated one's new content while the request's
  // keptContentBytes allow (else the write reads and plans it again).
  std::vector<std::uint8_t> content;
};

// The import one series of the update makes.
ImportRequest SeriesImportRequest(const UpdateSeriesRequest& source, ImportOverlap overlap) {
  ImportRequest request;
  request.quotes = source.quotes;
  request.given = source.given;
  request.overlap = overlap;
  return request;
}

// A field-less refusal of the whole update is the portfolio's; a series' is its own.
class Planner {
 public:
  Planner(std::string_view dir, const UpdateRequest& request, UpdateResult& result,
          PortfolioLock* lock)
      : dir_(dir), request_(request), result_(result), lock_(lock), names_(dir) {}

  Status Run() {
    result_ = UpdateResult{};
    plans_.assign(request_.series.size(), SeriesPlan{});
    result_.series.resize(request_.series.size());
    Status status = ReadMasterImage(MasterPathIn(dir_), master_);
    if (status != kOk) return status;
    xmasterStatus_ = ReadXmasterImage(dir_, xmaster_);
    if (xmasterStatus_ == kOk) xmasterNames_ = std::make_unique<XmasterNames>(xmaster_);
    for (std::size_t i = 0; i < request_.series.size(); ++i) {
      status = PlanSeries(i);
      if (status != kOk) return status;
    }
    if (request_.create) GiveNumbers();
    for (std::size_t i = 0; i < result_.series.size(); ++i) {
      const UpdateSeriesResult& series = result_.series[i];
      if (series.status != kOk) {
        result_.refusedAt = static_cast<int>(i);
        return kUpdateRefused;
      }
      Count(series);
    }
    return kOk;
  }

  std::vector<SeriesPlan>& plans() { return plans_; }
  MasterImage& master() { return master_; }
  XmasterImage& xmaster() { return xmaster_; }
  Status xmasterStatus() const { return xmasterStatus_; }

 private:
  // Looks the symbol up in MASTER's tree with its folder held.
  Status FindInMaster(std::string_view symbol, FoundSymbol& found) {
    if (lock_ == nullptr) return FindSymbolIn(masters_, dir_, symbol, found);
    return FindSymbolHeld(*lock_, masters_, dir_, symbol, found);
  }

  Status PlanSeries(std::size_t i) {
    const UpdateSeriesRequest& source = request_.series[i];
    UpdateSeriesResult& out = result_.series[i];
    SeriesPlan& plan = plans_[i];
    out.symbol = source.symbol;
    FoundSymbol found;
    Status status = FindInMaster(source.symbol, found);
    if (status == kPortfolioBusy) return status;
    if (status == kOk) {
      plan.location.found = found;
      if (!InsidePortfolio(dir_, found.directory)) {
        out.status = kDamagedFile;
        return kOk;
      }
      out.status = CompleteSeriesLocation(plan.location);
      out.fileNumber = found.record.FileNumber();
      out.periodicity = found.record.Periodicity();
    } else if (status != kFileNotFound) {
      out.status = status;
      return kOk;
    } else if (const int at = xmasterNames_ ? xmasterNames_->Find(source.symbol) : -1; at >= 0) {
      const XmasterRecord record = DecodeXmasterRecord(xmaster_.Record(at));
      out.index = IndexFile::kXmaster;
      out.fileNumber = record.fileNumber;
      out.periodicity = record.periodicity;
      plan.xmasterIndex = at;
      out.status = LocateXmasterRecordSeries(dir_, record, plan.location, &names_);
    } else if (xmasterStatus_ != kOk && xmasterStatus_ != kFileNotFound &&
               XmasterMayList(source.symbol)) {
      // An XMASTER the writes cannot change lists it (a new series that would have to go
      // there is refused when its number is given).
      out.status = xmasterStatus_;
      return kOk;
    } else {
      return PlanUnknown(i);
    }
    if (out.status != kOk) return kOk;
    if (!SamePeriodicity(source.periodicity, out.periodicity)) {
      out.status = kUpdatePeriodicity;
      return kOk;
    }
    if (!seen_.insert(plan.location.datPath).second) {
      out.status = kUpdateSameSeries;
      return kOk;
    }
    std::vector<std::uint8_t> dat;
    out.status = ReadWholeFile(plan.location.datPath, dat, kMaxPortfolioFileBytes);
    if (out.status != kOk) return kOk;
    std::vector<std::uint8_t> scratch;
    out.status = PlanImport(plan.location, dat, SeriesImportRequest(source, request_.overlap),
                            out.result, &scratch);
    if (out.status != kOk) return kOk;
    out.fate =
        out.result.added + out.result.replaced > 0 ? UpdateFate::kUpdated : UpdateFate::kUnchanged;
    plan.indexBehind = out.result.quotesAfter > 0 && IndexDatesDiffer(out, plan);
    if (out.fate == UpdateFate::kUpdated && kept_ + scratch.size() <= request_.keptContentBytes) {
      kept_ += scratch.size();
      plan.content = std::move(scratch);
    }
    return kOk;
  }

  // A damaged XMASTER is still read leniently, to tell whether it lists the symbol.
  bool XmasterMayList(std::string_view symbol) const {
    bool listed = false;
    return XmasterListsSymbol(dir_, symbol, listed) != kOk || listed;
  }

  static bool SamePeriodicity(char given, char stored) {
    if (given == 0) return true;
    return std::toupper(static_cast<unsigned char>(given)) ==
           std::toupper(static_cast<unsigned char>(stored));
  }

  bool IndexDatesDiffer(const UpdateSeriesResult& out, const SeriesPlan& plan) const {
    if (out.index == IndexFile::kXmaster) {
      const XmasterRecord record = DecodeXmasterRecord(xmaster_.Record(plan.xmasterIndex));
      return record.firstDate != XmasterDateOfMbf(out.result.firstDate) ||
             record.lastDate != XmasterDateOfMbf(out.result.lastDate);
    }
    const MasterBytes& record = plan.location.found.record.bytes;
    return std::memcmp(record.data() + master_offset::kFirstDate, out.result.firstDate.data(), 4) !=
               0 ||
           std::memcmp(record.data() + master_offset::kLastDate, out.result.lastDate.data(), 4) !=
               0;
  }

  Status PlanUnknown(std::size_t i) {
    const UpdateSeriesRequest& source = request_.series[i];
    UpdateSeriesResult& out = result_.series[i];
    SeriesPlan& plan = plans_[i];
    if (!request_.create) {
      out.fate = UpdateFate::kUnknown;
      return kOk;
    }
    out.fate = UpdateFate::kCreated;
    if (!createdNames_.insert(UpperAscii(source.symbol)).second) {
      out.status = kUpdateSameSeries;
      return kOk;
    }
    const auto has = [&](Field f) { return source.given[static_cast<std::size_t>(f)]; };
    // The source's periodicity when it gives one, else a time column makes it intraday.
    out.periodicity =
        source.periodicity != 0
            ? static_cast<char>(std::toupper(static_cast<unsigned char>(source.periodicity)))
        : has(Field::Time) ? 'I'
                           : 'D';
    const int columns = has(Field::Oi) ? 7 : has(Field::Open) ? 6 : 5;
    plan.fields = NewSeriesFields(columns, out.periodicity == 'I');
    if (source.symbol.empty() || source.symbol.size() > kSymbolFieldSize) {
      out.status = kBadRequest;
      return kOk;
    }
    plan.location.layout = NewSeriesLayout(plan.fields);
    plan.location.fieldCount = static_cast<int>(plan.fields.size());
    plan.location.recordLength = 4 * plan.location.fieldCount;
    std::vector<std::uint8_t> header(static_cast<std::size_t>(plan.location.recordLength), 0);
    header[2] = 1;
    out.status = PlanImport(plan.location, header, SeriesImportRequest(source, request_.overlap),
                            out.result, &plan.content);
    return kOk;
  }

  // Whether an unnamed data file may be taken for a new series: it is not there, holds
  // no quote, or holds exactly the quotes the series gets (an interrupted run's).
  static bool FreeFor(const std::string& path, const std::vector<std::uint8_t>& content) {
    if (!file_ops::NameExists(path)) return true;
    std::vector<std::uint8_t> bytes;
    if (ReadWholeFile(path, bytes, kMaxPortfolioFileBytes) != kOk) return false;
    if (bytes == content) return true;
    return bytes.size() < 4 || static_cast<std::int16_t>(bytes[2] | (bytes[3] << 8)) <= 1;
  }

  // New series take MASTER's lowest free numbers while it has room, then XMASTER's next.
  void GiveNumbers() {
    std::set<int> used;
    const std::size_t whole = master_.bytes.size() / kMasterRecordSize;
    for (std::size_t i = 1; i < whole; ++i) used.insert(master_.bytes[i * kMasterRecordSize]);
    int count = master_.HeaderField(kHeaderRecordCount);
    int highest = master_.HeaderField(kHeaderHighestFileNumber);
    int nextMaster = 1;
    int nextX = 0;
    if (xmasterStatus_ == kOk) {
      int top = kFirstXmasterFileNumber - 1;
      for (int i = 0; i < xmaster_.RecordCount(); ++i) {
        const std::uint8_t* r = xmaster_.Record(i);
        top = std::max(top,
                       r[xmaster_offset::kFileNumber] | (r[xmaster_offset::kFileNumber + 1] << 8));
      }
      nextX = std::max(xmaster_.HeaderField(xmaster_offset::kNextFileNumber), top + 1);
    }
    for (std::size_t i = 0; i < plans_.size(); ++i) {
      UpdateSeriesResult& out = result_.series[i];
      if (out.fate != UpdateFate::kCreated || out.status != kOk) continue;
      SeriesPlan& plan = plans_[i];
      int number = 0;
      if (count < kMaxSymbols && highest < kMaxSymbols) {
        for (int n = nextMaster; n <= kMaxSymbols && number == 0; ++n) {
          if (used.count(n) == 0 && FreeFor(names_.Resolve(DatFileName(n)), plan.content))
            number = n;
        }
      }
      if (number != 0) {
        used.insert(number);
        nextMaster = number + 1;
        ++count;
        ++highest;
        out.index = IndexFile::kMaster;
      } else if (xmasterStatus_ != kOk) {
        out.status =
            xmasterStatus_ == kFileNotFound ? static_cast<Status>(kPortfolioFull) : xmasterStatus_;
        continue;
      } else if (out.symbol.size() > kXmasterSymbolChars) {
        out.status = kBadRequest;
        continue;
      } else {
        while (nextX <= kLastXmasterFileNumber &&
               !FreeFor(names_.Resolve(MwdFileName(nextX)), plan.content))
          ++nextX;
        if (nextX > kLastXmasterFileNumber) {
          out.status = kPortfolioFull;
          continue;
        }
        number = nextX++;
        out.index = IndexFile::kXmaster;
      }
      out.fileNumber = number;
    }
  }

  void Count(const UpdateSeriesResult& series) {
    switch (series.fate) {
      case UpdateFate::kUpdated:
        ++result_.updated;
        break;
      case UpdateFate::kUnchanged:
        ++result_.unchanged;
        break;
      case UpdateFate::kCreated:
        ++result_.created;
        break;
      case UpdateFate::kUnknown:
        ++result_.unknown;
        return;
    }
    result_.quotesAdded += series.result.added;
    result_.quotesReplaced += series.result.replaced;
  }

  std::string dir_;
  const UpdateRequest& request_;
  UpdateResult& result_;
  PortfolioLock* lock_;
  FolderNames names_;
  CachedMasterSource masters_;
  MasterImage master_;
  XmasterImage xmaster_;
  Status xmasterStatus_ = kFileNotFound;
  std::unique_ptr<XmasterNames> xmasterNames_;  // while XMASTER can be read
  std::set<std::string> seen_;
  std::set<std::string> createdNames_;
  std::vector<SeriesPlan> plans_;
  std::size_t kept_ = 0;  // the bytes of the new contents the plans keep
};

// The new content of request's series i, read and planned again.
Status PlanAgain(const SeriesPlan& plan, const UpdateRequest& request, std::size_t i,
                 std::vector<std::uint8_t>& content) {
  std::vector<std::uint8_t> dat;
  const Status status = ReadWholeFile(plan.location.datPath, dat, kMaxPortfolioFileBytes);
  if (status != kOk) return status;
  ImportResult check;
  return PlanImport(plan.location, dat, SeriesImportRequest(request.series[i], request.overlap),
                    check, &content);
}

// Replaces the data files: the changed series' first, then the new series' with their DOP.
// The portfolio's own folder takes its thousands of files in one batch, every one made
// durable before any takes its place; a folder a subdirectory entry names, file by file.
// Progress counts the files as they become durable.
Status WriteDataFiles(const std::string& dir, const UpdateRequest& request,
                      const UpdateResult& result, std::vector<SeriesPlan>& plans, bool& attempted) {
  int total = 0;
  for (const UpdateSeriesResult& series : result.series)
    total += series.fate == UpdateFate::kUpdated ? 1 : series.fate == UpdateFate::kCreated ? 2 : 0;
  int done = 0;
  const auto step = [&]() -> Status {
    return !request.progress || request.progress(++done, total) ? kOk : kUpdateCancelled;
  };
  FolderReplaceBatch batch(dir, step);
  const auto put = [&](const std::string& folder, const std::string& target, int number,
                       const std::vector<std::uint8_t>& content, bool backup) {
    ReplaceNames names;
    names.directory = WithTrailingSeparator(folder) == WithTrailingSeparator(dir) ? dir : folder;
    names.target = target;
    names.temporary = NewFileName(number);
    if (backup) names.backup = BakFileName(number);
    if (names.directory == dir) return batch.Stage(names, content);
    const Status status = ReplaceFileContent(names, content);
    attempted = attempted || status == kOk;
    return status == kOk ? step() : status;
  };
  for (std::size_t i = 0; i < plans.size(); ++i) {
    const UpdateSeriesResult& series = result.series[i];
    if (series.fate != UpdateFate::kUpdated) continue;
    const SeriesPlan& plan = plans[i];
    // A content the check did not keep is read and planned again.
    std::vector<std::uint8_t> content;
    Status status = plan.content.empty() ? PlanAgain(plan, request, i, content) : kOk;
    if (status != kOk) return status;
    const int n = series.fileNumber;
    const bool x = series.index == IndexFile::kXmaster;
    status = put(plan.location.found.directory, x ? MwdFileName(n) : DatFileName(n), n,
                 plan.content.empty() ? content : plan.content, true);
    if (status != kOk) return status;
  }
  for (std::size_t i = 0; i < plans.size(); ++i) {
    const UpdateSeriesResult& series = result.series[i];
    if (series.fate != UpdateFate::kCreated) continue;
    const int n = series.fileNumber;
    const bool x = series.index == IndexFile::kXmaster;
    // The files stand before an index file names them.
    Status status = put(dir, x ? MwdFileName(n) : DatFileName(n), n, plans[i].content, false);
    const std::string dop = NewSeriesDopText(plans[i].fields);
    if (status == kOk)
      status =
          put(dir, DopFileName(n), n, std::vector<std::uint8_t>(dop.begin(), dop.end()), false);
    if (status != kOk) return status;
  }
  const Status status = batch.Commit();
  attempted = attempted || batch.Replaced();
  if (status != kOk) return status;
  // Every data file stands for good before an index file may name its dates.
  return batch.Finish() == kOk ? kOk : kUpdateIndexBehind;
}

// The folders whose MASTER names a series whose dates move, with those series.
std::map<std::string, std::vector<std::size_t>> MasterFolders(
    const UpdateResult& result, const std::vector<SeriesPlan>& plans) {
  std::map<std::string, std::vector<std::size_t>> folders;
  for (std::size_t i = 0; i < plans.size(); ++i) {
    if (result.series[i].index == IndexFile::kMaster && plans[i].indexBehind)
      folders[plans[i].location.found.directory].push_back(i);
  }
  return folders;
}

void PutDates(std::uint8_t* record, const ImportResult& result) {
  std::memcpy(record + master_offset::kFirstDate, result.firstDate.data(), 4);
  std::memcpy(record + master_offset::kLastDate, result.lastDate.data(), 4);
}

// Each MASTER once: the dates of its series, and in the portfolio's own the new records.
Status ReplaceMasters(const std::string& dir, const UpdateResult& result,
                      const std::vector<SeriesPlan>& plans, const MasterImage& top) {
  auto folders = MasterFolders(result, plans);
  const std::string topFolder = WithTrailingSeparator(dir);
  std::vector<std::size_t> created;
  for (std::size_t i = 0; i < plans.size(); ++i) {
    const UpdateSeriesResult& s = result.series[i];
    if (s.fate == UpdateFate::kCreated && s.index == IndexFile::kMaster) created.push_back(i);
  }
  if (!created.empty()) folders[topFolder];
  for (const auto& [folder, members] : folders) {
    const std::string masterPath = MasterPathIn(folder);
    MasterImage master;
    if (folder == topFolder) {
      master = top;
    } else if (ReadMasterImage(masterPath, master) != kOk) {
      return kUpdateIndexBehind;
    }
    MasterImage updated = master;
    for (const std::size_t i : members) {
      const int number = result.series[i].fileNumber;
      for (int r = 0; r < updated.RecordCount(); ++r) {
        if (updated.Record(r)[master_offset::kFileNumber] == number)
          PutDates(updated.Record(r), result.series[i].result);
      }
    }
    if (folder == topFolder && !created.empty()) {
      const std::size_t end = MasterImage::Offset(master.RecordCount());
      std::vector<std::uint8_t> content(updated.bytes.begin(),
                                        updated.bytes.begin() + static_cast<std::ptrdiff_t>(end));
      for (const std::size_t i : created) {
        const UpdateSeriesResult& s = result.series[i];
        NewSeries series;
        series.symbol = s.symbol;
        series.intraday = s.periodicity == 'I';
        const std::size_t values = plans[i].fields.size() - (series.intraday ? 2 : 1);
        series.columns = static_cast<int>(values) + 1;
        MasterBytes record = NewSeriesRecord(series, s.fileNumber);
        record[master_offset::kPeriodicity] = static_cast<std::uint8_t>(s.periodicity);
        if (s.result.quotesAfter > 0) PutDates(record.data(), s.result);
        content.insert(content.end(), record.begin(), record.end());
      }
      content.insert(content.end(), updated.bytes.begin() + static_cast<std::ptrdiff_t>(end),
                     updated.bytes.end());
      const auto added = static_cast<std::int16_t>(created.size());
      updated.bytes = std::move(content);
      updated.SetHeaderField(kHeaderRecordCount,
                             static_cast<std::int16_t>(master.RecordCount() + added));
      updated.SetHeaderField(
          kHeaderHighestFileNumber,
          static_cast<std::int16_t>(master.HeaderField(kHeaderHighestFileNumber) + added));
    }
    if (updated.bytes == master.bytes) continue;
    if (ReplaceMasterKeepingEmaster(masterPath, master.bytes, updated.bytes, ".NEW", true) != kOk)
      return kUpdateIndexBehind;
  }
  return kOk;
}

void PutXmasterDates(std::uint8_t* record, const ImportResult& result) {
  PutXmasterDate(record, xmaster_offset::kFirstDate, XmasterDateOfMbf(result.firstDate));
  PutXmasterDate(record, xmaster_offset::kLastDate, XmasterDateOfMbf(result.lastDate));
}

// XMASTER once: the dates of its series and the new records.
Status ReplaceXmasterOnce(const std::string& dir, const UpdateResult& result,
                          const std::vector<SeriesPlan>& plans, const XmasterImage& xmaster) {
  XmasterImage updated = xmaster;
  int next = xmaster.HeaderField(xmaster_offset::kNextFileNumber);
  for (std::size_t i = 0; i < plans.size(); ++i) {
    const UpdateSeriesResult& s = result.series[i];
    if (s.index != IndexFile::kXmaster) continue;
    if (s.fate == UpdateFate::kCreated) {
      NewSeries series;
      series.symbol = s.symbol;
      series.intraday = s.periodicity == 'I';
      MasterRecord master;
      master.bytes = NewSeriesRecord(series, 0);
      master.bytes[master_offset::kFieldCount] = static_cast<std::uint8_t>(plans[i].fields.size());
      master.bytes[master_offset::kPeriodicity] = static_cast<std::uint8_t>(s.periodicity);
      std::vector<std::uint8_t> record =
          XmasterRecordFor(master, plans[i].location.layout, std::string_view());
      PutXmasterFileNumber(record.data(), s.fileNumber);
      if (s.result.quotesAfter > 0) {
        PutXmasterDates(record.data(), s.result);
        PutXmasterDate(record.data(), 104, XmasterDateOfMbf(s.result.firstDate));
      }
      updated.bytes.insert(updated.bytes.end(), record.begin(), record.end());
      next = std::max(next, std::min(s.fileNumber + 1, kLastXmasterFileNumber));
    } else if (plans[i].indexBehind) {
      PutXmasterDates(updated.Record(plans[i].xmasterIndex), s.result);
    }
  }
  const int count = static_cast<int>(updated.bytes.size() / kXmasterRecordSize) - 1;
  updated.SetHeaderField(xmaster_offset::kRecordCount, count);
  updated.SetHeaderField(xmaster_offset::kRecordCountAgain, count);
  updated.SetHeaderField(xmaster_offset::kNextFileNumber, next);
  if (updated.bytes == xmaster.bytes) return kOk;
  return ReplaceXmaster(dir, updated.bytes) == kOk ? kOk : kUpdateIndexBehind;
}

Status WriteUpdate(const std::string& dir, const UpdateRequest& request, UpdateResult& result,
                   PortfolioLock& lock, bool& attempted) {
  Planner planner(dir, request, result, &lock);
  Status status = planner.Run();
  if (status != kOk) return status;
  status = WriteDataFiles(dir, request, result, planner.plans(), attempted);
  if (status == kUpdateIndexBehind) return status;
  if (status != kOk) return status == kUpdateCancelled ? status : kFileWrite;
  // Only once every quote stands may the index files name their dates.
  status = ReplaceMasters(dir, result, planner.plans(), planner.master());
  if (status != kOk || planner.xmasterStatus() != kOk) return status;
  return ReplaceXmasterOnce(dir, result, planner.plans(), planner.xmaster());
}

}  // namespace

Status PlanUpdate(std::string_view portfolioDir, const UpdateRequest& request,
                  UpdateResult& result) {
  return Planner(portfolioDir, request, result, nullptr).Run();
}

Status UpdatePortfolio(std::string_view portfolioDir, const UpdateRequest& request,
                       UpdateResult& result) {
  const std::string dir(portfolioDir);
  PortfolioLock lock({dir});
  if (lock.status() != kOk) return lock.status();
  Status status = kOk;
  bool attempted = false;
  {
    const ChangeRecording recording("Update " + std::to_string(request.series.size()) + " Series");
    status = WriteUpdate(dir, request, result, lock, attempted);
  }
  if ((status == kUpdateCancelled || status == kFileWrite) && attempted) {
    // Data files already replaced are put back through the journal just written, while
    // the folders are still held; the index files were not touched yet. (Stopped before
    // any was replaced, the update has changed nothing, and left nothing to undo.) Should that
    // fail, the files written stand and the same update run again finishes the job.
    std::string what;
    std::string differing;
    if (TakeBackLastChange(dir, what, differing) != kOk) return kUpdateIndexBehind;
  }
  return status;
}

}  // namespace voltrim
