#pragma once

#include <string>

namespace voltrim {

class SettingsStore;
struct QuoteEditTexts;
struct SplitTexts;
struct AdjustTexts;

// The record of the last change of each kind, kept in the settings store as the texts
// stood in the dialog. Nothing reads them back; they are written after a successful
// rewrite only.
void RecordQuoteEdit(SettingsStore& store, const QuoteEditTexts& entered);
void RecordSplit(SettingsStore& store, const SplitTexts& entered);
void RecordAdjust(SettingsStore& store, const AdjustTexts& entered);
// A bar of a series with a time of day also records its time (as Time).
void RecordDeleteQuote(SettingsStore& store, const std::string& dateText,
                       const std::string& timeText = {});
void RecordAddQuote(SettingsStore& store, const std::string& newDateText,
                    const std::string& newTimeText = {});

}  // namespace voltrim
