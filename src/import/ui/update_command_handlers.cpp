#include "import/ui/update_command_handlers.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMimeData>
#include <QProgressDialog>
#include <QTimer>
#include <QUrl>

#include <optional>

#include "browser/browser.h"
#include "browser/browser_enabling.h"
#include "browser/command_ids.h"
#include "datafiles/io/change_journal.h"
#include "import/ui/update_preview_dialog.h"
#include "import/update_command.h"
#include "prompt/user_prompt.h"
#include "widgets/qt_prompt.h"
#include "widgets/qt_text.h"

namespace voltrim {
namespace {

// The preview offers the choice, so a refusal of differing quotes cannot come; should it,
// this is what it says.
constexpr const char* kChooseInPreview =
    "Update again and choose whether to replace them or to keep the stored quotes.";

QString& LastFolder() {
  static QString folder;
  return folder;
}

std::vector<std::string> ChooseSources(const CommandContext& context, bool folder) {
  QFileDialog dialog(context.window, folder ? QStringLiteral("Update from Folder")
                                            : QStringLiteral("Update from File"));
  dialog.setObjectName(QStringLiteral("updateSourceDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  if (folder) {
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
  } else {
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(
        {QStringLiteral("Quote Files (*.csv *.txt *.prn)"), QStringLiteral("All Files (*)")});
  }
  if (!LastFolder().isEmpty()) dialog.setDirectory(LastFolder());
  if (context.runDialog(dialog) != QDialog::Accepted) return {};
  std::vector<std::string> paths;
  for (const QString& chosen : dialog.selectedFiles()) {
    if (chosen.isEmpty()) continue;
    LastFolder() = QFileInfo(chosen).absolutePath();
    paths.push_back(PathText(QFileInfo(chosen).absoluteFilePath()));
  }
  return paths;
}

// A new series the portfolio cannot take refuses only the creation: the preview is planned
// again without it, and offers none.
bool CreationRefused(Status status, const UpdateResult& planned) {
  if (status != kUpdateRefused || planned.refusedAt < 0) return false;
  return planned.series[static_cast<std::size_t>(planned.refusedAt)].fate == UpdateFate::kCreated;
}

// Accepts a local file dragged over the symbols grid while an update may run.
class DropOnSymbols : public QObject {
 public:
  DropOnSymbols(const CommandContext& context, QObject* parent)
      : QObject(parent), context_(context) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
      return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData& data = *drop->mimeData();
    if (!data.hasUrls() || data.urls().isEmpty() || !data.urls().front().isLocalFile() ||
        !IsCommandEnabled(context_.browser->State(), command::kPortfolioUpdate)) {
      drop->ignore();
      return true;
    }
    drop->acceptProposedAction();
    if (type == QEvent::Drop) {
      const std::string path = PathText(data.urls().front().toLocalFile());
      QTimer::singleShot(0, this, [context = context_, path] {
        UpdateFromSources(context, {path});
      });
    }
    return true;
  }

 private:
  CommandContext context_;
};

}  // namespace

void UpdateFromSources(const CommandContext& context, const std::vector<std::string>& paths) {
  Browser& browser = *context.browser;
  if (paths.empty() || !IsCommandEnabled(browser.State(), command::kPortfolioUpdate)) return;
  const std::string portfolioDir = browser.State().portfolioDir;
  UserPrompt& prompt = *context.prompt;
  UpdateSources sources;
  UpdateResult planned;
  Status status = kOk;
  bool createPossible = true;
  {
    WaitCursor wait(prompt);
    std::string message;
    if (!ReadUpdateSources(paths, sources, message)) {
      prompt.ShowMessage(message);
      return;
    }
    status = PlanUpdate(portfolioDir, UpdateRequestOf(sources, ImportOverlap::kKeep, true), planned);
    if (CreationRefused(status, planned)) {
      createPossible = false;
      status =
          PlanUpdate(portfolioDir, UpdateRequestOf(sources, ImportOverlap::kKeep, false), planned);
    }
  }
  if (status != kOk) {
    prompt.ShowMessage(UpdateFailureText(status, planned, sources, kChooseInPreview));
    return;
  }
  UpdatePreviewDialog dialog(portfolioDir, planned, createPossible, context.window);
  if (context.runDialog(dialog) != QDialog::Accepted) return;

  UpdateRequest request = UpdateRequestOf(sources, dialog.Overlap(), dialog.Create());
  QProgressDialog progress(QStringLiteral("Writing the data files..."), QStringLiteral("Cancel"),
                           0, 1, context.window);
  progress.setObjectName(QStringLiteral("updateProgress"));
  progress.setWindowTitle(QStringLiteral("Update Portfolio"));
  // Wide enough for the title beside the frame's buttons, which the text alone is not.
  const QFontMetrics metrics = progress.fontMetrics();
  progress.setMinimumWidth(metrics.horizontalAdvance(progress.windowTitle()) +
                           10 * metrics.height());
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  request.progress = [&progress](int done, int total) {
    progress.setMaximum(total);
    progress.setValue(done);
    QCoreApplication::processEvents();
    return !progress.wasCanceled();
  };
  UpdateResult result;
  {
    WaitCursor wait(prompt);
    const NameNextChange words("Update " + std::to_string(sources.series.size()) +
                               " series from " + paths.front());
    status = UpdatePortfolio(portfolioDir, request, result);
  }
  progress.reset();
  const bool written = status == kOk || status == kUpdateIndexBehind;
  if (written) browser.FillSymbolsGrid(browser.State().symbols.currentRow);
  context.refresh();
  if (status != kOk) {
    prompt.ShowMessage(UpdateFailureText(status, result, sources, kChooseInPreview));
    return;
  }
  prompt.ShowMessage(UpdateTotalsLine(result) + ".", MessageIcon::Information);
}

void InstallUpdateCommands(const CommandContext& context, const RegisterCommand& registerCommand) {
  registerCommand(command::kPortfolioUpdate,
                  [context] { UpdateFromSources(context, ChooseSources(context, false)); });
  registerCommand(command::kPortfolioUpdateFolder,
                  [context] { UpdateFromSources(context, ChooseSources(context, true)); });
  if (!context.window) return;
  if (auto* grid = context.window->findChild<QAbstractScrollArea*>(QStringLiteral("symbolsGrid"))) {
    grid->setAcceptDrops(true);
    grid->viewport()->setAcceptDrops(true);
    grid->viewport()->installEventFilter(new DropOnSymbols(context, grid->viewport()));
  }
}

}  // namespace voltrim
