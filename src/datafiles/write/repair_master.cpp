#include "datafiles/write/repair_master.h"

#include <cstring>
#include <filesystem>

#include "datafiles/format/emaster.h"
#include "datafiles/format/master_image.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/write/master_replace.h"

namespace voltrim {

namespace {

bool SymbolFieldEmpty(const std::uint8_t* record) {
  const std::uint8_t first = record[master_offset::kSymbol];
  return first <= 32 || first >= 128;
}

// The name's 16 bytes up to a NUL, NULs after it.
void CopyNameToSymbol(std::uint8_t* record) {
  std::uint8_t* symbol = record + master_offset::kSymbol;
  const std::uint8_t* name = record + master_offset::kName;
  bool ended = false;
  for (std::size_t i = 0; i < kSymbolFieldSize; ++i) {
    ended = ended || name[i] == 0;
    symbol[i] = ended ? 0 : name[i];
  }
}

}  // namespace

bool SymbolNeedsRepair(const MasterRecord& record) { return SymbolFieldEmpty(record.bytes.data()); }

Status MasterNeedsRepair(const std::string& masterPath, bool& needsRepair) {
  needsRepair = false;
  MasterImage master;
  const Status status = ReadMasterImage(masterPath, master);
  if (status != kOk) return status;
  for (int i = 0; i < master.RecordCount(); ++i) {
    if (SymbolFieldEmpty(master.Record(i))) needsRepair = true;
  }
  return kOk;
}

Status RepairMaster(const std::string& masterPath) {
  const PortfolioLock lock({std::filesystem::path(masterPath).parent_path().string()});
  if (lock.status() != kOk) return lock.status();
  const ChangeRecording recording("Repair MASTER");
  MasterImage master;
  const Status status = ReadMasterImage(masterPath, master);
  if (status != kOk) return status;
  const std::vector<std::uint8_t> before = master.bytes;
  for (int i = 0; i < master.RecordCount(); ++i) {
    if (SymbolFieldEmpty(master.Record(i))) CopyNameToSymbol(master.Record(i));
  }
  return ReplaceMasterKeepingEmaster(masterPath, before, master.bytes, ".bak", false);
}

}  // namespace voltrim
