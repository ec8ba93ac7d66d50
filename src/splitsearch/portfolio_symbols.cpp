#include "splitsearch/portfolio_symbols.h"

#include <algorithm>

#include "datafiles/master.h"
#include "datafiles/portfolio_files.h"

namespace voltrim {

namespace {

std::string SymbolText(const MasterRecord& record) {
  const std::string field = record.SymbolField();
  const auto end = std::find_if(field.begin(), field.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x21 || byte > 0x7F;
  });
  std::string symbol(field.begin(), end);
  if (!symbol.empty()) return symbol;
  // The name stands in for an empty symbol. Its padding is dropped so that the lookup by
  // name finds the record without the MASTER being repaired first.
  std::string name = record.NameField();
  name.resize(std::min(name.find('\0'), name.size()));
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

}  // namespace

Status ReadPortfolioSymbols(std::string_view portfolioDir, std::vector<std::string>& symbols) {
  symbols.clear();
  MasterFile master;
  const Status status = ReadMasterFile(ResolveInDirectory(portfolioDir, "MASTER"), master);
  if (status != kOk) return status;
  const int count = std::min<int>(master.header.RecordCount(), kMaxSymbols);
  if (count < 0 || static_cast<int>(master.records.size()) < count) return kDamagedFile;
  for (int i = 0; i < count; ++i) {
    symbols.push_back(SymbolText(master.records[static_cast<std::size_t>(i)]));
  }
  return kOk;
}

}  // namespace voltrim
