// repair DIR: mends a MASTER whose symbol fields are empty, without asking.
#include <cstdio>

#include "cli/cli_command.h"
#include "cli/cli_write_common.h"
#include "datafiles/repair_master.h"

namespace voltrim::cli {

namespace {

int RunRepairCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  const std::optional<int> done = ParseWriteCommand(
      parser, arguments,
      "Repairs the portfolio's MASTER when some record's symbol field is empty: each such\n"
      "field gets the record's name. No question is asked; a MASTER that needs no repair\n"
      "is left alone.",
      {{"DIR", "Portfolio folder."}}, 1);
  if (done) return *done;
  const std::string masterPath = MasterPathOf(ToText(parser.positionalArguments()[0]));
  bool needsRepair = false;
  if (MasterNeedsRepair(masterPath, needsRepair) != kOk) {
    std::fprintf(stderr, "Cannot read the master file\n%s\n", masterPath.c_str());
    return kExitFailed;
  }
  if (!needsRepair) return kExitOk;
  if (RepairMaster(masterPath) != kOk) {
    std::fprintf(stderr, "The master file\n%s\ncould not be repaired; it is unchanged.\n",
                 masterPath.c_str());
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace

static const CommandRegistration kRegistration({"repair", "repair DIR",
                                                "repair a MASTER with empty symbols",
                                                RunRepairCommand});

}  // namespace voltrim::cli
