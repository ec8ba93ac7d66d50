#include "browser/ui/browser_view.h"

#include <algorithm>

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "browser/browser_columns.h"
#include "browser/ui/grid_models.h"
#include "browser/ui/grid_view.h"
#include "browser/ui/path_list.h"
#include "discovery/ui/scan_progress_box.h"
#include "widgets/dialog_units.h"
#include "widgets/qt_text.h"

namespace voltrim {
namespace {

// The window is shown, empty, before the first scan begins.
constexpr int kSetupDelayMs = 100;
// A run of arrow presses in the symbols grid loads the quotes only where it stops.
constexpr int kSymbolRestMs = 250;

// Widths are stored in the window system's pixels (see PixelScale).
template <std::size_t N>
void ApplyWidths(GridView& grid, const std::array<int, N>& stored, const PixelScale& scale) {
  for (std::size_t column = 0; column < N; ++column) {
    grid.setColumnWidth(static_cast<int>(column), scale.ToShown(stored[column]));
  }
}

template <std::size_t N>
std::array<int, N> StoredWidths(const GridView& grid, const PixelScale& scale) {
  std::array<int, N> widths{};
  for (std::size_t column = 0; column < N; ++column) {
    widths[column] = scale.ToStored(grid.columnWidth(static_cast<int>(column)));
  }
  return widths;
}

// The height of a grid that shows its header and this many rows.
int GridHeight(const GridView& grid, int rows) {
  return grid.horizontalHeader()->sizeHint().height() +
         rows * grid.verticalHeader()->defaultSectionSize() + 2 * grid.frameWidth();
}

QGroupBox* Group(const char* title, QWidget* parent) {
  auto* group = new QGroupBox(QString::fromLatin1(title), parent);
  return group;
}

}  // namespace

BrowserView::BrowserView(SettingsStore& settings, UserPrompt& prompt, BrowserPlatform platform,
                         QWidget* parent)
    : QScrollArea(parent),
      settings_(settings),
      browser_(std::make_unique<Browser>(settings, prompt, std::move(platform))) {
  setObjectName(QStringLiteral("browserView"));
  setFrameShape(QFrame::NoFrame);
  setWidgetResizable(true);
  symbolRest_ = new QTimer(this);
  symbolRest_->setSingleShot(true);
  symbolRest_->setInterval(kSymbolRestMs);
  connect(symbolRest_, &QTimer::timeout, this, &BrowserView::SymbolSelectionRested);
  BuildForm();
  ConnectEvents();
  browser_->SetObserver(this);
  browser_->RunScansInBackground();
  drives_->setEnabled(false);
}

BrowserView::~BrowserView() {
  browser_->SetObserver(nullptr);
  delete progressBox_.data();
}

void BrowserView::BuildForm() {
  form_ = new QWidget(this);
  form_->setObjectName(QStringLiteral("browserForm"));

  QGroupBox* portfoliosGroup = Group("Portfolios", form_);
  drives_ = new QComboBox(portfoliosGroup);
  drives_->setObjectName(QStringLiteral("driveList"));
  drives_->setMinimumWidth(DialogUnits(*this, 96, 0).width());
  drives_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  portfolios_ = new PathList(portfoliosGroup);
  portfolios_->setObjectName(QStringLiteral("portfolioList"));
  portfolios_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto* portfoliosLayout = new QVBoxLayout(portfoliosGroup);
  portfoliosLayout->addWidget(drives_, 0, Qt::AlignLeft);
  portfoliosLayout->addWidget(portfolios_, 1);

  QGroupBox* symbolsGroup = Group("Symbols", form_);
  symbolFilter_ = new SymbolFilterField(symbolsGroup);
  symbolsGrid_ = new GridView(symbolsGroup);
  symbolsGrid_->setObjectName(QStringLiteral("symbolsGrid"));
  symbolsGrid_->AllowManyRows();
  symbolsModel_ = new SymbolsModel(browser_->State(), this);
  symbolsGrid_->setModel(symbolsModel_);
  // A click on a column's header sorts by it; the third click brings the files' order back.
  symbolsGrid_->horizontalHeader()->setSectionsClickable(true);
  symbolsGrid_->horizontalHeader()->setSortIndicatorShown(false);
  auto* symbolsLayout = new QVBoxLayout(symbolsGroup);
  symbolsLayout->addWidget(symbolFilter_);
  symbolsLayout->addWidget(symbolsGrid_);

  QGroupBox* quotesGroup = Group("Quotes", form_);
  quotesGrid_ = new GridView(quotesGroup);
  quotesGrid_->setObjectName(QStringLiteral("quotesGrid"));
  quotesModel_ = new QuotesModel(browser_->State(), this);
  quotesGrid_->setModel(quotesModel_);
  auto* quotesLayout = new QVBoxLayout(quotesGroup);
  quotesLayout->addWidget(quotesGrid_);

  // A few rows of each list at least; the splitters share the rest as the user drags them.
  for (GridView* grid : {symbolsGrid_, quotesGrid_}) grid->setMinimumHeight(GridHeight(*grid, 3));
  portfolios_->setMinimumHeight(portfolios_->fontMetrics().height() * 3 +
                                2 * portfolios_->frameWidth());

  // The three boxes keep the form's arrangement: portfolios and symbols side by side above
  // the quotes. The boundary below them moves; the quotes (and what is added below them)
  // take what the window gains.
  auto* upper = new QWidget(form_);
  upper->setObjectName(QStringLiteral("browserUpper"));
  auto* upperLayout = new QHBoxLayout(upper);
  upperLayout->setContentsMargins(0, 0, 0, 0);
  upperLayout->addWidget(portfoliosGroup, 10);
  upperLayout->addWidget(symbolsGroup, 9);
  lower_ = new QSplitter(Qt::Vertical, form_);
  lower_->setObjectName(QStringLiteral("chartSplitter"));
  lower_->setChildrenCollapsible(false);
  lower_->addWidget(quotesGroup);
  splitter_ = new QSplitter(Qt::Vertical, form_);
  splitter_->setObjectName(QStringLiteral("browserSplitter"));
  splitter_->setChildrenCollapsible(false);
  splitter_->addWidget(upper);
  splitter_->addWidget(lower_);
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);
  auto* layout = new QVBoxLayout(form_);
  layout->addWidget(splitter_);

