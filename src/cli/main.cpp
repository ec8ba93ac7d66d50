// voltrim-cli: the command-line twin of Voltrim, one subcommand per operation; loaded as a
// module by the program's start.
#include <QCoreApplication>
#include <QStringList>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "cli/cli_command.h"
#include "datafiles/io/portfolio_lock.h"
#include "datafiles/io/regular_file.h"
#include "settings/undo_settings.h"
#include "text/c_locale.h"
#include "text/version_text.h"

namespace {

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: voltrim-cli COMMAND [ARGUMENTS...]\n"
               "Browse and repair MetaStock/CompuTrac portfolios from the command line.\n"
               "Dates are MM/DD/YY. 'voltrim-cli COMMAND --help' describes a command.\n\n"
               "Options:\n"
               "  -h, --help     Shows this help.\n"
               "  -v, --version  Shows the version.\n\n"
               "Commands:\n");
  for (const auto& command : voltrim::cli::Commands()) {
    std::fprintf(out, "  %-14s %s\n", command.name, command.summary);
  }
  // One status a line: the man page takes this list as it is.
  std::fprintf(out,
               "\nExit status:\n"
               "  0  done\n"
               "  1  failed (nothing changed)\n"
               "  2  usage error\n"
               "  3  done in part (the message says what is left; do not simply run the\n"
               "     command again)\n");
}

}  // namespace

// The whole program, which voltrim-cli's start (src/cli_start) loads for every command it does
// not run itself.
extern "C" __attribute__((visibility("default"))) int VoltrimCliMain(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  voltrim::KeepNumbersAndCaseLocaleFree();
  QCoreApplication::setApplicationName("voltrim-cli");
  QCoreApplication::setApplicationVersion(VOLTRIM_VERSION);
  // How long a write waits for a portfolio another program holds, in milliseconds, when
  // set: the tests of a blocked write need not wait the usual seconds.
  bool waitGiven = false;
  const int wait = qEnvironmentVariableIntValue("VOLTRIM_LOCK_WAIT_MS", &waitGiven);
  if (waitGiven && wait >= 0) voltrim::SetPortfolioLockWait(std::chrono::milliseconds(wait));
  voltrim::ApplyUserUndoLimits();
  QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() < 2) {
    PrintUsage(stderr);
    return voltrim::cli::kExitUsage;
  }
  const QString name = arguments.at(1);
  if (name == "--help" || name == "-h" || name == "help") {
    PrintUsage(stdout);
    return voltrim::cli::kExitOk;
  }
  if (name == "--version" || name == "-v") {
    std::fputs(voltrim::VersionText("voltrim-cli", VOLTRIM_VERSION).c_str(), stdout);
    return voltrim::cli::kExitOk;
  }
  for (const auto& command : voltrim::cli::Commands()) {
    if (name == QLatin1String(command.name)) {
      arguments.removeAt(1);
      arguments[0] = QStringLiteral("voltrim-cli ") + QLatin1String(command.name);
      voltrim::ClearFileFailure();
      return command.run(arguments);
    }
  }
  std::fprintf(stderr, "voltrim-cli: unknown command '%s'\n\n", name.toLocal8Bit().constData());
  PrintUsage(stderr);
  return voltrim::cli::kExitUsage;
}
