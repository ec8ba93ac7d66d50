#include "datafiles/write/symbol_batch.h"

#include <algorithm>
#include <set>

#include "datafiles/format/master_image.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/write/batch_recording.h"
#include "datafiles/write/master_replace.h"
#include "datafiles/write/series_transfer.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/xmaster_write.h"

namespace voltrim {

namespace {

// The symbols to delete from each index file, every one checked to name a record there.
struct DeletePlan {
  std::set<std::string> fromMaster;
  std::set<std::string> fromXmaster;
};

void PlanDelete(const MasterImage& master, const XmasterImage& xmaster, Status xmasterStatus,
                const std::vector<ListedSymbol>& symbols, DeletePlan& plan,
                std::vector<RefusedSymbol>& refused) {
  std::set<std::string> inMaster, inXmaster;
  for (int i = 0; i < master.RecordCount(); ++i) inMaster.insert(SymbolText(master.Record(i)));
  if (xmasterStatus == kOk) {
    for (int i = 0; i < xmaster.RecordCount(); ++i)
      inXmaster.insert(DecodeXmasterRecord(xmaster.Record(i)).symbol);
  }
  for (const ListedSymbol& listed : symbols) {
    const bool x = listed.index == IndexFile::kXmaster;
    if (listed.symbol.empty() || (x ? inXmaster : inMaster).count(listed.symbol) == 0) {
      const bool unreadable = x && xmasterStatus != kOk && xmasterStatus != kFileNotFound;
      refused.push_back(
          {listed.symbol, unreadable ? SymbolRefusal::kUnreadable : SymbolRefusal::kNotFound});
      continue;
    }
    (x ? plan.fromXmaster : plan.fromMaster).insert(listed.symbol);
  }
}

// XMASTER goes first: should MASTER then fail (its replace puts a mirroring EMASTER back
// itself), taking the change back puts back XMASTER alone, never MASTER and EMASTER apart.
Status WriteDelete(const std::string& dir, const MasterImage& master, const XmasterImage& xmaster,
                   const DeletePlan& plan, bool& takeBack) {
  std::vector<int> masterNumbers, xmasterNumbers;
  std::set<int> kept;
  if (!plan.fromXmaster.empty()) {
    XmasterImage without;
    xmasterNumbers = XmasterWithout(
        xmaster,
        [&](const std::uint8_t* record) {
          return plan.fromXmaster.count(DecodeXmasterRecord(record).symbol) != 0;
        },
        without, kept);
    const Status status = ReplaceXmaster(dir, without.bytes);
    if (status != kOk) return status;
    takeBack = true;
  }
  if (!plan.fromMaster.empty()) {
    std::vector<std::uint8_t> content;
    masterNumbers = MasterWithoutRecords(
        master,
        [&](const std::uint8_t* record) { return plan.fromMaster.count(SymbolText(record)) != 0; },
        content, kept);
    const Status status =
        ReplaceMasterKeepingEmaster(MasterPathIn(dir), master.bytes, content, ".~NU", false);
    if (status != kOk) return status;
  }
  // The records are gone; their files only take room now, and a file that stays is said.
  takeBack = false;
  bool allGone = RemoveSeriesFiles(dir, masterNumbers, kept, false);
  allGone = RemoveSeriesFiles(dir, xmasterNumbers, kept, true) && allGone;
  (void)file_ops::SyncDirectory(dir);
  return allGone ? kOk : kSymbolFilesLeft;
}

// The words that lead the symbols a reason refused.
std::string ReasonLead(SymbolRefusal reason, const std::string& portfolioDir,
                       const std::string& destination) {
  switch (reason) {
    case SymbolRefusal::kNotFound:
      return "Not found in " + portfolioDir;
    case SymbolRefusal::kNoDataFile:
      return "Without their data file";
    case SymbolRefusal::kUnreadable:
      return "Their files cannot be read";
    case SymbolRefusal::kExists:
      return "Already in " + destination;
    case SymbolRefusal::kClashes:
      return "Symbol or name of another one chosen";
    case SymbolRefusal::kNoRoom:
      return "No room in " + destination;
    case SymbolRefusal::kTooLong:
      return "Symbol too long for XMASTER in " + destination;
  }
  return {};
}

}  // namespace

std::string SymbolsRefusedMessage(const char* verb, std::size_t total,
                                  const std::vector<RefusedSymbol>& refused,
                                  const std::string& portfolioDir, const std::string& destination) {
  std::string text = "Nothing was " + std::string(verb);
  if (total > 1) {
    text += ": " + std::to_string(refused.size()) + " of the " + std::to_string(total) +
            " Symbols cannot be";
  }
  text += ".\n";
  // One line per reason, in the order of the reasons, each naming its symbols in the list's.
  std::vector<SymbolRefusal> reasons;
  for (const RefusedSymbol& r : refused)
    if (std::find(reasons.begin(), reasons.end(), r.reason) == reasons.end())
      reasons.push_back(r.reason);
  std::sort(reasons.begin(), reasons.end());
  for (const SymbolRefusal reason : reasons) {
    std::string line = "\n" + ReasonLead(reason, portfolioDir, destination) + ":";
    const char* separator = " ";
    for (const RefusedSymbol& r : refused) {
      if (r.reason != reason) continue;
      line += separator + r.symbol;
      separator = ", ";
    }
    text += line;
  }
  return text;
}

std::string SymbolsNotFoundMessage(const char* verb, std::size_t total,
                                   const std::vector<std::string>& missing,
                                   const std::string& portfolioDir) {
  std::vector<RefusedSymbol> refused;
  for (const std::string& symbol : missing) refused.push_back({symbol, SymbolRefusal::kNotFound});
  return SymbolsRefusedMessage(verb, total, refused, portfolioDir, {});
}

Status DeleteSymbols(std::string_view portfolioDir, const std::vector<ListedSymbol>& symbols,
                     std::vector<RefusedSymbol>& refused) {
  refused.clear();
  if (symbols.empty()) return kBadRequest;
  const std::string dir(portfolioDir);
  const PortfolioLock lock({dir});
  if (lock.status() != kOk) return lock.status();
  MasterImage master;
  Status status = ReadMasterImage(MasterPathIn(dir), master);
  if (status != kOk) return status;
  XmasterImage xmaster;
  const Status xmasterStatus = ReadXmasterImage(dir, xmaster);
  DeletePlan plan;
  PlanDelete(master, xmaster, xmasterStatus, symbols, plan, refused);
  if (!refused.empty()) return kSymbolsRefused;
  const std::size_t count = plan.fromMaster.size() + plan.fromXmaster.size();
  const std::string what = SymbolsChangeName("Delete", count, symbols.front().symbol);
  return RecordOrTakeBack(
      dir, what, [&](bool& takeBack) { return WriteDelete(dir, master, xmaster, plan, takeBack); });
}

}  // namespace voltrim