  setWidget(form_);
  form_->installEventFilter(this);
  symbolsGrid_->installEventFilter(this);
  WatchWithQuotes(quotesGrid_);
  WatchWithQuotes(quotesGrid_->viewport());
}

void BrowserView::AddBelowQuotes(QWidget* widget) {
  lower_->addWidget(widget);
  lower_->setStretchFactor(0, 3);
  lower_->setStretchFactor(lower_->indexOf(widget), 2);
}

void BrowserView::ConnectEvents() {
  connect(drives_, &QComboBox::activated, this, [this](int index) {
    browser_->OnDriveChanged(index);
    Q_EMIT stateChanged();
  });
  connect(portfolios_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    browser_->OnPortfolioSelected(row);
    Q_EMIT stateChanged();
  });
  connect(symbolsGrid_, &GridView::rowSelected, this, [this](int place) {
    browser_->OnSymbolRowSelected(State().symbolOrder.TableRow(place));
    if (browser_->QuotesBehindSelection()) {
      symbolRest_->start();
    } else {
      symbolRest_->stop();
    }
    Q_EMIT stateChanged();
  });
  connect(symbolsGrid_, &GridView::selectedRowsChanged, this, [this] {
    ReportSymbolSelection();
    Q_EMIT stateChanged();
  });
  // Enter loads the current symbol's quotes, as a click does.
  const auto loadQuotes = [this] {
    symbolRest_->stop();
    browser_->OnSymbolsGridClicked();
    Q_EMIT stateChanged();
  };
  connect(symbolsGrid_, &GridView::gridClicked, this, loadQuotes);
  // On a sub-folder's row Enter and a double-click open that folder's portfolio.
  connect(symbolsGrid_, &GridView::enterPressed, this, [this, loadQuotes] {
    if (browser_->OpenCurrentSubfolder()) {
      Q_EMIT stateChanged();
    } else {
      loadQuotes();
    }
  });
  connect(symbolsGrid_, &GridView::doubleClicked, this, [this] {
    if (browser_->OpenCurrentSubfolder()) Q_EMIT stateChanged();
  });
  connect(symbolFilter_, &QLineEdit::textChanged, this, [this](const QString& text) {
    // Also when the browser cleared the filter for another portfolio: nothing to redo.
    if (text.toStdString() == State().symbolOrder.filter) return;
    browser_->SetSymbolFilter(text.toStdString());
    ShowSymbolOrder();
  });
  connect(symbolFilter_, &SymbolFilterField::firstRowWanted, this,
          &BrowserView::GoToFirstSymbolShown);
  connect(symbolsGrid_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
    browser_->SortSymbolsBy(column);
    ShowSymbolOrder();
  });
  connect(quotesGrid_, &GridView::rowSelected, this, [this](int row) {
    browser_->OnQuoteRowSelected(row);
    Q_EMIT stateChanged();
  });
}

