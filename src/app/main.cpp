#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/main_window.h"
#include "app/startup.h"
#include "discovery/discovery_drives.h"
#include "discovery/discovery_filter.h"
#include "settings/settings_store.h"
#include "settings/undo_settings.h"
#include "text/c_locale.h"
#include "text/version_text.h"
#include "widgets/qt_prompt.h"

namespace {

// Qt's standard options, and a folder to open.
void DescribeOptions(QCommandLineParser& parser) {
  parser.setApplicationDescription(
      QStringLiteral("Browse and repair MetaStock/CompuTrac stock-price portfolios.\n\n"
                     "With FOLDER, starts with the portfolios in FOLDER and below it listed "
                     "and the first one selected: the Portfolio Search Filter becomes FOLDER."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("FOLDER"),
                               QStringLiteral("The folder whose portfolios to open."),
                               QStringLiteral("[FOLDER]"));
}

void NameTheProgram() {
  QCoreApplication::setApplicationName(QStringLiteral("Voltrim"));
  QCoreApplication::setApplicationVersion(QStringLiteral(VOLTRIM_VERSION));
}

// --help and --version print text only: they are answered before the window system is
// contacted, so that they work without a display (in a terminal, a package check, a pipe).
bool AsksForTextOnly(int argc, char* argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg(argv[i]);
    if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "--help-all" ||
        arg == "--version" || arg == "-v")
      return true;
  }
  return false;
}

[[noreturn]] void AnswerTextOnly(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  NameTheProgram();
  QCommandLineParser parser;
  DescribeOptions(parser);
  // The window system's own options (-platform and the like) are not known here.
  (void)parser.parse(QCoreApplication::arguments());
  if (parser.isSet(QStringLiteral("version"))) {
    std::fputs(voltrim::VersionText("Voltrim", VOLTRIM_VERSION).c_str(), stdout);
    std::exit(0);
  }
  parser.showHelp();
}

}  // namespace

int main(int argc, char* argv[]) {
  if (AsksForTextOnly(argc, argv)) AnswerTextOnly(argc, argv);
  QApplication app(argc, argv);
  voltrim::KeepNumbersAndCaseLocaleFree();
  NameTheProgram();
  // Ties the windows to the installed menu entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(VOLTRIM_APP_ID));

  QCommandLineParser parser;
  DescribeOptions(parser);
  parser.process(app);
  const QStringList folders = parser.positionalArguments();
  if (folders.size() > 1) {
    std::fprintf(stderr, "Voltrim opens one folder at a time.\n");
    return 2;
  }

  voltrim::SettingsStore settings;
  voltrim::SettingsStore::CarryOver(voltrim::SettingsStore::EarlierDefaultPath(),
                                    voltrim::SettingsStore::DefaultPath());
  voltrim::OpenSettings(settings, voltrim::SettingsStore::DefaultPath(),
                        voltrim::SettingsStore::DefaultSeedPath());
  voltrim::SetUndoHistoryLimits(voltrim::UndoLimitsFrom(settings));
  if (!folders.isEmpty()) {
    const std::optional<std::string> refused = voltrim::UseStartFolder(
        settings, folders.front().toLocal8Bit().toStdString(), voltrim::ListDrives());
    if (refused) {
      std::fprintf(stderr, "%s\n", refused->c_str());
      return 2;
    }
  }

  voltrim::QtPrompt prompt;
  voltrim::MainWindow window(settings, prompt, voltrim::BrowserPlatform::System());
  window.show();
  return QApplication::exec();
}
