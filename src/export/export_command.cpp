#include "export/export_command.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <filesystem>
#include <string>

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

ExportOutcome RunExport(std::string_view portfolioDir, std::string_view symbol, int quoteCount,
                        const ExportSettings& chosen, SettingsStore& store, UserPrompt& prompt) {
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
  const int quotes = WriteExportText(file, portfolioDir, symbol, quoteCount, chosen);
  // A write that did not reach the disk is reported, never passed off as an export.
  if (!file.Commit()) {
    prompt.ShowMessage(kExportError);
    return ExportOutcome::Failed;
  }
  prompt.Beep(BeepKind::Information);
  prompt.StatusText(ExportedText(quotes, chosen.fileName));
  return ExportOutcome::Written;
}

}  // namespace voltrim