bool BrowserView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == form_ && event->type() == QEvent::Paint) StartSetupTimer();
  // Escape clears the filter also from the grid, where Down or Enter left the field.
  if (watched == symbolsGrid_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !symbolFilter_->text().isEmpty()) {
    symbolFilter_->clear();
    return true;
  }
  if (watched == splitter_ && event->type() == QEvent::Resize && firstHeights_ &&
      splitter_->height() > 0) {
    ApplyFirstHeights();
  }
  const QEvent::Type type = event->type();
  if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick ||
       type == QEvent::KeyPress || type == QEvent::Wheel) &&
      std::find(quotesSide_.begin(), quotesSide_.end(), watched) != quotesSide_.end()) {
    CatchUpQuotes();
  }
  return QScrollArea::eventFilter(watched, event);
}

void BrowserView::WatchWithQuotes(QWidget* widget) {
  quotesSide_.push_back(widget);
  widget->installEventFilter(this);
}

bool BrowserView::CatchUpQuotes() {
  symbolRest_->stop();
  if (!browser_->LoadSelectedQuotes()) return false;
  Q_EMIT stateChanged();
  return true;
}

void BrowserView::ReportSymbolSelection() {
  std::vector<int> rows;
  for (const int place : symbolsGrid_->SelectedRows())
    rows.push_back(State().symbolOrder.TableRow(place));
  browser_->OnSymbolRowsSelected(std::move(rows));
}

void BrowserView::ShowSymbolOrder() {
  symbolsModel_->Reload();
  const BrowserState& state = State();
  const int place = state.symbolOrder.PlaceOf(state.symbols.currentRow);
  if (place >= 0) symbolsGrid_->SelectRow(place, true);
  // Another filter or order starts the selection again from the current row.
  ReportSymbolSelection();
  QHeaderView* header = symbolsGrid_->horizontalHeader();
  header->setSortIndicatorShown(state.symbolOrder.sortColumn >= 0);
  header->setSortIndicator(state.symbolOrder.sortColumn,
                           state.symbolOrder.descending ? Qt::DescendingOrder : Qt::AscendingOrder);
  Q_EMIT stateChanged();
}

void BrowserView::GoToFirstSymbolShown() {
  if (State().symbolOrder.ShownCount() == 0) return;
  symbolsGrid_->setFocus(Qt::OtherFocusReason);
  symbolsGrid_->SelectRow(0, true);
  symbolRest_->stop();
  browser_->OnSymbolsGridClicked();
  Q_EMIT stateChanged();
}

void BrowserView::SymbolSelectionRested() {
  // A fill under way (its box runs the event loop) finishes first; the load waits its turn.
  if (browser_->Filling()) {
    symbolRest_->start();
    return;
  }
  CatchUpQuotes();
}

void BrowserView::StartSetupTimer() {
  if (setupStarted_) return;
  setupStarted_ = true;
  QTimer::singleShot(kSetupDelayMs, this, &BrowserView::SetUp);
}

void BrowserView::SetUp() {
  const PixelScale scale = Scale();
  SetUpSymbolColumns(scale);
  const int quotesWidth = scale.ToStored(quotesGrid_->viewport()->width());
  ApplyWidths(*quotesGrid_, LoadQuoteColumnWidths(settings_, quotesWidth), scale);
  const int fitted = quotesGrid_->fontMetrics().horizontalAdvance(QStringLiteral("00:00:00")) +
                     2 * quotesGrid_->style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
  timeWidth_ = scale.ToShown(LoadTimeColumnWidth(settings_, quotesWidth, scale.ToStored(fitted)));
  CaptureQuoteWidths();
  setUp_ = true;
  browser_->ChooseInitialDrive();
  Q_EMIT stateChanged();
}

