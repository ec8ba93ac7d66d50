#include "symbols/symbol_commands.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "datafiles/write/rewrite_series.h"
#include "datafiles/write/symbol_files.h"
#include "datafiles/write/xmaster_write.h"
#include "prompt/user_prompt.h"
#include "symbols/symbol_messages.h"

namespace voltrim {

namespace {

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool LessIgnoringCase(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) <
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::string Formatted(const char* format, const std::string& text) {
  std::vector<char> buffer(std::char_traits<char>::length(format) + text.size() + 1);
  std::snprintf(buffer.data(), buffer.size(), format, text.c_str());
  return buffer.data();
}

}  // namespace

std::string NameForEditing(const std::string& nameText) {
  std::string name = nameText;
  while (!name.empty() && IsSpace(name.back())) name.pop_back();
  return name;
}

bool CheckSymbolEntry(const std::string& symbol, UserPrompt& prompt) {
  if (!symbol.empty()) return true;
  prompt.ShowMessage(symbol_messages::kMustEnterSymbol);
  return false;
}

int SymbolLimit(IndexFile index) {
  return static_cast<int>(index == IndexFile::kXmaster ? kXmasterSymbolChars : kSymbolFieldSize);
}

int NameLimit(IndexFile index) {
  return static_cast<int>(index == IndexFile::kXmaster ? kXmasterNameChars : kNameFieldSize);
}

SymbolCommandOutcome RunSymbolEdit(const SymbolPortfolio& portfolio, int row,
                                   const std::string& symbol, const std::string& name,
                                   UserPrompt& prompt, IndexFile index) {
  SymbolCommandOutcome outcome;
  Status status = kOk;
  {
    WaitCursor wait(prompt);
    status = index == IndexFile::kXmaster
                 ? RenameXmasterRecord(portfolio.portfolioDir, row, symbol, name)
                 : RenameMasterRecord(portfolio.masterPath, row, symbol, name);
  }
  if (status != kOk) {
    prompt.ShowMessage(status == kPortfolioBusy ? symbol_messages::kPortfolioBusy
                                                : symbol_messages::kEditFailed);
    return outcome;
  }
  outcome.succeeded = true;
  outcome.rowToShow = row;
  return outcome;
}

std::string DeleteSymbolQuestion(const std::string& symbol) {
  return std::string(symbol_messages::kDeleteGroupTitle) + "\n" + symbol + "\n\n" +
         symbol_messages::kDeleteQuestion;
}

SymbolCommandOutcome RunSymbolDelete(const SymbolPortfolio& portfolio, const std::string& symbol,
                                     UserPrompt& prompt, bool ask, IndexFile index) {
  SymbolCommandOutcome outcome;
  if (ask) {
    prompt.Beep(BeepKind::Question);
    if (!prompt.AskYesNo(DeleteSymbolQuestion(symbol))) return outcome;
  }
  Status status = kOk;
  {
    WaitCursor wait(prompt);
    status = index == IndexFile::kXmaster ? DeleteXmasterSymbol(portfolio.portfolioDir, symbol)
                                          : DeleteSymbol(portfolio.portfolioDir, symbol);
  }
  outcome.refreshSymbols = true;
  outcome.rowToShow = 0;
  if (status == kSymbolFilesLeft) {
    prompt.ShowMessage(symbol_messages::kDeleteFilesLeft);
    outcome.partlyDone = true;
  } else if (status != kOk) {
    prompt.ShowMessage(status == kPortfolioBusy ? symbol_messages::kPortfolioBusy
                                                : symbol_messages::kDeleteFailed);
  }
  outcome.succeeded = status == kOk;
  return outcome;
}

std::vector<std::string> DestinationChoices(const std::vector<std::string>& portfolios,
                                            int currentIndex) {
  std::vector<std::string> choices;
  for (std::size_t i = 0; i < portfolios.size(); ++i) {
    if (static_cast<int>(i) != currentIndex) choices.push_back(portfolios[i]);
  }
  std::stable_sort(choices.begin(), choices.end(), LessIgnoringCase);
  return choices;
}

SymbolCommandOutcome RunMoveOrCopySymbol(const SymbolPortfolio& portfolio,
                                         const std::string& symbol, const std::string& destination,
                                         bool move, UserPrompt& prompt) {
  SymbolCommandOutcome outcome;
  if (destination.empty()) return outcome;
  int result = kSymbolAdded;
  {
    WaitCursor wait(prompt);
    result = MoveOrCopySymbol(portfolio.portfolioDir, symbol, destination, move);
  }
  switch (result) {
    case kSymbolAdded:
      outcome.succeeded = true;
      outcome.refreshSymbols = move;
      break;
    case kSymbolExists:
      prompt.ShowMessage(AddSymbolExistsMessage(SymbolSearchText(symbol), destination));
      break;
    case kPortfolioFull:
      prompt.ShowMessage(kPortfolioFullMessage);
      break;
    case kSourceNotRemoved:
      prompt.ShowMessage(Formatted(symbol_messages::kMoveSourceKeptFormat, destination));
      outcome.refreshSymbols = outcome.partlyDone = true;
      break;
    case kSymbolFilesLeft:
      prompt.ShowMessage(symbol_messages::kMoveFilesLeft);
      outcome.refreshSymbols = outcome.partlyDone = true;
      break;
    case kPortfolioBusy:
      prompt.ShowMessage(symbol_messages::kPortfolioBusy);
      break;
    default:
      prompt.ShowMessage(move ? symbol_messages::kMoveFailed : symbol_messages::kCopyFailed);
      break;
  }
  return outcome;
}

}  // namespace voltrim
