#include "quotes/edit_records.h"

#include "quotes/quote_edit.h"
#include "quotes/split_adjust.h"
#include "settings/settings_keys.h"
#include "settings/settings_store.h"

namespace voltrim {

void RecordQuoteEdit(SettingsStore& store, const QuoteEditTexts& entered) {
  static constexpr const char* kValueNames[] = {"Open", "Hi", "Lo", "Close", "Vol", "OI"};
  store.SetString(settings::kEdit, "Date", entered.date);
  for (std::size_t i = 0; i < entered.values.size(); ++i) {
    store.SetString(settings::kEdit, kValueNames[i], entered.values[i]);
  }
  if (!entered.time.empty()) store.SetString(settings::kEdit, settings::kTime, entered.time);
}

void RecordSplit(SettingsStore& store, const SplitTexts& entered) {
  store.SetString(settings::kSplit, "Date", entered.date);
  store.SetString(settings::kSplit, "New", entered.newShares);
  store.SetString(settings::kSplit, "Old", entered.oldShares);
}

void RecordAdjust(SettingsStore& store, const AdjustTexts& entered) {
  store.SetString(settings::kAdjust, "Date1", entered.fromDate);
  store.SetString(settings::kAdjust, "Date2", entered.toDate);
  store.SetString(settings::kAdjust, "PriceMult", entered.priceMultiplier);
  store.SetString(settings::kAdjust, "VolMult", entered.volumeMultiplier);
  store.SetString(settings::kAdjust, "OIMult", entered.openInterestMultiplier);
}

void RecordDeleteQuote(SettingsStore& store, const std::string& dateText,
                       const std::string& timeText) {
  store.SetString(settings::kDelete, "Date", dateText);
  if (!timeText.empty()) store.SetString(settings::kDelete, settings::kTime, timeText);
}

void RecordAddQuote(SettingsStore& store, const std::string& newDateText,
                    const std::string& newTimeText) {
  store.SetString(settings::kAdd, "Date", newDateText);
  if (!newTimeText.empty()) store.SetString(settings::kAdd, settings::kTime, newTimeText);
}

}  // namespace voltrim
