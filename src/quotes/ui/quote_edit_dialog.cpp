#include "quotes/ui/quote_edit_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "browser/browser.h"
#include "prompt/user_prompt.h"
#include "quotes/bar_commands.h"
#include "quotes/entry_fields.h"
#include "quotes/ui/date_entry_field.h"
#include "quotes/ui/entry_limits.h"
#include "quotes/ui/numeric_entry_field.h"
#include "text/time_text.h"
#include "widgets/qt_text.h"

namespace voltrim {

namespace {

constexpr std::array<const char*, 6> kValueLabels = {
    "Open:", "High:", "Low:", "Close:", "Volume:", "Open Interest:"};
constexpr std::array<const char*, 6> kValueNames = {"open",  "high",   "low",
                                                    "close", "volume", "openInterest"};

}  // namespace

QuoteEditDialog::QuoteEditDialog(Browser& browser, UserPrompt& prompt, QWidget* parent)
    : QDialog(parent), browser_(browser), prompt_(prompt) {
  setWindowTitle(QStringLiteral("Edit Selected Quote"));
  setObjectName(QStringLiteral("quoteEditDialog"));
  const auto beep = [&prompt] { prompt.Beep(BeepKind::Default); };

  auto* fields = new QGridLayout;
  date_ = new QLabel(this);
  date_->setObjectName(QStringLiteral("date"));
  fields->addWidget(new QLabel(QStringLiteral("Date:"), this), 0, 0);
  fields->addWidget(date_, 0, 1);
  int firstValueRow = 1;
  if (browser_.State().quotes.hasTime) {
    time_ = new TimeEntryField(QString(), beep, this);
    time_->setObjectName(QStringLiteral("time"));
    time_->setMaxLength(kTimeFieldChars);
    auto* label = new QLabel(QStringLiteral("Time:"), this);
    label->setBuddy(time_);
    fields->addWidget(label, 1, 0);
    fields->addWidget(time_, 1, 1, Qt::AlignLeft);
    firstValueRow = 2;
  }
  for (std::size_t i = 0; i < values_.size(); ++i) {
    auto* field = new NumericEntryField(kEditValueMaxChars, beep, this);
    field->setObjectName(QLatin1String(kValueNames[i]));
    field->setMinimumWidth(FieldWidthFor(*field, kEditValueMaxChars));
    auto* label = new QLabel(QLatin1String(kValueLabels[i]), this);
    label->setBuddy(field);
    const int row = static_cast<int>(i) + firstValueRow;
    fields->addWidget(label, row, 0);
    fields->addWidget(field, row, 1);
    values_[i] = field;
  }

  auto* navigation = new QHBoxLayout;
  previous_ = NavigationButton("Previous", "previous", QuoteNavigation::Previous);
  next_ = NavigationButton("Next", "next", QuoteNavigation::Next);
  first_ = NavigationButton("First", "first", QuoteNavigation::First);
  last_ = NavigationButton("Last", "last", QuoteNavigation::Last);
  for (QPushButton* button : {previous_, next_, first_, last_}) navigation->addWidget(button);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QuoteEditDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QuoteEditDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(navigation);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  Load();
}

QPushButton* QuoteEditDialog::NavigationButton(const char* label, const char* name,
                                               QuoteNavigation button) {
  auto* push = new QPushButton(QLatin1String(label), this);
  push->setObjectName(QLatin1String(name));
  push->setAutoDefault(false);  // Enter stays with OK
  connect(push, &QPushButton::clicked, this, [this, button] { Step(button); });
  return push;
}

void QuoteEditDialog::Load() {
  const QuoteTable& quotes = browser_.State().quotes;
  const int row = quotes.currentRow;
  loaded_.date = quotes.CellText(row, 0);
  date_->setText(DataText(loaded_.date));
  if (time_) {
    loaded_.time = quotes.TimeText(row);
    time_->SetTime(DataText(loaded_.time));
  }
  for (std::size_t i = 0; i < values_.size(); ++i) {
    loaded_.values[i] = quotes.CellText(row, static_cast<int>(i) + 1);
    values_[i]->setText(DataText(loaded_.values[i]));
  }
  const QuoteNavigationEnabled enabled = NavigationEnabled(row, quotes.RowCount());
  previous_->setEnabled(enabled.previous);
  next_->setEnabled(enabled.next);
  first_->setEnabled(enabled.first);
  last_->setEnabled(enabled.last);
}

void QuoteEditDialog::Step(QuoteNavigation button) {
  const QuoteTable& quotes = browser_.State().quotes;
  browser_.OnQuoteRowSelected(Navigate(button, quotes.currentRow, quotes.RowCount()));
  Load();
}

QuoteEditInput QuoteEditDialog::Input() const {
  QuoteEditInput input;
  input.loaded = loaded_;
  input.entered.date = loaded_.date;
  for (std::size_t i = 0; i < values_.size(); ++i) {
    input.entered.values[i] = DataText(values_[i]->text());
  }
  if (time_) input.entered.time = DataText(time_->text());
  return input;
}

void QuoteEditDialog::accept() {
  if (!EntriesWithinLimits({values_[0], values_[1], values_[2], values_[3], values_[4], values_[5]},
                           prompt_)) {
    return;
  }
  // Values that contradict each other are asked about once; No returns to the fields.
  const BrowserState& state = browser_.State();
  const QuoteTable& quotes = state.quotes;
  // A new time must keep the bar between its neighbours, or the file would be out of order.
  if (time_ && quotes.HasRow(quotes.currentRow)) {
    const std::optional<PackedTime> newTime = ParseTimeText(DataText(time_->text()));
    const std::optional<std::string> problem =
        newTime ? NewTimeProblem(BarsOf(quotes), quotes.currentRow, *newTime) : std::nullopt;
    if (problem) {
      prompt_.ShowMessage(*problem);
      time_->setFocus();
      return;
    }
  }
  if (quotes.HasRow(quotes.currentRow)) {
    const Quote& stored = quotes.rows[static_cast<std::size_t>(quotes.currentRow)];
    const QuoteValues after = ValuesAfterEdit(
        Input(), stored, HeldValueFields(state.portfolioDir, quotes.loadedSymbol, stored));
    if (const std::optional<std::string> question = ContradictionQuestion(after)) {
      if (!prompt_.AskYesNo(*question)) return;
    }
  }
  QDialog::accept();
}

}  // namespace voltrim
