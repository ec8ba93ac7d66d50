#include <QApplication>
#include <QCommandLineParser>

#include "app/main_frame.h"
#include "app/startup.h"
#include "settings/settings_store.h"
#include "widgets/qt_prompt.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Voltrim"));
  QApplication::setApplicationVersion(QStringLiteral(VOLTRIM_VERSION));
  // Ties the windows to the installed menu entry and its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral(VOLTRIM_APP_ID));

  // Qt's standard options only; no argument changes what the program does.
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Browse and repair MetaStock/CompuTrac stock-price portfolios."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.process(app);

  voltrim::SettingsStore settings;
  voltrim::OpenSettings(settings, voltrim::SettingsStore::DefaultPath(),
                        voltrim::SettingsStore::DefaultSeedPath());

  voltrim::QtPrompt prompt;
  voltrim::CMainFrame window(settings, prompt, voltrim::BrowserPlatform::System());
  window.show();
  return QApplication::exec();
}
