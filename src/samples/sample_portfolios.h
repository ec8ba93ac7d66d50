#pragma once

#include <string>
#include <vector>

#include "datafiles/status.h"
#include "samples/portfolio_builder.h"

namespace voltrim {

// The demonstration portfolios: synthetic but plausible daily, weekly and intraday
// series, the same bytes on every machine and every run.
struct SamplePortfolio {
  std::string relativeDir;  // below the root given to WriteSamplePortfolios, '/'-separated
  PortfolioSpec plan;
};

// In writing order: a portfolio comes before the subdirectories its MASTER points to.
std::vector<SamplePortfolio> SamplePortfolios();

// Writes every sample portfolio below root (which must not exist yet or be empty; the
// caller checks). `written` receives each portfolio directory written, in order.
Status WriteSamplePortfolios(const std::string& root, std::vector<std::string>& written);

}  // namespace voltrim
