#include "cli_run.h"

#include <sys/wait.h>

#include <cstdlib>

namespace voltrim::testing {
namespace {

// The word in single quotes, safe from the shell whatever it holds.
std::string Quoted(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadText(const std::filesystem::path& file) {
  const auto bytes = ReadFileBytes(file);
  return {bytes.begin(), bytes.end()};
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& arguments, const std::string& cwd,
                 const std::vector<std::string>& extraEnv) {
  TempDir captures;
  std::string command = "cd " + Quoted(cwd.empty() ? "." : cwd) + " && env";
  for (const std::string& variable : extraEnv) command += " " + Quoted(variable);
  command += " " + Quoted(VOLTRIM_CLI_PATH);
  for (const std::string& word : arguments) command += " " + Quoted(word);
  command += " >" + Quoted(captures.str() + "/out") + " 2>" + Quoted(captures.str() + "/err");
  const int status = std::system(command.c_str());
  CliResult result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadText(captures.path() / "out");
  result.err = ReadText(captures.path() / "err");
  return result;
}

SeriesSpec AcmeSeries() {
  const auto day = [](int d) { return YmdToDay(2000, 1, d); };
  return MakeDailySeries(1, "ACME", "ACME CORP",
                         {{day(3), 12.34567f, 13, 12, 12.5f, 1234.6f},
                          {day(4), 13, 14, 12.5f, 13.5f, 2000},
                          {day(4), 13.1f, 14.1f, 12.6f, 13.6f, 2100},
                          {day(6), 14, 15, 13, 14.5f, 3000},
                          {day(8), 15, 16, 14, 15.5f, 4000},
                          {day(11), 16, 17, 15, 16.5f, 5000}});
}

std::string WriteAcmePortfolio(const std::filesystem::path& root, const std::string& name) {
  const DailyQuote beta = {YmdToDay(2000, 1, 3), 1, 2, 0.5f, 1.5f, 9};
  return Write(root / name,
               Portfolio({SeriesEntry(AcmeSeries()),
                          SeriesEntry(MakeDailySeries(2, "BETA", "BETA INC", {beta}))}));
}

}  // namespace voltrim::testing
