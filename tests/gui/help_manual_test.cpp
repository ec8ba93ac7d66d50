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

std::string TitleOf(HelpWindow& help) {
  return help.Browser()->document()->metaInformation(QTextDocument::DocumentTitle).toStdString();
}

// The manual's title, and every picture of it loaded the way the help window loads it.
void ExpectTheWholeManual(HelpWindow& help) {
  EXPECT_EQ(TitleOf(help), "Voltrim user manual");
  int shown = 0;
  std::vector<std::string> missing;
  const QTextDocument* document = help.Browser()->document();
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
      const QTextCharFormat format = fragment.fragment().charFormat();
      if (!format.isImageFormat()) continue;
      ++shown;
      const QString name = format.toImageFormat().name();
      const QVariant data = help.Browser()->loadResource(QTextDocument::ImageResource, QUrl(name));
      if (QImage::fromData(data.toByteArray()).isNull()) missing.push_back(name.toStdString());
    }
  }
  EXPECT_GT(shown, 5);
  EXPECT_EQ(missing, std::vector<std::string>{});
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
  ExpectTheWholeManual(help);
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
  ExpectTheWholeManual(help);
}

}  // namespace
}  // namespace voltrim::testing
