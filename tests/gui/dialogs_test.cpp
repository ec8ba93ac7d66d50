#include <QDir>
#include <QImage>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include "app/help_window.h"
#include "discovery/ui/search_filter_dialog.h"
#include "gui_fixture.h"

namespace voltrim::testing {
namespace {

using DialogsTest = GuiTest;

// The manual's title, and every picture of it loaded the way the help window loads it.
void ExpectTheWholeManual(HelpWindow& help) {
  EXPECT_EQ(help.Browser()->document()->metaInformation(QTextDocument::DocumentTitle),
            "Voltrim user manual");
  int shown = 0;
  std::vector<std::string> missing;
  for (QTextBlock block = help.Browser()->document()->begin(); block.isValid();
       block = block.next()) {
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

// A path on no drive is refused with the dialog kept; OK stores the filter and rescans.
TEST_F(DialogsTest, SearchFilterBrowsesRefusesAnUnknownDriveThenStoresAndRescans) {
  Write(drive.path() / "a/p", PortfolioOf({"AAA"}, 3));
  const std::string mine = Write(drive.path() / "mine/x", PortfolioOf({"XXX", "YYY"}, 4));
  Write(drive.path() / "mine/y", PortfolioOf({"ZZZ"}, 5));
  settings.SetInt("Search", "Limit", 0);
  Start();
  ASSERT_EQ(View().PortfolioList()->count(), 3);
  onDialog = [&](QDialog& dialog) {
    if (auto* chooser = qobject_cast<QFileDialog*>(&dialog)) {
      chooser->setDirectory(QString::fromStdString(drive.str()));
      chooser->selectFile(QString::fromStdString(drive.str() + "/mine"));
      return int(QDialog::Accepted);
    }
    auto& filter = dynamic_cast<SearchFilterDialog&>(dialog);
    EXPECT_EQ(dialog.windowTitle(), "Portfolio Search Filter");
    dialog.show();
    EXPECT_FALSE(filter.LimitBox()->isChecked());
    EXPECT_FALSE(filter.PathEdit()->isEnabled());
    QTest::mouseClick(filter.BrowseButton(), Qt::LeftButton);
    EXPECT_EQ(filter.PathEdit()->text().toStdString(), drive.str() + "/mine");
    EXPECT_TRUE(filter.PathEdit()->isEnabled());
    filter.PathEdit()->setText("relative/data");
    Press(dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(filter.PathEdit()->text(), "relative/data");
    filter.PathEdit()->setText(QString::fromStdString(drive.str() + "/mine"));
    QTest::mouseClick(filter.MasterFixBox(), Qt::LeftButton);
    Press(dialog, QDialogButtonBox::Ok);
    return dialog.result();
  };
  window->Action(command::kSearchFilter)->trigger();
  EXPECT_EQ(Texts(), std::vector<std::string>{"The Search Filter path refers to an unknown drive"});
  EXPECT_EQ(settings.GetInt("Search", "MasterFix", 0), 1);
  WaitForScan();
  ASSERT_EQ(View().PortfolioList()->count(), 2);
  EXPECT_EQ(State().portfolioDir, mine);
  EXPECT_EQ(State().quotes.loadedSymbol, "XXX");
}

// After the first scan: its progress box, shown when the scan starts, would take the activation.
// The scan of the empty drive ends in a warning, shown after the scan box has closed.
TEST_F(DialogsTest, HelpOpensBesideTheWindowAndEscapeOrCtrlWCloseIt) {
  constexpr int kActivationMs = 30000;  // the manual takes a while to lay out on a busy machine
  Start();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.startsWith("No master files found on drive "));
  EXPECT_EQ(boxes[0].icon, QMessageBox::Warning);
  EXPECT_FALSE(boxes[0].scanBoxOpen);
  for (const Qt::Key key : {Qt::Key_W, Qt::Key_Escape}) {
    window->Action(command::kHelpTopics)->trigger();
    auto* help = window->findChild<HelpWindow*>();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(help, kActivationMs));
    if (key == Qt::Key_W) ExpectTheWholeManual(*help);  // the program's own copy
    QTest::keyClick(help->Browser(), key, key == Qt::Key_W ? Qt::ControlModifier : Qt::NoModifier);
    EXPECT_FALSE(help->isVisible());
  }
}

// Run by the install check (packaging_install); skipped in the ordinary run.
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
