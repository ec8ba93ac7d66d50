#pragma once

#include "datafiles/io/change_journal.h"
#include "settings/settings_store.h"

namespace voltrim {

// The undo history's limits as the settings give them: at least twenty changes are kept
// (a smaller number reads as twenty), and a budget of at least one megabyte.
UndoHistoryLimits UndoLimitsFrom(const SettingsStore& settings);

// Sets the limits from the user's settings file, read only (for the programs that keep no
// settings of their own: voltrim-cli and the Python module).
void ApplyUserUndoLimits();

}  // namespace voltrim
