// voltrim-cli scan: lists the portfolios of a drive, walking it like the desktop program.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/cli_common.h"
#include "cli/cli_prompt.h"
#include "discovery/discovery_drives.h"
#include "discovery/discovery_filter.h"
#include "discovery/discovery_walk.h"

namespace voltrim::cli {

namespace {

int RunScan(const QStringList& arguments);

const Command kScan{"scan", "scan [--drive MOUNT] [--filter PATH | --no-filter]",
                    "lists the portfolios found on a drive", RunScan};

constexpr char kDescription[] =
    "Walks a drive (a mount point) for folders holding a MASTER file and prints them, one "
    "path a line, sorted without regard to case.\n"
    "Like the desktop program on its first start, the walk is limited by default to paths "
    "like the current folder: folders on the way to it and everything below it. Without "
    "--drive the drive is that of the filter path (of the current folder with --no-filter). "
    "Symbolic links are not followed, other file systems are not entered and no folder is "
    "entered twice. No settings "
    "are read or written.";

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

int RunScan(const QStringList& arguments) {
  QCommandLineParser parser;
  const QCommandLineOption drive("drive", "Walk the drive mounted at MOUNT.", "MOUNT");
  const QCommandLineOption filter(
      "filter", "Walk only paths like PATH (an absolute path; default: the current folder).",
      "PATH");
  const QCommandLineOption noFilter("no-filter", "Walk the whole drive.");
  parser.addOptions({drive, filter, noFilter});
  QStringList positional;
  const ArgumentSpec plan{kScan, 0, 0, kDescription};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  if (parser.isSet(filter) && parser.isSet(noFilter)) {
    return UsageError(kScan, "--filter and --no-filter exclude each other");
  }

  std::error_code error;
  const std::string currentDirectory = std::filesystem::current_path(error).string();
  const std::vector<std::string> drives = ListDrives();

  SearchFilter searchFilter = MakeSearchFilter(0, 0, "");
  if (!parser.isSet(noFilter)) {
    const std::string path =
        parser.isSet(filter) ? PathArgument(parser.value(filter)) : currentDirectory;
    if (!SearchFilterPathAccepted(true, path, drives)) {
      std::fprintf(stderr, "%s\n", kUnknownDriveMessage);
      return kExitUsage;
    }
    searchFilter = MakeSearchFilter(0, 1, path);
  }

  std::string walked;
  if (parser.isSet(drive)) {
    walked = WithoutTrailingSlashes(PathArgument(parser.value(drive)));
    if (std::find(drives.begin(), drives.end(), walked) == drives.end()) {
      std::string known;
      for (const std::string& d : drives) known += "\n  " + d;
      std::fprintf(stderr, "voltrim-cli scan: %s is not a drive; the drives are:%s\n",
                   walked.c_str(), known.c_str());
      return kExitUsage;
    }
  } else {
    walked = DriveOfPath(searchFilter.limit ? searchFilter.filterName : currentDirectory, drives);
    if (walked.empty()) {
      std::fprintf(stderr, "voltrim-cli scan: the current folder cannot be read\n");
      return kExitFailed;
    }
  }

  CliPrompt prompt;
  const std::vector<std::string> portfolios = FindPortfolios(walked, searchFilter, prompt);
  for (const std::string& portfolio : portfolios) std::printf("%s\n", portfolio.c_str());
  return portfolios.empty() ? kExitFailed : kExitOk;
}

const CommandRegistration kScanRegistration(kScan);

}  // namespace

}  // namespace voltrim::cli