// Symbol and Name as the settings say, sharing what the dates and the file leave.
void BrowserView::SetUpSymbolColumns(const PixelScale& scale) {
  const int width = scale.ToStored(symbolsGrid_->viewport()->width());
  const QFontMetrics metrics = symbolsGrid_->fontMetrics();
  const int fitted = std::max(metrics.horizontalAdvance(QStringLiteral("Last Date")),
                              metrics.horizontalAdvance(QStringLiteral("F65535.MWD"))) +
                     2 * symbolsGrid_->style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
  const SymbolDetailWidths detail =
      LoadSymbolDetailWidths(settings_, width, scale.ToStored(fitted));
  // Never so little that a symbol of ten letters is cut: the grid scrolls sideways instead.
  const int least =
      scale.ToStored(metrics.horizontalAdvance(QString(10, QLatin1Char('X')))) * 20 / 9;
  const int rest = std::max(width - detail[0] - detail[1] - detail[2], least);
  ApplyWidths(*symbolsGrid_, LoadSymbolColumnWidths(settings_, rest), scale);
  for (std::size_t i = 0; i < detail.size(); ++i)
    symbolsGrid_->setColumnWidth(static_cast<int>(i) + 2, scale.ToShown(detail[i]));
}

void BrowserView::SaveColumnWidths() {
  if (!setUp_) return;
  const PixelScale scale = Scale();
  CaptureQuoteWidths();
  QuoteColumnWidths quotes{};
  for (std::size_t i = 0; i < quotes.size(); ++i) quotes[i] = scale.ToStored(quoteWidths_[i]);
  const std::array<int, kSymbolColumnCount> symbols =
      StoredWidths<kSymbolColumnCount>(*symbolsGrid_, scale);
  voltrim::SaveColumnWidths(settings_, {symbols[0], symbols[1]}, quotes);
  SaveSymbolDetailWidths(settings_, {symbols[2], symbols[3], symbols[4]});
  SaveTimeColumnWidth(settings_, scale.ToStored(timeWidth_));
}

namespace {

// The grid column of Date .. Open Interest: Time, when shown, comes second.
int QuoteSection(std::size_t column, bool timeShown) {
  return static_cast<int>(column) + (timeShown && column > 0 ? 1 : 0);
}

}  // namespace

void BrowserView::CaptureQuoteWidths() {
  const bool timeShown = quotesModel_->TimeShown();
  for (std::size_t i = 0; i < quoteWidths_.size(); ++i) {
    quoteWidths_[i] = quotesGrid_->columnWidth(QuoteSection(i, timeShown));
  }
  if (timeShown) timeWidth_ = quotesGrid_->columnWidth(1);
}

void BrowserView::ApplyQuoteWidths() {
  const bool timeShown = quotesModel_->TimeShown();
  // Open Interest, the last column, takes what the others leave, with or without Time.
  for (std::size_t i = 0; i + 1 < quoteWidths_.size(); ++i) {
    quotesGrid_->setColumnWidth(QuoteSection(i, timeShown), quoteWidths_[i]);
  }
  if (timeShown) quotesGrid_->setColumnWidth(1, timeWidth_);
}

void BrowserView::ReloadQuotes(int rows) {
  const bool switches = setUp_ && quotesModel_->TimeShown() != State().quotes.hasTime;
  if (switches) CaptureQuoteWidths();
  quotesModel_->Reload(rows);
  if (switches) ApplyQuoteWidths();
}

void BrowserView::RestorePaneHeights(const PixelScale& scale) {
  const PaneHeights stored = LoadPaneHeights(settings_);
  // The part below takes what the window has beyond the heights stored; the splitters
  // keep each part at least at its smallest.
  if (stored.upper > 0 && stored.quotes > 0) {
    const int below = scale.ToShown(stored.quotes) + scale.ToShown(stored.chart);
    splitter_->setSizes({scale.ToShown(stored.upper), below});
  } else {
    // Chosen once the window's height is known (ApplyFirstHeights).
    firstHeights_ = true;
    splitter_->installEventFilter(this);
  }
  if (stored.quotes > 0 && stored.chart > 0 && lower_->count() > 1) {
    lower_->setSizes({scale.ToShown(stored.quotes), scale.ToShown(stored.chart)});
  }
}

