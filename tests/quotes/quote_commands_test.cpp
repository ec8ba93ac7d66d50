#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "datafiles/fixtures.h"
#include "datafiles/io/file_ops.h"
#include "quotes/add_delete.h"
#include "quotes/entry_fields.h"
#include "quotes/quote_command.h"
#include "quotes/quote_edit.h"
#include "quotes/quote_rules.h"
#include "quotes/split_adjust.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"
#include "support/recording_prompt.h"
#include "text/number_parse.h"

namespace voltrim::testing {
namespace {

// A portfolio holding ACME (its six quotes are listed with AcmeSeries) and a settings store.
class QuoteFixture {
 public:
  QuoteFixture() {
    Write(Dir(), AcmePortfolio());
    settings.OpenRoot((temp_.path() / "Voltrim.conf").string());
  }

  std::string Dir() const { return (temp_.path() / "p").string(); }
  Bytes Dat() const { return ReadFileBytes(temp_.path() / "p" / "F1.DAT"); }
  QuoteSeriesContext Context() const { return {Dir(), "ACME", 6, "01/03/00", "01/11/00"}; }
  QuoteCommandIo Io() { return {prompt, &settings}; }
  std::string Setting(const char* section, const char* name) const {
    return settings.GetString(section, name, "<none>");
  }

