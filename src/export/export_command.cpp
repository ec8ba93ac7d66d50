#include "export/export_command.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "datafiles/io/portfolio_files.h"
#include "export/export_writer.h"
#include "export/replacing_text_file.h"

namespace voltrim {

namespace {

constexpr char kExportError[] = "file export error";

std::string ReplaceQuestion(const std::string& fileName) {
  constexpr char kFormat[] = "%s\nThis file already exists\n\nReplace existing file?";
  const int size = std::snprintf(nullptr, 0, kFormat, fileName.c_str());
  std::string text(static_cast<std::size_t>(size), '\0');
  std::snprintf(text.data(), text.size() + 1, kFormat, fileName.c_str());
  return text;
}

}  // namespace

std::string ExportedText(int quotes, const std::string& fileName) {
  return "Exported " + std::to_string(quotes) + (quotes == 1 ? " quote to " : " quotes to ") +
         fileName;
}

std::string ExportFolder() {
  for (const auto location : {QStandardPaths::DocumentsLocation, QStandardPaths::HomeLocation}) {
    const QString folder = QStandardPaths::writableLocation(location);
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder.toLocal8Bit().toStdString();
  }
  return QDir::homePath().toLocal8Bit().toStdString();
}

std::string ExportPathIn(const std::string& name, const std::string& folder) {
  if (name.empty() || name.front() == '/') return name;
  return (std::filesystem::path(folder) / name).string();
}

bool ExportFileExists(const std::string& fileName) {
  if (fileName.empty()) return false;
  // Asked of the name, not by opening it: opening a FIFO would wait for a writer.
  struct stat info {};
  return ::stat(fileName.c_str(), &info) == 0;
}

namespace {

// The steps of an export around its writing: asks before replacing an existing file, saves
// the choices, writes through write (which gives the status text) into a file replaced only
// once it is complete.
ExportOutcome ExportTo(const ExportSettings& chosen, SettingsStore& store, UserPrompt& prompt,
                       const std::function<std::string(TextSink&)>& write) {
  if (ExportFileExists(chosen.fileName) && !prompt.AskYesNo(ReplaceQuestion(chosen.fileName))) {
    return ExportOutcome::Declined;
  }
  SaveExportSettings(store, chosen);
  ReplacingTextFile file(chosen.fileName);
  if (!file.Open()) {
    prompt.ShowMessage(kExportError);
    return ExportOutcome::Failed;
  }
  WaitCursor wait(prompt);
  const std::string done = write(file);
  // A write that did not reach the disk is reported, never passed off as an export.
  if (!file.Commit()) {
    prompt.ShowMessage(kExportError);
    return ExportOutcome::Failed;
  }
  prompt.Beep(BeepKind::Information);
  prompt.StatusText(done);
  return ExportOutcome::Written;
}

}  // namespace

ExportOutcome RunExport(std::string_view portfolioDir, std::string_view symbol, int quoteCount,
                        const ExportSettings& chosen, SettingsStore& store, UserPrompt& prompt) {
  return ExportTo(chosen, store, prompt, [&](TextSink& file) {
    return ExportedText(WriteExportText(file, portfolioDir, symbol, quoteCount, chosen),
                        chosen.fileName);
  });
}

ExportOutcome RunSeriesExport(std::string_view portfolioDir, const std::vector<ListedSymbol>& rows,
                              const ExportSettings& chosen, SettingsStore& store,
                              UserPrompt& prompt) {
  // Every series is found before a file is touched.
  const auto names = std::make_shared<const FolderNames>(portfolioDir);
  std::vector<ListedSeries> found;
  std::vector<std::string> missing;
  const Status status = FindSeriesOfRows(portfolioDir, rows, names, found, missing);
  if (status != kOk) {
    prompt.ShowMessage(kExportError);
    return ExportOutcome::Failed;
  }
  // Rows whose series went from the files since the grid was filled.
  if (!missing.empty()) {
    prompt.ShowMessage(
        SymbolsNotFoundMessage("exported", rows.size(), missing, std::string(portfolioDir)));
    return ExportOutcome::Failed;
  }
  std::vector<SkippedSeries> skipped;
  const ExportOutcome outcome = ExportTo(chosen, store, prompt, [&](TextSink& file) {
    WriteSeriesExport(file, *names, portfolioDir, found, chosen,
                      chosen.Csv() ? ExportFormat::Csv : ExportFormat::Text, skipped);
    return ExportedSeriesText(found.size() - skipped.size(), chosen.fileName);
  });
  if (outcome == ExportOutcome::Written && !skipped.empty())
    prompt.ShowMessage(SeriesLeftOutText(skipped));
  return outcome;
}

std::string ExportedSeriesText(std::size_t series, const std::string& fileName) {
  return "Exported " + std::to_string(series) + " series to " + fileName;
}

std::string SeriesLeftOutText(const std::vector<SkippedSeries>& skipped) {
  std::string text = "These series could not be read and were left out of the file:";
  for (const SkippedSeries& series : skipped)
    text += "\n" + series.symbol + " (" + series.file + ")";
  return text;
}

}  // namespace voltrim
