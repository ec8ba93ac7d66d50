#include "check/ui/check_command.h"

#include <QPointer>

#include "browser/browser.h"
#include "browser/command_ids.h"
#include "check/portfolio_check.h"
#include "check/ui/check_window.h"
#include "widgets/qt_prompt.h"

namespace voltrim {

namespace {

constexpr char kCannotCheck[] = "The MASTER file of this portfolio cannot be read";

void RunCheck(const CommandContext& context, QPointer<CheckWindow>& window) {
  const std::string dir = context.browser->State().portfolioDir;
  CheckReport report;
  Status status = kOk;
  {
    WaitCursor wait(*context.prompt);
    status = CheckPortfolio(dir, report);
  }
  if (status != kOk) {
    context.prompt->ShowMessage(kCannotCheck, MessageIcon::Error);
    return;
  }
  if (!window) {
    const CommandContext owner = context;
    window = new CheckWindow(
        [owner](const std::string& reported, const Finding& finding) {
          const bool shown = owner.browser->SelectSymbolAndQuote(reported, finding.recordIndex,
                                                                 finding.quoteIndex);
          if (shown) owner.refresh();
          return shown;
        },
        context.window);
    window->setAttribute(Qt::WA_DeleteOnClose);
  }
  // A window still open from another portfolio now reports this one.
  window->SetReport(dir, std::move(report));
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

void InstallCheckCommand(const CommandContext& context, const RegisterCommand& registerCommand) {
  auto window = std::make_shared<QPointer<CheckWindow>>();
  registerCommand(command::kPortfolioCheck, [context, window] { RunCheck(context, *window); });
}

}  // namespace voltrim