  TempDir temp_;
  RecordingPrompt prompt;
  SettingsStore settings;
};

TEST(AddQuote, TheNewDateIsTheWeekdayBeforeAndItsQuoteThatOfTheWeekdayAfter) {
  EXPECT_EQ(AddQuoteNewDateText("01/10/00"), "01/07/00");           // Monday -> Friday
  EXPECT_EQ(AddQuoteNewDateText("01/08/00"), "01/07/00");           // Saturday -> Friday
  EXPECT_EQ(AddQuoteSourceDay("01/07/00"), YmdToDay(2000, 1, 10));  // Friday -> Monday
}

// A field left as the grid rounds it, or holding no number, keeps its stored value; every
// quote of the day gets the new values. The refusals and their messages are checked through
// the CLI, which runs these functions; the question before a delete through the window.
TEST(QuoteEdit, OnlyChangedNumbersAreWrittenToEveryQuoteOfTheDayAndADeleteTakesTheFirst) {
  QuoteFixture f;
  QuoteEditInput input;
  input.loaded = {"01/04/00", {"13.0000", "14.0000", "12.5000", "13.5000", "2000", "N/A"}};
  input.entered = input.loaded;
  input.entered.values[1] = "N/A";    // High
  input.entered.values[2] = ".";      // Low
  input.entered.values[3] = "12.75";  // Close
  input.entered.values[4] = "1.5.2";  // Volume: reads 1.5
  const QuoteCommandOutcome outcome = RunQuoteEdit(f.Context(), input, f.Io());
  EXPECT_TRUE(outcome.succeeded && outcome.reloadGrid);
  EXPECT_TRUE(f.prompt.messages.empty());
  EXPECT_EQ(f.Dat(), DatWith(AcmeSeries(), [](auto& r) {
              r[1][4] = r[2][4] = 12.75f;  // Open stays 13 and 13.1
              r[1][5] = r[2][5] = 1.5f;
            }));
  EXPECT_EQ(f.Setting(settings::kEdit, "Lo"), ".");  // the texts as they stood

  // A value with no stored form is refused before anything is written or recorded.
  QuoteFixture g;
  input.entered.values[3] = "99999999999999999999999999999999999999999";
  EXPECT_FALSE(RunQuoteEdit(g.Context(), input, g.Io()).succeeded);
  EXPECT_EQ(g.prompt.MessageTexts(), std::vector<std::string>{"Single Date Edit Failed"});
  EXPECT_EQ(g.Dat(), BuildDatBytes(AcmeSeries()));
  EXPECT_EQ(g.Setting(settings::kEdit, "Date"), "<none>");

  // A delete removes the first quote of the day.
  const QuoteCommandOutcome deleted = RunDeleteQuote(g.Context(), "01/04/00", g.Io());
  EXPECT_TRUE(deleted.succeeded && deleted.reloadGrid);
  EXPECT_EQ(g.Dat(), DatWith(AcmeSeries(), [](auto& r) { r.erase(r.begin() + 1); }));
  EXPECT_EQ(g.Setting(settings::kDelete, "Date"), "01/04/00");
}

// A split restates every quote before its date, an adjust every quote of its range.
TEST(SplitAndAdjust, CheckTheirEntriesScaleTheirQuotesOnlyAndRecordTheTexts) {
  const auto scaled = [](std::size_t first, std::size_t last, float price, float volume) {
    return DatWith(AcmeSeries(), [=](auto& r) {
      for (std::size_t i = first; i <= last; ++i) {
        for (std::size_t field = 1; field <= 4; ++field) r[i][field] *= price;
        r[i][5] *= volume;
      }
    });
  };
  QuoteFixture f;
  ASSERT_TRUE(RunSplit(f.Context(), {"01/03/00", "1", "10"}, f.Io()).succeeded);
  EXPECT_EQ(f.Dat(), BuildDatBytes(AcmeSeries()));
  EXPECT_EQ(f.Setting(settings::kSplit, "Old"), "10");
  ASSERT_TRUE(RunSplit(f.Context(), {"01/06/00", "2", "1"}, f.Io()).succeeded);
  EXPECT_EQ(f.Dat(), scaled(0, 2, 0.5f, 2.0f));
  EXPECT_EQ(f.Setting(settings::kSplit, "Date"), "01/06/00");

  QuoteFixture g;
  ASSERT_TRUE(RunAdjust(g.Context(), {"01/04/00", "01/06/00", "2", "0.5", "3"}, g.Io()).succeeded);
  EXPECT_EQ(g.Dat(), scaled(1, 3, 2.0f, 0.5f));
  EXPECT_EQ(g.Setting(settings::kAdjust, "OIMult"), "3");
  // A failed write (here: a volume too large to store) writes nothing, and says so.
  EXPECT_FALSE(
      RunAdjust(g.Context(), {"01/03/00", "01/11/00", "1", "1e36", "1"}, g.Io()).succeeded);
  EXPECT_FALSE(RunSplit(g.Context(), {"01/06/00", "1e36", "1"}, g.Io()).succeeded);
  EXPECT_EQ(g.prompt.MessageTexts(),
            (std::vector<std::string>{"Adjust Edit Failed", "Split Edit Failed"}));
  EXPECT_EQ(g.Dat(), scaled(1, 3, 2.0f, 0.5f));

  // Dates within the series (both ends allowed), typed in full; multipliers nonzero numbers.
  const auto accepted = [&](const auto& check, const auto& texts) {
    RecordingPrompt prompt;
    const bool ok = check(texts, f.Context(), prompt);
    EXPECT_EQ(prompt.MessageTexts(),
              ok ? std::vector<std::string>{} : std::vector<std::string>{"Invalid Data Entered"});
    return ok;
  };
  const SplitTexts splits[] = {{"01/11/00", "2", "1"}, {"01/12/00", "2", "1"},
                               {"1/6/00", "2", "1"},   {"01/06/00", "0", "1"},
                               {"01/06/00", ".", "1"}, {"01/06/00", "2", ""}};
  // A reversed range and a negative open-interest multiplier pass.
  const AdjustTexts adjusts[] = {
      {"01/11/00", "01/03/00", "1", "1", "1"}, {"01/04/00", "01/04/00", "2", "1", "-1"},
      {"01/02/00", "01/11/00", "1", "1", "1"}, {"01/03/00", "01/11/00", "0", "1", "1"},
      {"01/03/00", "01/11/00", "1", "1", "x"}, {"01/03/0", "01/11/00", "0", "1", "1"}};
  std::string passed;
  for (const SplitTexts& t : splits) passed += accepted(CheckSplitEntries, t) ? "1" : "0";
  for (const AdjustTexts& t : adjusts) passed += accepted(CheckAdjustEntries, t) ? "1" : "0";
  EXPECT_EQ(passed, "100000110000");
}

// The data layer's sweeps prove the files stay whole at every failing step; here: what a
// command then says.
TEST(QuoteCommandFaults, APartlyDoneOrKeptOutWriteIsReportedWithItsMessage) {
  // A delete whose series was rewritten but whose MASTER dates could not follow says so.
  const Bytes before = BuildDatBytes(AcmeSeries());
  for (long k = 1;; ++k) {
    QuoteFixture g;
    file_ops::ArmFault(k, file_ops::FaultKind::kFail);
    const QuoteCommandOutcome outcome = RunDeleteQuote(g.Context(), "01/11/00", g.Io());
    const bool hit = file_ops::FaultHit();
    file_ops::DisarmFault();
    ASSERT_TRUE(hit) << "no partial failure found";
    if (outcome.succeeded || g.Dat() == before) continue;
    EXPECT_EQ(g.prompt.MessageTexts().back(),
              "The quote was deleted, but the first and last dates\nof the symbol in "
              "MASTER could not be updated.");
    EXPECT_TRUE(outcome.reloadGrid && outcome.partlyDone);  // deleting again takes another
    break;
  }

  // A write kept out by another program says so, instead of each command's own failure text.
  const LockWait shortWait(std::chrono::milliseconds(20));
  QuoteFixture h;
  const Bytes kept = h.Dat();
  {
    const FolderHolder other(h.Dir());
    QuoteEditInput input;
    input.entered.date = "01/06/00";
    input.entered.values[3] = "99";
    EXPECT_FALSE(RunQuoteEdit(h.Context(), input, h.Io()).succeeded);
    EXPECT_FALSE(RunSplit(h.Context(), {"01/06/00", "2", "1"}, h.Io()).succeeded);
    EXPECT_FALSE(RunAddQuote(h.Context(), "01/05/00", 2, h.Io()).succeeded);
    const QuoteCommandOutcome deleted = RunDeleteQuote(h.Context(), "01/11/00", h.Io());
    EXPECT_FALSE(deleted.succeeded || deleted.partlyDone);
  }
  EXPECT_EQ(h.prompt.MessageTexts(), std::vector<std::string>(4, kBusyText));
  EXPECT_EQ(h.Dat(), kept);
  EXPECT_EQ(h.Setting("Edit", "Date"), "<none>");  // no record of an edit that did not happen
}

constexpr std::array<bool, 6> kAllHeld = {true, true, true, true, true, true};

QuoteValues Values(float open, float high, float low, float close,
                   std::array<bool, 6> held = kAllHeld) {
  return {{open, high, low, close, 1000.0f, 0.0f}, held};
}

TEST(QuoteRulesTest, ValuesAloneFirstThenHighAgainstLowThenOpenAndCloseWithin) {
  const float inf = std::numeric_limits<float>::infinity();
  std::array<bool, 6> noOpen = kAllHeld, noLow = kAllHeld;
  noOpen[kOpenValue] = noLow[kLowValue] = false;
  const std::pair<QuoteValues, std::string> cases[] = {
      // "": nothing to ask
      {Values(10, 11, 9, 10.5f), ""},
      {Values(9, 11, 9, 11), ""},  // on the edges is within
      {Values(10, 8, 9, 10), "High is below Low.\n\nSave anyway?"},
      {Values(12, 11, 9, 8), "Open is above High.\nClose is below Low.\n\nSave anyway?"},
      {Values(12, 11, 9, 10, noOpen), ""},  // an open not held is not looked at
      {Values(10, 11, 20, 10, noLow), ""},  // nor a high without a low
      {Values(10, inf, 9, 10), "High is too large to store.\n\nSave anyway?"},
      // A value at fault alone hides the price comparisons, as in the check.
      {Values(-1, 8, 9, 10), "Open is below zero.\n\nSave anyway?"},
  };
  for (const auto& [values, question] : cases)
    EXPECT_EQ(ContradictionQuestion(values).value_or(""), question);
  const std::vector<QuoteRuleBreach> broken = BrokenQuoteRules(Values(12, 11, 9, 8));
  ASSERT_EQ(broken.size(), 2u);
  EXPECT_EQ(std::tuple(broken[0].rule, broken[1].field),
            std::tuple(QuoteRule::OutsideRange, kCloseValue));

  // The values after an edit are the changed ones over the stored.
  QuoteEditInput input;
  input.loaded.values = {"10.0000", "11.0000", "9.0000", "10.5000", "1000", "N/A"};
  input.entered = input.loaded;
  input.entered.values[kHighValue] = "8.5";
  input.entered.values[kCloseValue] = ".";  // no number: the stored close stays
  const Quote stored{0, 0, 10.00001f, 11, 9, 10.5f, 1000, 0};
  std::array<bool, 6> held = kAllHeld;
  held[kOiValue] = false;
  const QuoteValues after = ValuesAfterEdit(input, stored, held);
  // The open untouched: as stored, not as shown.
  EXPECT_EQ(std::tuple(after.value[kOpenValue], after.value[kHighValue], after.value[kCloseValue]),
            std::tuple(10.00001f, 8.5f, 10.5f));
  EXPECT_EQ(after.held, held);
  EXPECT_EQ(ContradictionQuestion(after), "High is below Low.\n\nSave anyway?");

  // The longest decimal prefix, rounded once to single precision, or nothing.
  const float infinite = std::numeric_limits<float>::infinity();
  const std::pair<const char*, std::optional<float>> typed[] = {
      {"1.5.2", 1.5f},       {"  12.25abc", 12.25f},
      {"1e3x", 1000.0f},     {"0x10", 0.0f},
      {"1e39", infinite},    {"0.0000000000000000000000000000000000000000000001", 0.0f},
      {"", std::nullopt},    {"N/A", std::nullopt},
      {"inf", std::nullopt}, {"nan", std::nullopt},
  };
  for (const auto& [text, value] : typed) EXPECT_EQ(ParseNumberText(text), value) << text;
}

// A number takes digits, the point and control keys only; a date's Tab is handed on (other
// keys are typed into the field itself in the window tests) and a longer text is cut.
TEST(EntryFields, NumbersTakeDigitsAndThePointAndADateHandsOnTab) {
  for (char c : std::string("0123456789.\b\x16")) EXPECT_TRUE(NumericFieldAcceptsChar(c)) << c;
  for (char c : std::string("-+eEa ,/\xE9")) EXPECT_FALSE(NumericFieldAcceptsChar(c)) << c;
  DateFieldState state = MakeDateFieldState("03/15/1999");
  EXPECT_EQ(state.text, "03/15/19");
  state.selectionStart = 1;
  state.selectionEnd = 2;
  EXPECT_EQ(DateFieldTypeChar(state, '\t'), DateKeyOutcome::PassOn);
  EXPECT_EQ(std::tuple(state.text, state.selectionStart, state.selectionEnd),
            std::tuple("03/15/19", 1, 2));
}

}  // namespace
}  // namespace voltrim::testing
