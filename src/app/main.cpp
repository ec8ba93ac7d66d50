#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <optional>
#include <string>

#include "app/main_frame.h"
#include "app/startup.h"
#include "discovery/discovery_drives.h"
#include "discovery/discovery_filter.h"
#include "settings/settings_store.h"
#include "widgets/qt_prompt.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Voltrim"));
  QApplication::setApplicationVersion(QStringLiteral(VOLTRIM_VERSION));
  // Ties the windows to the installed menu entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(VOLTRIM_APP_ID));

  // Qt's standard options, and a folder to open.
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Browse and repair MetaStock/CompuTrac stock-price portfolios.\n\n"
                     "With FOLDER, starts with the portfolios in FOLDER and below it listed "
                     "and the first one selected: the Portfolio Search Filter becomes FOLDER."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("FOLDER"),
                               QStringLiteral("The folder whose portfolios to open."),
                               QStringLiteral("[FOLDER]"));
  parser.process(app);
  const QStringList folders = parser.positionalArguments();
  if (folders.size() > 1) {
    std::fprintf(stderr, "Voltrim opens one folder at a time.\n");
    return 2;
  }

  voltrim::SettingsStore settings;
  voltrim::OpenSettings(settings, voltrim::SettingsStore::DefaultPath(),
                        voltrim::SettingsStore::DefaultSeedPath());
  if (!folders.isEmpty()) {
    const std::optional<std::string> refused = voltrim::UseStartFolder(
        settings, folders.front().toLocal8Bit().toStdString(), voltrim::ListDrives());
    if (refused) {
      std::fprintf(stderr, "%s\n", refused->c_str());
      return 2;
    }
  }

  voltrim::QtPrompt prompt;
  voltrim::CMainFrame window(settings, prompt, voltrim::BrowserPlatform::System());
  window.show();
  return QApplication::exec();
}
