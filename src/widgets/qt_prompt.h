#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <functional>

#include "prompt/user_prompt.h"

namespace voltrim {

// Where the progress of long work is shown: the main window's status bar and the scan box.
class ProgressDisplay {
 public:
  virtual ~ProgressDisplay() = default;
  virtual void ShowScanProgress(const QString& path, int found) = 0;
  virtual void ShowFillProgress(int done, int total) = 0;
  virtual void ShowStatusText(const QString& text) = 0;
};

// The desktop program's side of UserPrompt: message boxes titled "Voltrim", the
// platform beep, the wait cursor and the progress shown by the main window.
class QtPrompt : public UserPrompt {
 public:
  // Shows a ready-made box and returns the button pressed. The default runs it modally;
  // tests pass their own to read the box and answer from a script.
  using BoxRunner = std::function<QMessageBox::StandardButton(QMessageBox&)>;

  explicit QtPrompt(BoxRunner runner = {});
  ~QtPrompt() override;

  // The window that owns the boxes and shows progress; either may be null.
  void SetWindow(QWidget* parent, ProgressDisplay* display);

  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
  void Beep(BeepKind kind) override;
  void BeginWait() override;
  void EndWait() override;
  void ScanProgress(const std::string& path, int found) override;
  void FillProgress(int done, int total) override;
  void StatusText(const std::string& text) override;

 private:
  QMessageBox::StandardButton Run(const QString& text, QMessageBox::Icon icon,
                                  QMessageBox::StandardButtons buttons);

  BoxRunner runner_;
  QPointer<QWidget> parent_;
  ProgressDisplay* display_ = nullptr;
  int waitDepth_ = 0;
};

}  // namespace voltrim
