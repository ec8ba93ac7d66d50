#include "symbols/new_symbol.h"

#include "datafiles/format/master.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/write/symbol_files.h"
#include "prompt/user_prompt.h"
#include "symbols/symbol_messages.h"

namespace voltrim {

namespace {

// The symbols-grid row of the record of fileNumber (the grid lists MASTER in file order,
// then XMASTER).
int RowOfFileNumber(const SymbolPortfolio& portfolio, int fileNumber) {
  MasterFile master;
  if (ReadMasterFile(portfolio.masterPath, master) != kOk) return 0;
  for (std::size_t i = 0; i < master.records.size(); ++i) {
    if (master.records[i].FileNumber() == fileNumber) return static_cast<int>(i);
  }
  XmasterFile xmaster;
  if (ReadXmasterFile(portfolio.portfolioDir, xmaster) != kOk) return 0;
  for (std::size_t i = 0; i < xmaster.records.size(); ++i) {
    if (xmaster.records[i].fileNumber == fileNumber)
      return static_cast<int>(master.records.size() + i);
  }
  return 0;
}

}  // namespace

SymbolCommandOutcome RunNewSymbol(const SymbolPortfolio& portfolio, const NewSeries& series,
                                  UserPrompt& prompt) {
  SymbolCommandOutcome outcome;
  if (!CheckSymbolEntry(series.symbol, prompt)) return outcome;
  int number = 0;
  int result = kSymbolAdded;
  {
    WaitCursor wait(prompt);
    result = CreateSeries(portfolio.portfolioDir, series, &number);
  }
  switch (result) {
    case kSymbolAdded:
      outcome.succeeded = true;
      outcome.refreshSymbols = true;
      outcome.rowToShow = RowOfFileNumber(portfolio, number);
      break;
    case kSymbolExists:
      prompt.ShowMessage(AddSymbolExistsMessage(series.symbol, portfolio.portfolioDir));
      break;
    case kPortfolioFull:
      prompt.ShowMessage(kPortfolioFullMessage);
      break;
    case kPortfolioBusy:
      prompt.ShowMessage(symbol_messages::kPortfolioBusy);
      break;
    default:
      prompt.ShowMessage(kNewSymbolFailed);
      break;
  }
  return outcome;
}

}  // namespace voltrim
