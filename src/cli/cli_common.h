#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>

#include "cli/cli_command.h"
#include "cli/status_text.h"
#include "datafiles/format/encodings.h"
#include "datafiles/status.h"

namespace voltrim::cli {

// Helpers shared by the subcommands: argument checks, printing, dates.

struct ArgumentSpec {
  const Command& command;
  int minPositional;
  int maxPositional;
  const char* description;  // shown under the usage line of COMMAND --help
};

// Parses arguments (the program name first) with the options already added to parser,
// plus --help. Returns an exit status when the command is done (help printed: 0; usage
// error reported on stderr: 2), or nullopt with the positional arguments to go on.
std::optional<int> ParseArguments(QCommandLineParser& parser, const QStringList& arguments,
                                  const ArgumentSpec& plan, QStringList& positional);

// Reports a usage error on stderr with the command's synopsis; returns 2.
int UsageError(const Command& command, const std::string& text);

// A message on stderr, one line per '\n' in text.
void PrintError(const std::string& text);
// A failure message on stderr: the program's own text, then the path and the system's
// reason of the last file that failed (": /x/y.txt: No such file or directory") when one
// was noted since the command began (on a line of its own after a text that ends with a
// full stop); the note is used once.
void PrintFailure(const std::string& text);
// One line of output on stdout.
void PrintLine(const std::string& text);

// A path argument in the file system's encoding.
std::string PathArgument(const QString& argument);
// A symbol or name argument as the single-byte text stored in MASTER (Latin-1).
std::string TextArgument(const QString& argument);

// The portfolio directory argument, or nullopt after reporting that it is not a folder.
std::optional<std::string> PortfolioArgument(const QString& argument);

// A date typed as MM/DD/YY (two-digit years 00-59 are 2000-2059), checked against the
// calendar; nullopt for anything else.
std::optional<DayNumber> ParseDateArgument(const QString& argument);

// What went wrong reading a symbol's series, naming the data file where that helps.
std::string SeriesProblemText(const std::string& portfolio, const std::string& symbol,
                              Status status);

// The message for a folder without a MASTER file.
std::string NoMasterText(const std::string& portfolio);
// The message for a symbol that the portfolio's MASTER tree does not hold (or for a
// folder without MASTER, where the lookup fails the same way).
std::string SymbolNotFoundText(const std::string& symbol, const std::string& portfolio);

}  // namespace voltrim::cli
