// voltrim-cli sample DIR: writes the demonstration portfolios.
#include <filesystem>
#include <system_error>

#include "cli/cli_common.h"
#include "samples/sample_portfolios.h"

namespace voltrim::cli {

namespace {

int RunSample(const QStringList& arguments);

const Command kSample{"sample", "sample DIR", "writes the demonstration portfolios into DIR",
                      RunSample};

int RunSample(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kSample, 1, 1,
      "Writes the demonstration portfolios (Stocks, Futures, and Legacy with its\n"
      "ARCHIVE subdirectory) into DIR and prints each portfolio folder written. DIR must\n"
      "not exist yet or be empty: nothing is ever overwritten."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const std::string root = PathArgument(positional[0]);

  std::error_code ec;
  const auto state = std::filesystem::status(root, ec);
  if (std::filesystem::exists(state)) {
    if (!std::filesystem::is_directory(state)) {
      PrintError(root + " exists and is not a folder; nothing was written");
      return kExitFailed;
    }
    if (!std::filesystem::is_empty(root, ec) || ec) {
      PrintError(root +
                 " is not empty; the demonstration portfolios are written only into "
                 "a new or empty folder, so that nothing is overwritten");
      return kExitFailed;
    }
  }

  std::vector<std::string> written;
  const Status status = WriteSamplePortfolios(root, written);
  for (const std::string& directory : written) PrintLine(directory);
  if (status != kOk) {
    PrintError("The demonstration portfolios could not be written to " + root + ": " +
               DescribeStatus(status));
    return kExitFailed;
  }
  return kExitOk;
}

const CommandRegistration kSampleRegistration(kSample);

}  // namespace

}  // namespace voltrim::cli
