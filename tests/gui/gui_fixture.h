#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>

#include <deque>
#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/startup.h"
#include "browser/command_ids.h"
#include "browser/ui/browser_view.h"
#include "browser/ui/grid_view.h"
#include "datafiles/fixtures.h"
#include "settings/settings_store.h"
#include "widgets/qt_prompt.h"

namespace voltrim::testing {

// One message box as the program built it (all are titled Voltrim).
struct ShownBox {
  QString text;
  QMessageBox::Icon icon;
  bool scanBoxOpen = false;  // the scan progress box was still up
};

// Dialog widgets by object name, and a user's way of filling them in.
template <typename Widget>
Widget* ChildOf(QDialog& dialog, const char* name) {
  auto* child = dialog.findChild<Widget*>(QLatin1String(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}
inline QLineEdit* FieldOf(QDialog& dialog, const char* name) {
  return ChildOf<QLineEdit>(dialog, name);
}
inline QString LabelOf(QDialog& dialog, const char* name) {
  auto* label = dialog.findChild<QLabel*>(QLatin1String(name));
  return label ? label->text() : QStringLiteral("<none>");
}
inline void Press(QDialog& dialog, QDialogButtonBox::StandardButton which) {
  QTest::mouseClick(dialog.findChild<QDialogButtonBox*>()->button(which), Qt::LeftButton);
}
// Replaces a field's text by typing, as a user who selected it first ("" erases it).
inline void TypeInto(QLineEdit* field, const char* keys) {
  field->selectAll();
  if (*keys == '\0') QTest::keyClick(field, Qt::Key_Backspace);
  QTest::keyClicks(field, QLatin1String(keys));
}
// On the indicator: a check box or radio button reacts only to clicks on it or its label.
inline void Click(QAbstractButton* button) {
  QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(6, button->height() / 2));
}

using Typed = std::vector<std::pair<const char*, const char*>>;

// A request made as a user makes it: the rows clicked (-1: none; more symbol rows added with
// Ctrl), then the command. The
// boxes get `answers`; a file dialog takes `chosen` below the drive (a folder chooser makes it
// first); the next dialog gets `answer`, or is shown, checked to show `shown`, given `typed`
// and `clicked`, then OK. A dialog OK leaves open must still hold what was typed, and is then
// cancelled, as is any later one (the editor after Add).
struct Request {
  int symbolRow = -1, quoteRow = -1;
  int commandId = 0;
  Typed typed = {};
  std::deque<QMessageBox::StandardButton> answers = {};
  Typed shown = {};
  std::vector<const char*> clicked = {};
  std::function<int(QDialog&, const std::string& drive)> answer = {};
  const char* chosen = nullptr;
  std::vector<int> moreSymbolRows = {};
};

// The desktop program over a temporary folder standing in for the one drive.
class GuiTest : public ::testing::Test {
 protected:
  GuiTest() {
    OpenSettings(settings, (config.path() / "Voltrim.conf").string(),
                 (config.path() / "Voltrim.INI").string());
    prompt = std::make_unique<QtPrompt>([this](QMessageBox& box) {
      EXPECT_EQ(box.windowTitle(), "Voltrim");
      const bool scanBoxOpen = window && window->View()->ProgressBox();
      boxes.push_back({box.text(), box.icon(), scanBoxOpen});
      if (answers.empty()) {
        return box.standardButtons().testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
      }
      const QMessageBox::StandardButton answer = answers.front();
      answers.pop_front();
      return answer;
    });
  }

  // Opens the main window without waiting for anything.
  MainWindow& Open() {
    const std::vector<std::string> drives = {drive.str()};
    BrowserPlatform platform{[drives] { return drives; }, [root = drive.str()] { return root; }};
    if (walk) platform.walk = walk;
    window = std::make_unique<MainWindow>(settings, *prompt, std::move(platform));
    window->SetDialogRunner([this](QDialog& dialog) { return onDialog ? onDialog(dialog) : 0; });
    window->show();
    return *window;
  }
  // Scans walk on a worker thread: waits for the one running to fill the lists.
  void WaitForScan() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return !State().scanning; }));
    QTest::qWait(1);  // let the scan's closing box go away
  }
  // Opens the main window and waits for the first scan to finish.
  void Start() {
    Open();
    ASSERT_TRUE(QTest::qWaitFor([this] { return View().IsSetUp(); }));
    WaitForScan();
  }
  // Shortcuts reach the active window only.
  void Activate() {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  // Runs a command as its menu item would, once the enabling has caught up with the state.
  void Trigger(int commandId) {
    window->RefreshFromState();
    QAction* action = window->Action(commandId);
    ASSERT_TRUE(action->isEnabled()) << commandId;
    action->trigger();
  }
  // Makes the request; says what OK did to its first dialog: "closed" it, or a refusal "kept"
  // it open, then naming the field that has the focus and all its text selected.
  std::string Make(const Request& request) {
    for (const auto& [grid, row] :
         {std::pair{&Symbols(), request.symbolRow}, {&Quotes(), request.quoteRow}}) {
      if (row < 0) continue;
      ClickRow(*grid, row);
      window->RefreshFromState();
    }
    for (const int row : request.moreSymbolRows) ClickRow(Symbols(), row, Qt::ControlModifier);
    boxes.clear();
    answers = request.answers;
    std::string made = "no dialog";
    int dialogs = 0;
    onDialog = [&](QDialog& dialog) {
      if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
        const fs::path chosen = drive.path() / request.chosen;
        if (files->fileMode() == QFileDialog::Directory) fs::create_directories(chosen);
        files->selectFile(QString::fromStdString(chosen.string()));
        return int{QDialog::Accepted};
      }
      if (dialogs++ > 0) return int{QDialog::Rejected};
      made = "closed";
      if (request.answer) return request.answer(dialog, drive.str());
      dialog.show();
      for (const auto& [field, text] : request.shown)
        EXPECT_EQ(FieldOf(dialog, field)->text(), text);
      std::vector<QString> typed;
      for (const auto& [field, keys] : request.typed) {
        TypeInto(FieldOf(dialog, field), keys);
        typed.push_back(FieldOf(dialog, field)->text());
      }
      for (const char* button : request.clicked) Click(ChildOf<QAbstractButton>(dialog, button));
      Press(dialog, QDialogButtonBox::Ok);
      if (!dialog.isVisible()) return dialog.result();
      made = "kept";
      for (std::size_t i = 0; i < typed.size(); ++i)
        EXPECT_EQ(FieldOf(dialog, request.typed[i].first)->text(), typed[i]);
      const auto* focus = qobject_cast<QLineEdit*>(dialog.focusWidget());
      if (focus && focus->selectedText() == focus->text())
        made += " " + focus->objectName().toStdString();
      return int{QDialog::Rejected};
    };
    Trigger(request.commandId);
    onDialog = {};  // it refers to this call's locals
    return made;
  }
  bool Enabled(int commandId) { return window->Action(commandId)->isEnabled(); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const ShownBox& box : boxes) texts.push_back(box.text.toStdString());
    return texts;
  }

  BrowserView& View() { return *window->View(); }
  const BrowserState& State() { return window->View()->State(); }
  GridView& Symbols() { return *View().SymbolsGrid(); }
  GridView& Quotes() { return *View().QuotesGrid(); }
  QString Cell(GridView& grid, int row, int column) {
    return grid.model()->index(row, column).data().toString();
  }
  void ClickRow(GridView& grid, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QRect cell = grid.visualRect(grid.model()->index(row, 0));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, modifiers, cell.center());
  }
  void Key(QWidget& widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    widget.setFocus();
    QTest::keyClick(&widget, key, modifiers);
  }
  std::string Title() const { return window->windowTitle().toStdString(); }

  // Answers for the next message boxes; a box with no answer left gets Ok, else No.
  std::deque<QMessageBox::StandardButton> answers;
  std::vector<ShownBox> boxes;
  // Called with each modal dialog the window opens; returns the dialog's result.
  std::function<int(QDialog&)> onDialog;
  // The walk of a drive, when a test needs its own (it runs on the worker thread).
  ScanWorker::Walk walk;

  TempDir drive;
  TempDir config;
  SettingsStore settings;
  std::unique_ptr<QtPrompt> prompt;
  std::unique_ptr<MainWindow> window;  // last: it goes before what it uses
};

}  // namespace voltrim::testing
