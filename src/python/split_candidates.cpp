// The module's split search: the candidates most likely first, as split-search --ranked prints
// them, as columns for pandas.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "cli/cli_common.h"
#include "module_errors.h"
#include "module_functions.h"
#include "prompt/user_prompt.h"
#include "series_arrays.h"
#include "splitsearch/portfolio_symbols.h"
#include "splitsearch/split_ranking.h"
#include "splitsearch/split_search.h"

namespace py = pybind11;

namespace voltrim::python {

namespace {

// Keeps the search's messages (a series too short, a read that failed) for warnings.
class KeptMessages : public QuietPrompt {
 public:
  void ShowMessage(const std::string& text, MessageIcon) override { texts.push_back(text); }
  bool AskYesNo(const std::string&) override { return false; }
  std::vector<std::string> texts;
};

// {symbol, date (timestamps), p, q, score, reason, listed, line, warnings}.
py::dict SplitCandidateColumns(const std::string& dir) {
  RequireFolder(dir);
  std::vector<std::string> symbols;
  const Status status = ReadPortfolioSymbols(dir, symbols);
  if (status == kFileNotFound) Raise(ErrorKind::kNotFound, cli::NoMasterText(dir));
  if (status != kOk) Raise(ErrorKind::kError, "MASTER: " + cli::DescribeStatus(status));
  KeptMessages messages;
  std::vector<RankedSplit> ranked;
  {
    py::gil_scoped_release unlocked;
    SplitSearchResults results;
    std::vector<SplitCandidate> found;
    const SplitSearchRun run = RunSplitSearch(
        dir, symbols, results, messages, [&found](const SplitCandidate& c) { found.push_back(c); });
    ranked = RankSearchRun(dir, symbols, run, found);
  }
  const auto rows = static_cast<py::ssize_t>(ranked.size());
  py::list symbol, reason, line;
  py::array_t<std::int64_t> date(rows);
  py::array_t<std::int32_t> p(rows), q(rows), score(rows);
  py::array_t<bool> listed(rows);
  for (py::ssize_t i = 0; i < rows; ++i) {
    const RankedSplit& r = ranked[static_cast<std::size_t>(i)];
    symbol.append(Latin1(r.candidate.symbol));
    date.mutable_at(i) = StampOf(DayToDateValue(r.candidate.day), 0);
    p.mutable_at(i) = r.candidate.ratio.p;
    q.mutable_at(i) = r.candidate.ratio.q;
    score.mutable_at(i) = r.score;
    reason.append(Latin1(r.reason));
    listed.mutable_at(i) = r.listed;
    line.append(Latin1(r.Line()));
  }
  py::list warnings;
  for (const std::string& text : messages.texts) warnings.append(Latin1(text));
  py::dict out;
  out["symbol"] = symbol;
  out["date"] = date;
  out["p"] = p;
  out["q"] = q;
  out["score"] = score;
  out["reason"] = reason;
  out["listed"] = listed;
  out["line"] = line;
  out["warnings"] = warnings;
  return out;
}

}  // namespace

void AddSplitSearchFunctions(py::module_& m) {
  m.def("split_candidates", &SplitCandidateColumns, py::arg("dir"));
}

}  // namespace voltrim::python
