#include "import/ui/import_command_handlers.h"

#include <QAbstractScrollArea>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <optional>

#include "browser/browser.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "import/import_command.h"
#include "import/new_portfolio.h"
#include "import/ui/import_preview_dialog.h"
#include "widgets/qt_prompt.h"
#include "widgets/qt_text.h"

namespace voltrim {
namespace {

constexpr std::size_t kPreviewRows = 20;
// The window offers the choice in its preview, so a refusal of differing dates cannot come;
// should it, this is what it says.
constexpr const char* kChooseInPreview =
    "Import the file again and choose whether to replace them or to keep the stored quotes.";

// Where the file choosers start: the folder last chosen, in this run.
QString& LastFolder() {
  static QString folder;
  return folder;
}

std::string JoinedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
  return text;
}

std::optional<std::string> ChooseQuoteFile(const CommandContext& context) {
  QFileDialog dialog(context.window, QStringLiteral("Import Quotes"));
  dialog.setObjectName(QStringLiteral("importFileDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(
      {QStringLiteral("Quote Files (*.csv *.txt *.prn)"), QStringLiteral("All Files (*)")});
  if (!LastFolder().isEmpty()) dialog.setDirectory(LastFolder());
  if (context.runDialog(dialog) != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  LastFolder() = QFileInfo(chosen.front()).absolutePath();
  return PathText(chosen.front());
}

void NewPortfolio(const CommandContext& context) {
  QFileDialog dialog(context.window, QStringLiteral("New Portfolio"));
  dialog.setObjectName(QStringLiteral("newPortfolioDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  // The chooser takes only folders that exist: an empty one, or one made with its New Folder
  // button.
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Choose"));
  const BrowserState& state = context.browser->State();
  // Next to the portfolio shown, where a new one most likely belongs.
  if (!state.portfolioDir.empty())
    dialog.setDirectory(QFileInfo(PathText(state.portfolioDir)).absolutePath());
  if (context.runDialog(dialog) != QDialog::Accepted) return;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return;
  const std::string directory = PathText(QFileInfo(chosen.front()).absoluteFilePath());
  if (!RunNewPortfolio(directory, *context.prompt)) return;
  context.browser->AddPortfolio(directory);
  context.refresh();
}

// Accepts a local file dragged over the quotes grid while Import may run, and imports it
// when dropped (after the drop has finished, so the preview is not opened inside it).
class DropOnGrid : public QObject {
 public:
  DropOnGrid(const CommandContext& context, QObject* parent) : QObject(parent), context_(context) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
      return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const std::optional<std::string> path = DroppedFile(*drop->mimeData());
    if (!path || !IsCommandEnabled(context_.browser->State(), command::kQuoteImport)) {
      drop->ignore();
      return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop) {
      QTimer::singleShot(0, this,
                         [context = context_, file = *path] { ImportQuoteFile(context, file); });
    }
    return true;
  }

 private:
  static std::optional<std::string> DroppedFile(const QMimeData& data) {
    if (!data.hasUrls() || data.urls().isEmpty() || !data.urls().front().isLocalFile())
      return std::nullopt;
    return PathText(data.urls().front().toLocalFile());
  }

  CommandContext context_;
};

}  // namespace

void ImportQuoteFile(const CommandContext& context, const std::string& path) {
  Browser& browser = *context.browser;
  const BrowserState& state = browser.State();
  if (!IsCommandEnabled(state, command::kQuoteImport)) return;
  const std::string symbol = state.quotes.loadedSymbol;
  const std::string portfolioDir = state.portfolioDir;
  UserPrompt& prompt = *context.prompt;
  ImportText text;
  if (!ReadImportFile(path, text, prompt)) return;
  ImportPreview preview;
  {
    WaitCursor wait(prompt);
    preview = PreviewImportFile(portfolioDir, symbol, text, kPreviewRows);
  }
  if (preview.status != kOk && preview.status != kImportDiffers) {
    prompt.ShowMessage(ImportFailureText(preview.status, path, symbol, preview.result, ""));
    return;
  }
  ImportPreviewDialog dialog({path, symbol, portfolioDir}, text, preview, context.window);
  if (context.runDialog(dialog) != QDialog::Accepted) return;
  const ImportOutcome outcome = RunImport(portfolioDir, symbol, path, std::move(text),
                                          dialog.Overlap(), prompt, kChooseInPreview);
  if (outcome.reloadGrid) browser.FillQuotesGrid(0);
  context.refresh();
  if (outcome.succeeded) prompt.ShowMessage(JoinedLines(outcome.summary), MessageIcon::Information);
}

void InstallImportCommands(const CommandContext& context, const RegisterCommand& registerCommand) {
  registerCommand(command::kPortfolioNew, [context] { NewPortfolio(context); });
  registerCommand(command::kQuoteImport, [context] {
    if (const std::optional<std::string> path = ChooseQuoteFile(context))
      ImportQuoteFile(context, *path);
  });
  if (!context.window) return;
  // A scroll area's drops arrive at its viewport.
  if (auto* grid = context.window->findChild<QAbstractScrollArea*>(QStringLiteral("quotesGrid"))) {
    grid->setAcceptDrops(true);
    grid->viewport()->setAcceptDrops(true);
    grid->viewport()->installEventFilter(new DropOnGrid(context, grid->viewport()));
  }
}

}  // namespace voltrim
