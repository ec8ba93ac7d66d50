// repair DIR: mends a MASTER whose symbol fields are empty, without asking.
#include "cli/cli_common.h"
#include "cli/cli_emaster_warning.h"
#include "cli/cli_write_common.h"
#include "datafiles/format/master_image.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/write/repair_master.h"

namespace voltrim::cli {

namespace {

int RunRepairCommand(const QStringList& arguments);

const Command kRepair{"repair", "repair DIR", "repairs a MASTER with empty symbols",
                      RunRepairCommand};

int RunRepairCommand(const QStringList& arguments) {
  QCommandLineParser parser;
  QStringList positional;
  const ArgumentSpec plan{
      kRepair, 1, 1,
      "Repairs the portfolio's MASTER when some record's symbol field is empty: each such\n"
      "field gets the record's name. No question is asked; a MASTER that needs no repair\n"
      "is left alone."};
  if (const auto done = ParseArguments(parser, arguments, plan, positional)) return *done;
  const auto dir = PortfolioArgument(positional[0]);
  if (!dir) return kExitFailed;
  const std::string masterPath = MasterPathIn(*dir);
  bool needsRepair = false;
  if (const Status status = MasterNeedsRepair(masterPath, needsRepair); status != kOk) {
    PrintFailure("The MASTER file of " + *dir + " cannot be read: " + DescribeStatus(status));
    return kExitFailed;
  }
  if (!needsRepair) return kExitOk;
  WarnIfEmasterOutOfStep(*dir);
  const Status status = RepairMaster(masterPath);
  if (status == kPortfolioBusy) {
    PrintError(kPortfolioBusyMessage);
    return kExitFailed;
  }
  if (status != kOk) {
    PrintFailure("The master file\n" + masterPath + "\ncould not be repaired (" +
                 DescribeStatus(status) + "); it is unchanged.");
    return kExitFailed;
  }
  return kExitOk;
}

const CommandRegistration kRepairRegistration(kRepair);

}  // namespace

}  // namespace voltrim::cli
