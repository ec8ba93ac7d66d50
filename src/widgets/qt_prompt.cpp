#include "widgets/qt_prompt.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>

#include "widgets/dialog_frame.h"
#include "widgets/qt_text.h"

namespace voltrim {
namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Warning:
    case MessageIcon::Default:
      break;
  }
  // An OK box without an icon of its own shows the platform's usual warning.
  return QMessageBox::Warning;
}

QMessageBox::StandardButton RunModally(QMessageBox& box) {
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QtPrompt::QtPrompt(BoxRunner runner) : runner_(runner ? std::move(runner) : RunModally) {}

QtPrompt::~QtPrompt() {
  while (waitDepth_ > 0) EndWait();
}

void QtPrompt::SetWindow(QWidget* parent, ProgressDisplay* display) {
  parent_ = parent;
  display_ = display;
}

QMessageBox::StandardButton QtPrompt::Run(const QString& text, QMessageBox::Icon icon,
                                          QMessageBox::StandardButtons buttons) {
  // A box raised while a dialog is open belongs to that dialog, so it stays on top of it.
  QWidget* owner = QApplication::activeModalWidget();
  if (!owner) owner = parent_.data();
  QMessageBox box(icon, QStringLiteral("Voltrim"), text, buttons, owner);
  FixDialogFrame(box);
  // A question waits for an answer; the wait cursor would say otherwise.
  const bool waiting = waitDepth_ > 0;
  if (waiting) QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
  const QMessageBox::StandardButton pressed = runner_(box);
  if (waiting) QGuiApplication::restoreOverrideCursor();
  return pressed;
}

void QtPrompt::ShowMessage(const std::string& text, MessageIcon icon) {
  Run(DataText(text), BoxIcon(icon), QMessageBox::Ok);
}

bool QtPrompt::AskYesNo(const std::string& text) {
  return Run(DataText(text), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

void QtPrompt::Beep(BeepKind) { QApplication::beep(); }

void QtPrompt::BeginWait() {
  ++waitDepth_;
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

void QtPrompt::EndWait() {
  if (waitDepth_ == 0) return;
  --waitDepth_;
  QGuiApplication::restoreOverrideCursor();
}

void QtPrompt::ScanProgress(const std::string& path, int found) {
  if (display_) display_->ShowScanProgress(PathText(path), found);
}

void QtPrompt::FillProgress(int done, int total) {
  if (display_) display_->ShowFillProgress(done, total);
}

void QtPrompt::StatusText(const std::string& text) {
  if (display_) display_->ShowStatusText(DataText(text));
}

}  // namespace voltrim
