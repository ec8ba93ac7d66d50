// The module's writes: every one goes through the same calls as voltrim-cli's command, so
// it takes the same lock, replace protocol, journal and undo, and says the same.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "datafiles/format/emaster.h"
#include "datafiles/format/master.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/io/change_journal.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/regular_file.h"
#include "datafiles/write/rewrite_series.h"
#include "frame_text.h"
#include "import/import_command.h"
#include "import/new_portfolio.h"
#include "import/update_command.h"
#include "module_errors.h"
#include "module_functions.h"
#include "symbols/new_symbol.h"
#include "symbols/symbol_batch_commands.h"

namespace py = pybind11;

namespace voltrim::python {

namespace {

// What the messages call a frame; its rows are the lines from 2 on (line 1: the header).
constexpr char kFrameName[] = "DataFrame";

constexpr char kImportAdvice[] =
    "Import again with on_conflict=\"replace\" to store the frame's values, or with "
    "on_conflict=\"keep\" to keep the stored quotes.";
constexpr char kUpdateAdvice[] =
    "Update again with on_conflict=\"replace\" to store the frame's values, or with "
    "on_conflict=\"keep\" to keep the stored quotes.";
constexpr char kCreateAdvice[] = "Update with create=True to add them as new series.";

// The CLI's prompt answers messages on stderr; here the last one becomes the exception.
class KeptMessagePrompt : public QuietPrompt {
 public:
  void ShowMessage(const std::string& text, MessageIcon) override { message = text; }
  bool AskYesNo(const std::string&) override { return false; }
  std::string message;
};

ImportOverlap OverlapOf(const std::string& onConflict) {
  if (onConflict == "replace") return ImportOverlap::kReplace;
  if (onConflict == "keep") return ImportOverlap::kKeep;
  return ImportOverlap::kRefuse;
}

// The frame's columns as Python lists them: (name, kind, data), kind "f" float32, "d"
// float64, "M" datetime64[ns] as int64, "s" Latin-1 bytes or None. The arrays stay alive
// in keep for as long as the columns point into them.
std::vector<FrameColumn> FrameColumns(const py::list& frameColumns, std::size_t rows,
                                      std::vector<py::object>& keep) {
  std::vector<FrameColumn> columns;
  for (const py::handle item : frameColumns) {
    const auto entry = item.cast<py::tuple>();
    FrameColumn column;
    column.name = entry[0].cast<std::string>();
    const auto kind = entry[1].cast<std::string>();
    const py::handle data = entry[2];
    if (kind == "f") {
      auto array = py::array_t<float, py::array::c_style | py::array::forcecast>::ensure(data);
      column.kind = FrameColumn::Kind::kSingles;
      column.singles = array.data();
      keep.push_back(array);
    } else if (kind == "d") {
      auto array = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(data);
      column.kind = FrameColumn::Kind::kDoubles;
      column.doubles = array.data();
      keep.push_back(array);
    } else if (kind == "M") {
      auto array =
          py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>::ensure(data);
      column.kind = FrameColumn::Kind::kTimestamps;
      column.stamps = array.data();
      keep.push_back(array);
    } else {
      column.kind = FrameColumn::Kind::kTexts;
      for (const py::handle cell : data.cast<py::list>())
        column.texts.push_back(cell.is_none() ? std::nullopt
                                              : std::optional(cell.cast<std::string>()));
    }
    const std::size_t length = column.kind == FrameColumn::Kind::kTexts
                                   ? column.texts.size()
                                   : static_cast<std::size_t>(py::len(keep.back()));
    if (length != rows) throw py::value_error("a column of the frame is not as long as the frame");
    columns.push_back(std::move(column));
  }
  return columns;
}

py::list Lines(const std::vector<std::string>& lines) {
  py::list out;
  for (const std::string& line : lines) out.append(MessageText(line));
  return out;
}

void WarnOfEmaster(const std::string& directory, std::vector<std::string>& warnings) {
  if (EmasterStateIn(directory) == EmasterState::kOutOfStep)
    warnings.push_back(cli::EmasterLeftAloneText(directory));
}

py::dict ImportFrame(const std::string& dir, const std::string& symbol,
                     const py::list& frameColumns, std::size_t rows,
                     const std::string& onConflict) {
  RequireFolder(dir);
  ClearFileFailure();
  FoundSymbol found;
  bool inXmaster = false;
  const bool inMaster = FindSymbol(dir, symbol, found) == kOk;
  if (!inMaster && (XmasterListsSymbol(dir, symbol, inXmaster) != kOk || !inXmaster))
    Raise(ErrorKind::kNotFound, cli::SymbolNotFoundText(symbol, dir));
  std::vector<py::object> keep;
  const std::vector<FrameColumn> columns = FrameColumns(frameColumns, rows, keep);
  ImportText text;
  std::string message;
  if (!ParseImportFile(kFrameName, FrameText(columns, rows, -1), text, message))
    Raise(ErrorKind::kRefused, message);
  std::vector<std::string> warnings;
  if (inMaster) {
    std::string directory = found.directory;
    if (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    WarnOfEmaster(directory, warnings);
  }
  ImportResult result;
  Status status = kOk;
  {
    py::gil_scoped_release unlocked;
    status =
        ImportQuotes(dir, symbol, ImportRequestOf(std::move(text), OverlapOf(onConflict)), result);
  }
  const std::string failure = ImportFailureText(status, kFrameName, symbol, result, kImportAdvice);
  switch (status) {
    case kOk:
    case kMasterDatesNotUpdated:
    case kXmasterDatesNotUpdated:
      break;
    case kPortfolioBusy:
      Raise(ErrorKind::kBusy, failure);
    case kImportDuplicate:
    case kImportDiffers:
    case kImportTooMany:
    case kBadRequest:
      Raise(ErrorKind::kRefused, failure);
    default:
      Raise(ErrorKind::kError, WithFileFailure(failure));
  }
  py::dict summary;
  summary["symbol"] = Latin1(symbol);
  summary["added"] = result.added;
  summary["replaced"] = result.replaced;
  summary["kept"] = result.kept;
  summary["skipped"] = result.skipped;
  summary["quotes_before"] = result.quotesBefore;
  summary["quotes_after"] = result.quotesAfter;
  summary["lines"] = Lines(ImportSummary(symbol, result, ColumnNotesOf(text, result.layout)));
  summary["warnings"] = Lines(warnings);
  if (status != kOk) RaisePartlyDone(failure, summary);
  return summary;
}

py::dict UpdateSummary(const UpdateResult& result, std::vector<std::string>& warnings) {
  py::dict summary;
  py::list unknown, lines;
  for (const UpdateSeriesResult& series : result.series) {
    lines.append(MessageText(UpdateSeriesLine(series)));
    if (series.fate == UpdateFate::kUnknown) unknown.append(Latin1(series.symbol));
  }
  const std::string unknownLine = UnknownSymbolsLine(result, kCreateAdvice);
  if (!unknownLine.empty()) warnings.push_back(unknownLine);
  summary["series"] = result.updated + result.unchanged + result.created;
  summary["updated"] = result.updated;
  summary["unchanged"] = result.unchanged;
  summary["created"] = result.created;
  summary["unknown"] = unknown;
  summary["quotes_added"] = result.quotesAdded;
  summary["quotes_replaced"] = result.quotesReplaced;
  summary["lines"] = lines;
  summary["totals"] = MessageText(UpdateTotalsLine(result));
  summary["warnings"] = Lines(warnings);
  return summary;
}

py::dict UpdateFrame(const std::string& dir, const py::list& frameColumns, std::size_t rows,
                     int symbolColumn, const std::string& onConflict, bool create, bool dryRun) {
  RequireFolder(dir);
  ClearFileFailure();
  std::vector<py::object> keep;
  const std::vector<FrameColumn> columns = FrameColumns(frameColumns, rows, keep);
  UpdateSources sources;
  std::string message;
  if (!ReadUpdateText(kFrameName, FrameText(columns, rows, symbolColumn), sources, message))
    Raise(ErrorKind::kRefused, message);
  const UpdateRequest request = UpdateRequestOf(sources, OverlapOf(onConflict), create);
  std::vector<std::string> warnings;
  if (!dryRun) WarnOfEmaster(dir, warnings);
  UpdateResult result;
  Status status = kOk;
  {
    py::gil_scoped_release unlocked;
    if (dryRun) {
      status = PlanUpdate(dir, request, result);
    } else {
      const NameNextChange words("Update " + std::to_string(sources.series.size()) +
                                 " series from a " + kFrameName);
      status = UpdatePortfolio(dir, request, result);
    }
  }
  const std::string failure = UpdateFailureText(status, result, sources, kUpdateAdvice);
  switch (status) {
    case kOk:
      return UpdateSummary(result, warnings);
    case kUpdateIndexBehind:
      RaisePartlyDone(failure, UpdateSummary(result, warnings));
    case kPortfolioBusy:
      Raise(ErrorKind::kBusy, failure);
    case kUpdateRefused:
      Raise(ErrorKind::kRefused, failure);
    case kFileNotFound:
      Raise(ErrorKind::kNotFound, failure);
    default:
      Raise(ErrorKind::kError, WithFileFailure(failure));
  }
}

void NewPortfolio(const std::string& dir) {
  if (dir.empty()) throw py::value_error("the folder is empty");
  ClearFileFailure();
  KeptMessagePrompt prompt;
  bool made = false;
  {
    py::gil_scoped_release unlocked;
    made = RunNewPortfolio(dir, prompt);
  }
  if (!made) Raise(ErrorKind::kRefused, WithFileFailure(prompt.message));
}

py::list NewSymbol(const std::string& dir, const std::string& symbol, const std::string& name,
                   int columns, bool intraday) {
  if (columns != 5 && columns != 6 && columns != 7)
    throw py::value_error("columns takes 5, 6 or 7, not " + std::to_string(columns));
  if (symbol.size() > kSymbolFieldSize)
    Raise(ErrorKind::kRefused, "SYMBOL has more than 16 characters");
  if (name.size() > kNameFieldSize) Raise(ErrorKind::kRefused, "NAME has more than 16 characters");
  RequireFolder(dir);
  ClearFileFailure();
  std::vector<std::string> warnings;
  WarnOfEmaster(dir, warnings);
  NewSeries series;
  series.symbol = symbol;
  series.name = name;
  series.columns = columns;
  series.intraday = intraday;
  KeptMessagePrompt prompt;
  SymbolCommandOutcome outcome;
  {
    py::gil_scoped_release unlocked;
    outcome = RunNewSymbol(SymbolPortfolio{dir, MasterPathIn(dir)}, series, prompt);
  }
  if (!outcome.succeeded) {
    if (prompt.message == kPortfolioBusyMessage) Raise(ErrorKind::kBusy, prompt.message);
    Raise(ErrorKind::kRefused, WithFileFailure(prompt.message));
  }
  return Lines(warnings);
}

// What a write of many symbols did, as the module says it: the warnings when it was done,
// else the exception of its kind with the CLI's message.
py::list SymbolsOutcome(const SymbolCommandOutcome& outcome, const KeptMessagePrompt& prompt,
                        std::size_t count, const std::vector<std::string>& warnings) {
  if (outcome.succeeded) return Lines(warnings);
  if (outcome.partlyDone) {
    py::dict summary;
    summary["symbols"] = count;
    summary["warnings"] = Lines(warnings);
    RaisePartlyDone(WithFileFailure(prompt.message), summary);
  }
  if (prompt.message == kPortfolioBusyMessage) Raise(ErrorKind::kBusy, prompt.message);
  if (outcome.refused) Raise(ErrorKind::kRefused, prompt.message);
  Raise(ErrorKind::kError, WithFileFailure(prompt.message));
}

py::list DeleteSymbolList(const std::string& dir, const std::vector<std::string>& symbols) {
  if (symbols.empty()) throw py::value_error("no symbols given");
  RequireFolder(dir);
  ClearFileFailure();
  std::vector<ListedSymbol> found;
  std::vector<std::string> missing;
  const Status status = FindListedSymbols(dir, symbols, found, missing);
  if (status != kOk)
    Raise(ErrorKind::kError, WithFileFailure("The MASTER file of " + dir +
                                             " cannot be read: " + cli::DescribeStatus(status)));
  if (!missing.empty())
    Raise(ErrorKind::kRefused, SymbolsNotFoundMessage("deleted", symbols.size(), missing, dir));
  std::vector<std::string> warnings;
  if (std::any_of(found.begin(), found.end(),
                  [](const ListedSymbol& s) { return s.index == IndexFile::kMaster; }))
    WarnOfEmaster(dir, warnings);
  KeptMessagePrompt prompt;
  SymbolCommandOutcome outcome;
  {
    py::gil_scoped_release unlocked;
    outcome = RunSymbolsDelete(SymbolPortfolio{dir, MasterPathIn(dir)}, found, prompt);
  }
  return SymbolsOutcome(outcome, prompt, found.size(), warnings);
}

py::list TransferSymbolList(const std::string& dir, const std::vector<std::string>& symbols,
                            const std::string& destination, bool move) {
  if (symbols.empty()) throw py::value_error("no symbols given");
  RequireFolder(dir);
  RequireFolder(destination);
  ClearFileFailure();
  std::vector<std::string> warnings;
  if (move) WarnOfEmaster(dir, warnings);
  WarnOfEmaster(destination, warnings);
  KeptMessagePrompt prompt;
  SymbolCommandOutcome outcome;
  {
    py::gil_scoped_release unlocked;
    outcome = RunMoveOrCopySymbols(SymbolPortfolio{dir, MasterPathIn(dir)}, symbols, destination,
                                   move, prompt);
  }
  return SymbolsOutcome(outcome, prompt, symbols.size(), warnings);
}

}  // namespace

void RequireFolder(const std::string& dir) {
  std::error_code error;
  if (dir.empty() || !std::filesystem::is_directory(dir, error))
    Raise(ErrorKind::kNotFound, dir + " is not a folder");
}

void AddWritingFunctions(py::module_& m) {
  m.def("import_quotes", &ImportFrame, py::arg("dir"), py::arg("symbol"), py::arg("columns"),
        py::arg("rows"), py::arg("on_conflict"));
  m.def("update", &UpdateFrame, py::arg("dir"), py::arg("columns"), py::arg("rows"),
        py::arg("symbol_column"), py::arg("on_conflict"), py::arg("create"), py::arg("dry_run"));
  m.def("new_portfolio", &NewPortfolio, py::arg("dir"));
  m.def("new_symbol", &NewSymbol, py::arg("dir"), py::arg("symbol"), py::arg("name"),
        py::arg("columns"), py::arg("intraday"));
  m.def("delete_symbols", &DeleteSymbolList, py::arg("dir"), py::arg("symbols"));
  m.def("transfer_symbols", &TransferSymbolList, py::arg("dir"), py::arg("symbols"),
        py::arg("destination"), py::arg("move"));
  m.def("_set_lock_wait",
        [](int milliseconds) { SetPortfolioLockWait(std::chrono::milliseconds(milliseconds)); });
}

}  // namespace voltrim::python
