#include <QDir>
#include <QImage>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include <fstream>

#include "app/help_window.h"
#include "support/temp_dir.h"

namespace voltrim::testing {
namespace {

namespace fs = std::filesystem;

struct Pictures {
  int shown = 0;
  std::vector<std::string> missing;
};

// Every picture of the manual, loaded the way the help window loads it.
Pictures PicturesOf(HelpWindow& help) {
  Pictures pictures;
  const QTextDocument* document = help.Browser()->document();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
      const QTextCharFormat format = fragment.fragment().charFormat();
      if (!format.isImageFormat()) continue;
      ++pictures.shown;
      const QString name = format.toImageFormat().name();
      const QVariant data = help.Browser()->loadResource(QTextDocument::ImageResource, QUrl(name));
      if (QImage::fromData(data.toByteArray()).isNull()) {
        pictures.missing.push_back(name.toStdString());
      }
    }
  }
  return pictures;
}

std::string TitleOf(HelpWindow& help) {
  return help.Browser()->document()->metaInformation(QTextDocument::DocumentTitle).toStdString();
}

TEST(HelpManual, AProgramBesideAnInstalledManualShowsItElseItsOwnCopy) {
  TempDir prefix;
  fs::create_directories(prefix.path() / "bin");
  const QString bin = QString::fromStdString((prefix.path() / "bin").string());
  EXPECT_EQ(HelpWindow::ManualUrl(bin).toString(), "qrc:/manual/manual.html");

  const fs::path installed = prefix.path() / "share/doc/voltrim/manual.html";
  fs::create_directories(installed.parent_path());
  std::ofstream(installed) << "<html><head><title>Installed</title></head></html>";
  const QUrl url = HelpWindow::ManualUrl(bin);
  ASSERT_TRUE(url.isLocalFile()) << url.toString().toStdString();
  EXPECT_TRUE(fs::equivalent(url.toLocalFile().toStdString(), installed));
  HelpWindow help(nullptr, url);
  EXPECT_EQ(TitleOf(help), "Installed");
}

TEST(HelpManual, TheBuiltInManualShowsEveryPicture) {
  HelpWindow help(nullptr, QUrl(QStringLiteral("qrc:/manual/manual.html")));
  EXPECT_EQ(TitleOf(help), "Voltrim user manual");
  const Pictures pictures = PicturesOf(help);
  EXPECT_GT(pictures.shown, 5);
  EXPECT_EQ(pictures.missing, std::vector<std::string>{});
}

// Run by the install check, which installs into a temporary folder and names the installed
// programs' folder; skipped in the ordinary run.
TEST(InstalledManual, HelpTopicsOfTheInstalledProgramShowsTheInstalledManual) {
  const QString bin = qEnvironmentVariable("VOLTRIM_INSTALLED_BINDIR");
  if (bin.isEmpty()) GTEST_SKIP() << "VOLTRIM_INSTALLED_BINDIR names an installed bin folder";
  const QUrl url = HelpWindow::ManualUrl(bin);
  ASSERT_TRUE(url.isLocalFile()) << "not found beside " << bin.toStdString() << ": "
                                 << url.toString().toStdString();
  const QString prefix = QDir(bin + QStringLiteral("/..")).canonicalPath() + '/';
  EXPECT_TRUE(url.toLocalFile().startsWith(prefix)) << url.toLocalFile().toStdString();
  HelpWindow help(nullptr, url);
  EXPECT_EQ(TitleOf(help), "Voltrim user manual");
  const Pictures pictures = PicturesOf(help);
  EXPECT_GT(pictures.shown, 5);
  EXPECT_EQ(pictures.missing, std::vector<std::string>{});
}

}  // namespace
}  // namespace voltrim::testing
