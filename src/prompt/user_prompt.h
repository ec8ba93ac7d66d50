#pragma once

#include <string>

namespace voltrim {

// Icon of a message box. Default shows the platform's standard icon for its buttons
// (warning for an OK box).
enum class MessageIcon { Default, Information, Warning, Error };

// The platform's message beeps.
enum class BeepKind { Default, Question, Information };

// How the core talks to the user. The desktop program shows message boxes, the
// status-bar progress bar and the wait cursor; tests record every call and answer
// questions from a script; the CLI writes messages to stderr.
class UserPrompt {
 public:
  virtual ~UserPrompt() = default;

  // A modal box with one OK button, titled with the program's name.
  virtual void ShowMessage(const std::string& text, MessageIcon icon = MessageIcon::Default) = 0;
  // A modal Yes/No question; true only for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  virtual void Beep(BeepKind kind) = 0;

  // Long work: wait cursor on/off (calls nest).
  virtual void BeginWait() = 0;
  virtual void EndWait() = 0;

  // Portfolio scan progress: the folder being examined and the MASTER files found so far.
  virtual void ScanProgress(const std::string& path, int found) = 0;
  // Status-bar progress of a long fill: done of total; total 0 removes the bar.
  virtual void FillProgress(int done, int total) = 0;
  // Text of the status bar's message pane.
  virtual void StatusText(const std::string& text) = 0;
};

// A prompt for work without a window (scripts, benchmarks): sounds, the wait cursor and
// progress go nowhere; only messages and questions are left to decide.
class QuietPrompt : public UserPrompt {
 public:
  void Beep(BeepKind) override {}
  void BeginWait() override {}
  void EndWait() override {}
  void ScanProgress(const std::string&, int) override {}
  void FillProgress(int, int) override {}
  void StatusText(const std::string&) override {}
};

// Shows the wait cursor for the life of the guard.
class WaitCursor {
 public:
  explicit WaitCursor(UserPrompt& prompt) : prompt_(prompt) { prompt_.BeginWait(); }
  ~WaitCursor() { prompt_.EndWait(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  UserPrompt& prompt_;
};

}  // namespace voltrim