void BrowserView::ApplyFirstHeights() {
  firstHeights_ = false;
  // Ten rows of symbols, but no more than two fifths of the height: the quotes and the
  // chart get the rest.
  QWidget* symbolsGroup = symbolsGrid_->parentWidget();
  const int frame = symbolsGroup->sizeHint().height() - symbolsGrid_->sizeHint().height();
  const int total = splitter_->height();
  const int upper = std::min(frame + GridHeight(*symbolsGrid_, 10), total * 2 / 5);
  splitter_->setSizes({upper, total - upper});
}

void BrowserView::SavePaneHeights() {
  if (!setUp_) return;
  const PixelScale scale = Scale();
  const QList<int> upper = splitter_->sizes();
  const QList<int> lower = lower_->sizes();
  PaneHeights heights;
  heights.upper = scale.ToStored(upper.value(0));
  heights.quotes = scale.ToStored(lower.value(0));
  // A hidden chart keeps the height it had when it was last shown.
  heights.chart = lower.size() > 1 && lower_->widget(1)->isVisible()
                      ? scale.ToStored(lower.value(1))
                      : LoadPaneHeights(settings_).chart;
  voltrim::SavePaneHeights(settings_, heights);
}

void BrowserView::ShowScanProgress(const QString& path, int found) {
  if (progressBox_) progressBox_->ShowProgress(path, found);
}

void BrowserView::DrivesChanged() {
  const BrowserState& state = browser_->State();
  const QSignalBlocker blocker(drives_);
  drives_->clear();
  for (const std::string& drive : state.drives) drives_->addItem(PathText(drive));
  drives_->setCurrentIndex(state.driveSelection);
  Q_EMIT stateChanged();
}

void BrowserView::PortfoliosChanged() {
  const BrowserState& state = browser_->State();
  const QSignalBlocker blocker(portfolios_);
  QStringList paths;
  for (const std::string& dir : state.portfolios) paths.append(PathText(dir));
  portfolios_->SetPaths(paths);
  portfolios_->setCurrentRow(state.portfolioSelection);
  if (state.portfolioSelection < 0) portfolios_->clearSelection();
  portfolios_->repaint();
  Q_EMIT stateChanged();
}

void BrowserView::SymbolsChanged() {
  const BrowserState& state = State();
  // The browser clears the filter for another portfolio.
  if (symbolFilter_->text().toStdString() != state.symbolOrder.filter)
    symbolFilter_->setText(QString::fromStdString(state.symbolOrder.filter));
  symbolsModel_->Reload();
  const int place = state.symbolOrder.PlaceOf(state.symbols.currentRow);
  if (place >= 0) {
    symbolsGrid_->SelectRow(place, true);
    symbolsGrid_->setFocus();
  }
  ReportSymbolSelection();
  symbolsGrid_->repaint();
  Q_EMIT stateChanged();
}

void BrowserView::QuotesChanged() {
  ReloadQuotes();
  const int row = browser_->State().quotes.currentRow;
  if (browser_->State().quotes.HasRow(row)) quotesGrid_->SelectRow(row, false);
  Q_EMIT quotesChanged();
  Q_EMIT stateChanged();
}

void BrowserView::QuotesPartlyLoaded(int rowsSoFar) {
  ReloadQuotes(rowsSoFar);
  quotesGrid_->repaint();
}

void BrowserView::RevealCurrentQuote() {
  const int row = browser_->State().quotes.currentRow;
  if (row >= 0 && row < quotesModel_->rowCount()) {
    quotesGrid_->scrollTo(quotesModel_->index(row, 0), QAbstractItemView::PositionAtCenter);
  }
}

void BrowserView::TitleChanged() { Q_EMIT stateChanged(); }

void BrowserView::ScanStarted() {
  delete progressBox_.data();
  progressBox_ = new ScanProgressBox(window());
  progressBox_->ShowProgress(QString(), 0);
  progressBox_->show();
  // The browser ignores another drive while it walks; the list says so.
  drives_->setEnabled(false);
  Q_EMIT stateChanged();
}

void BrowserView::ScanFinished() {
  drives_->setEnabled(true);
  Q_EMIT stateChanged();
  if (!progressBox_) return;
  progressBox_->hide();
  progressBox_->deleteLater();
  progressBox_ = nullptr;
}

}  // namespace voltrim
