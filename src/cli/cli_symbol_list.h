#pragma once

#include <QCommandLineParser>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

#include "cli/cli_command.h"

namespace voltrim::cli {

// The symbols of the commands that take many: those on the command line, then the lines of
// the file --from-file names, one symbol a line ("-": standard input), for lists too long
// for a command line. Blank lines are skipped; blanks around a symbol and a CR at the end
// of a line are not part of it.

QCommandLineOption FromFileOption();

// The symbols given, or nullopt with the exit status to end with, after the reason on
// stderr: a file that cannot be read (1), no symbol at all (2).
std::optional<std::vector<std::string>> SymbolList(const Command& command,
                                                   const QCommandLineParser& parser,
                                                   const QCommandLineOption& fromFile,
                                                   const QStringList& given, int& exitStatus);

}  // namespace voltrim::cli
