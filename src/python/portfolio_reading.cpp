// The module's readers: portfolios, symbols, quotes and the check, as arrays for pandas.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <chrono>
#include <memory>

#include "check/check_report_text.h"
#include "check/portfolio_check.h"
#include "cli/cli_common.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/write/import_quotes.h"
#include "discovery/discovery_filter.h"
#include "discovery/discovery_walk.h"
#include "export/portfolio_series.h"
#include "module_errors.h"
#include "module_functions.h"
#include "prompt/user_prompt.h"
#include "series_arrays.h"

namespace py = pybind11;

namespace voltrim::python {

namespace {

class SilentPrompt : public QuietPrompt {
 public:
  void ShowMessage(const std::string&, MessageIcon) override {}
  bool AskYesNo(const std::string&) override { return false; }
};

using Singles = py::array_t<float>;
using Stamps = py::array_t<std::int64_t>;

// A stored date in either index file's form as a timestamp (NaT when it is no day).
std::int64_t MasterDateStamp(float date) { return StampOf(date, 0); }
std::int64_t XmasterDateStamp(std::int32_t yyyymmdd) {
  return StampOf(static_cast<float>(yyyymmdd - 19000000), 0);
}

py::list FindPortfolioList(const std::string& root) {
  RequireFolder(root);
  std::vector<std::string> found;
  {
    py::gil_scoped_release unlocked;
    SilentPrompt prompt;
    WalkDirectory(root, MakeSearchFilter(0, 0, ""), found, prompt);
    SortPortfolioList(found);
  }
  py::list out;
  for (const std::string& path : found) out.append(MessageText(path));
  return out;
}

py::dict SymbolColumns(const std::string& dir) {
  RequireFolder(dir);
  std::vector<ListedSeries> listed;
  const Status status = ListPortfolioSeries(dir, listed);
  if (status == kFileNotFound) Raise(ErrorKind::kNotFound, cli::NoMasterText(dir));
  if (status != kOk) Raise(ErrorKind::kError, "MASTER: " + cli::DescribeStatus(status));
  py::list symbol, name, listedIn, file, periodicity, fields;
  Stamps first(static_cast<py::ssize_t>(listed.size()));
  Stamps last(static_cast<py::ssize_t>(listed.size()));
  auto firstAt = first.mutable_unchecked<1>();
  auto lastAt = last.mutable_unchecked<1>();
  for (std::size_t i = 0; i < listed.size(); ++i) {
    const ListedSeries& s = listed[i];
    const bool x = s.index == IndexFile::kXmaster;
    symbol.append(Latin1(s.symbolText));
    name.append(Latin1(x ? s.xmaster.name : s.record.Name()));
    listedIn.append(x ? "XMASTER" : "MASTER");
    file.append(s.DataFileName());
    periodicity.append(std::string(1, x ? s.xmaster.periodicity : s.record.Periodicity()));
    fields.append(x ? s.xmaster.fieldCount : s.record.FieldCount());
    const auto at = static_cast<py::ssize_t>(i);
    firstAt(at) = x ? XmasterDateStamp(s.xmaster.firstDate) : MasterDateStamp(s.record.FirstDate());
    lastAt(at) = x ? XmasterDateStamp(s.xmaster.lastDate) : MasterDateStamp(s.record.LastDate());
  }
  py::dict out;
  out["symbol"] = symbol;
  out["name"] = name;
  out["listed_in"] = listedIn;
  out["file"] = file;
  out["periodicity"] = periodicity;
  out["fields"] = fields;
  out["first_date"] = first;
  out["last_date"] = last;
  return out;
}

// The series of symbol as export and quotes find it, open for reading.
void OpenSeries(const std::string& dir, const std::string& symbol, SeriesLocation& location,
                SeriesReader& reader) {
  RequireFolder(dir);
  Status status = LocateAnySeries(dir, symbol, location);
  if (status == kOk) status = reader.Open(location);
  if (status == kFileNotFound) Raise(ErrorKind::kNotFound, cli::SymbolNotFoundText(symbol, dir));
  if (status != kOk) Raise(ErrorKind::kError, cli::SeriesProblemText(dir, symbol, status));
}

// (timestamps, singles of the columns the series holds: one row each, their names,
// whether it has times).
py::tuple SeriesColumns(const std::string& dir, const std::string& symbol) {
  SeriesLocation location;
  SeriesReader reader;
  OpenSeries(dir, symbol, location, reader);
  const auto total = static_cast<py::ssize_t>(reader.Total());
  py::list names;
  for (int c = 0; c < kValueColumns; ++c)
    if (location.layout.Has(kValueFields[static_cast<std::size_t>(c)]))
      names.append(kValueColumnNames[static_cast<std::size_t>(c)]);
  Stamps stamps(total);
  Singles values({static_cast<py::ssize_t>(names.size()), total});
  SeriesArrays arrays;
  arrays.stamps = stamps.mutable_data();
  py::ssize_t row = 0;
  for (int c = 0; c < kValueColumns; ++c)
    if (location.layout.Has(kValueFields[static_cast<std::size_t>(c)]))
      arrays.values[static_cast<std::size_t>(c)] = values.mutable_data(row++);
  Status status = kOk;
  {
    py::gil_scoped_release unlocked;
    status = ReadSeriesArrays(reader, location.layout, arrays);
  }
  if (status != kOk) Raise(ErrorKind::kError, cli::SeriesProblemText(dir, symbol, status));
  return py::make_tuple(stamps, values, names, location.layout.Has(Field::Time));
}

// Every series in MASTER's order, then XMASTER's, as export --all writes them:
// (symbol codes, symbols, timestamps, the six value columns' singles a row each (NaN
// where a series lacks the field), their names,
// [(symbol, data file, reason) of each series left out]).
py::tuple AllSeriesColumns(const std::string& dir) {
  RequireFolder(dir);
  std::vector<ListedSeries> listed;
  Status status = ListPortfolioSeries(dir, listed);
  if (status == kFileNotFound) Raise(ErrorKind::kNotFound, cli::NoMasterText(dir));
  if (status != kOk) Raise(ErrorKind::kError, "MASTER: " + cli::DescribeStatus(status));
  struct Open {
    const ListedSeries* series;
    SeriesLocation location;
    std::unique_ptr<SeriesReader> reader = std::make_unique<SeriesReader>();
  };
  std::vector<Open> open;
  py::list skipped;
  py::ssize_t rows = 0;
  for (const ListedSeries& series : listed) {
    Open entry{&series, {}};
    status = LocateListedSeries(dir, series, entry.location);
    if (status == kOk) status = entry.reader->Open(entry.location);
    if (status != kOk) {
      skipped.append(py::make_tuple(Latin1(series.symbolText), series.DataFileName(),
                                    cli::DescribeStatus(status)));
      continue;
    }
    rows += entry.reader->Total();
    open.push_back(std::move(entry));
  }
  py::array_t<std::int32_t> codes(rows);
  Stamps stamps(rows);
  Singles values({py::ssize_t{kValueColumns}, rows});
  py::list symbols;
  std::vector<bool> read(open.size());
  {
    py::gil_scoped_release unlocked;
    py::ssize_t at = 0;
    std::int32_t* code = codes.mutable_data();
    for (std::size_t s = 0; s < open.size(); ++s) {
      SeriesArrays arrays;
      arrays.stamps = stamps.mutable_data() + at;
      for (int c = 0; c < kValueColumns; ++c)
        arrays.values[static_cast<std::size_t>(c)] = values.mutable_data(c, at);
      read[s] = ReadSeriesArrays(*open[s].reader, open[s].location.layout, arrays) == kOk;
      if (!read[s]) continue;
      const py::ssize_t total = open[s].reader->Total();
      std::fill(code + at, code + at + total, static_cast<std::int32_t>(s));
      at += total;
    }
    rows = at;
  }
  for (std::size_t s = 0; s < open.size(); ++s) {
    symbols.append(Latin1(open[s].series->symbolText));
    if (!read[s])
      skipped.append(py::make_tuple(Latin1(open[s].series->symbolText),
                                    open[s].series->DataFileName(),
                                    cli::DescribeStatus(kFileRead)));
  }
  py::list names;
  for (const char* name : kValueColumnNames) names.append(name);
  const py::slice readRows(0, rows, 1);
  return py::make_tuple(codes[readRows], symbols, stamps[readRows],
                        values[py::make_tuple(py::slice(0, kValueColumns, 1), readRows)], names,
                        skipped);
}

// [(symbol, file, place, kind, detail, quote index)], the lines check prints.
py::list CheckFindings(const std::string& dir) {
  RequireFolder(dir);
  CheckReport report;
  Status status = kOk;
  {
    py::gil_scoped_release unlocked;
    status = CheckPortfolio(dir, report);
  }
  if (status == kFileNotFound) Raise(ErrorKind::kNotFound, cli::NoMasterText(dir));
  if (status != kOk) Raise(ErrorKind::kError, "MASTER: " + cli::DescribeStatus(status));
  py::list out;
  for (const Finding& f : report.findings)
    out.append(py::make_tuple(
        Latin1(f.symbol), f.file, FindingPlace(f), KindName(f.kind), Latin1(f.detail),
        f.quoteIndex < 0 ? py::object(py::none()) : py::object(py::int_(f.quoteIndex))));
  return out;
}

// Seconds of the fastest of repeats C++ reads of the whole series, for the benchmark.
double ReadSeriesSeconds(const std::string& dir, const std::string& symbol, int repeats) {
  py::gil_scoped_release unlocked;
  SeriesBuffer buffer;
  if (AllocSeriesBuffer(buffer, kMaxImportQuotes + 1) != kOk ||
      ReadSeries(buffer, dir, symbol, 0, 0) != kOk)
    return -1.0;
  const int total = buffer.Total();
  double best = 1e9;
  for (int r = 0; r < repeats; ++r) {
    const auto start = std::chrono::steady_clock::now();
    if (ReadSeries(buffer, dir, symbol, 0, total) != kOk || buffer.Count() != total) return -1.0;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

void AddReadingFunctions(py::module_& m) {
  m.def("find_portfolios", &FindPortfolioList, py::arg("root"));
  m.def("symbols", &SymbolColumns, py::arg("dir"));
  m.def("quotes", &SeriesColumns, py::arg("dir"), py::arg("symbol"));
  m.def("read_all", &AllSeriesColumns, py::arg("dir"));
  m.def("check", &CheckFindings, py::arg("dir"));
  m.def("_read_series_seconds", &ReadSeriesSeconds, py::arg("dir"), py::arg("symbol"),
        py::arg("repeats"));
}

}  // namespace voltrim::python
