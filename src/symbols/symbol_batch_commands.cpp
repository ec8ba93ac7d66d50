#include "symbols/symbol_batch_commands.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "datafiles/format/ascii_case.h"
#include "datafiles/format/master.h"
#include "datafiles/format/master_image.h"
#include "datafiles/write/symbol_files.h"
#include "prompt/user_prompt.h"
#include "symbols/symbol_messages.h"

namespace voltrim {

namespace {

std::string WithText(const char* format, const std::string& value) {
  std::vector<char> text(std::char_traits<char>::length(format) + value.size() + 1);
  std::snprintf(text.data(), text.size(), format, value.c_str());
  return text.data();
}

// What a failed write of many symbols says; empty for kOk. verbing: "Deleting" ...
std::string ManyFailureText(Status status, const char* verbing, const char* failed) {
  switch (status) {
    case kPortfolioBusy:
      return symbol_messages::kPortfolioBusy;
    case kSymbolsPartlyDone:
      return WithText(symbol_messages::kManyPartlyDoneFormat, verbing);
    default:
      return failed;
  }
}

}  // namespace

Status ReadGridSymbols(const std::string& portfolioDir, std::vector<SymbolRow>& rows) {
  rows.clear();
  MasterFile master;
  const Status status = ReadMasterFile(MasterPathIn(portfolioDir), master);
  if (status != kOk) return status;
  for (std::size_t i = 0; i < master.records.size(); ++i) {
    rows.push_back(MakeSymbolRow(master.records[i]));
    rows.back().record = static_cast<int>(i);
  }
  // Then the series only XMASTER lists, as the grid shows them.
  std::vector<SymbolRow> extended;
  if (ReadXmasterSymbolRows(portfolioDir, extended) == kOk)
    rows.insert(rows.end(), extended.begin(), extended.end());
  return kOk;
}

const SymbolRow* FindGridSymbol(const std::vector<SymbolRow>& rows, const std::string& text) {
  const auto exact = std::find_if(rows.begin(), rows.end(),
                                  [&](const SymbolRow& row) { return row.symbol == text; });
  if (exact != rows.end()) return &*exact;
  const auto variant = std::find_if(rows.begin(), rows.end(), [&](const SymbolRow& row) {
    return EqualIgnoringAsciiCase(row.symbol, text);
  });
  return variant != rows.end() ? &*variant : nullptr;
}

Status FindListedSymbols(const std::string& portfolioDir, const std::vector<std::string>& texts,
                         std::vector<ListedSymbol>& found, std::vector<std::string>& missing) {
  std::vector<SymbolRow> rows;
  const Status status = ReadGridSymbols(portfolioDir, rows);
  if (status != kOk) return status;
  for (const std::string& text : texts) {
    const SymbolRow* row = FindGridSymbol(rows, text);
    if (row == nullptr || row->isSubfolder) {
      missing.push_back(text);
    } else {
      found.push_back({row->symbol, row->index});
    }
  }
  return kOk;
}

SymbolCommandOutcome RunSymbolsDelete(const SymbolPortfolio& portfolio,
                                      const std::vector<ListedSymbol>& symbols,
                                      UserPrompt& prompt) {
  SymbolCommandOutcome outcome;
  std::vector<RefusedSymbol> refused;
  Status status = kOk;
  {
    WaitCursor wait(prompt);
    status = DeleteSymbols(portfolio.portfolioDir, symbols, refused);
  }
  outcome.refreshSymbols = true;
  outcome.rowToShow = 0;
  outcome.refused = status == kSymbolsRefused;
  if (status == kSymbolsRefused) {
    prompt.ShowMessage(
        SymbolsRefusedMessage("deleted", symbols.size(), refused, portfolio.portfolioDir, {}));
  } else if (status == kSymbolFilesLeft) {
    prompt.ShowMessage(symbol_messages::kDeleteManyFilesLeft);
    outcome.partlyDone = true;
  } else if (status != kOk) {
    prompt.ShowMessage(ManyFailureText(status, "Deleting", symbol_messages::kDeleteManyFailed));
    outcome.partlyDone = status == kSymbolsPartlyDone;
  }
  outcome.succeeded = status == kOk;
  return outcome;
}

SymbolCommandOutcome RunMoveOrCopySymbols(const SymbolPortfolio& portfolio,
                                          const std::vector<std::string>& symbols,
                                          const std::string& destination, bool move,
                                          UserPrompt& prompt) {
  SymbolCommandOutcome outcome;
  if (destination.empty()) return outcome;
  std::vector<RefusedSymbol> refused;
  Status status = kOk;
  {
    WaitCursor wait(prompt);
    status = MoveOrCopySymbols(portfolio.portfolioDir, symbols, destination, move, refused);
  }
  switch (status) {
    case kOk:
      outcome.succeeded = true;
      outcome.refreshSymbols = move;
      break;
    case kSymbolsRefused:
      prompt.ShowMessage(SymbolsRefusedMessage(move ? "moved" : "copied", symbols.size(), refused,
                                               portfolio.portfolioDir, destination));
      outcome.refused = true;
      break;
    case kSourceNotRemoved:
      prompt.ShowMessage(WithText(symbol_messages::kMoveManySourceKeptFormat, destination));
      outcome.refreshSymbols = outcome.partlyDone = true;
      break;
    case kSymbolFilesLeft:
      prompt.ShowMessage(symbol_messages::kMoveManyFilesLeft);
      outcome.refreshSymbols = outcome.partlyDone = true;
      break;
    default:
      prompt.ShowMessage(ManyFailureText(
          status, move ? "Moving" : "Copying",
          move ? symbol_messages::kMoveManyFailed : symbol_messages::kCopyManyFailed));
      outcome.refreshSymbols = outcome.partlyDone = status == kSymbolsPartlyDone;
      break;
  }
  return outcome;
}

}  // namespace voltrim
