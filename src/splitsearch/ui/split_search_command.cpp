#include "splitsearch/ui/split_search_command.h"

#include <QPointer>

#include "browser/browser.h"
#include "browser/command_ids.h"
#include "splitsearch/ui/split_search_window.h"

namespace voltrim {

void InstallSplitSearchCommand(const CommandContext& context,
                               const RegisterCommand& registerCommand,
                               EnterSplitRequest enterSplit) {
  registerCommand(command::kSplitSearch, [context, enterSplit] {
    // The command is disabled while the window is open; one window at a time all the same.
    if (context.browser->State().splitSearchOpen) return;
    auto* window = new SplitSearchWindow(context, enterSplit);
    context.browser->SetSplitSearchOpen(true);
    window->show();
    window->raise();
    window->activateWindow();
  });
}

}  // namespace voltrim
