#include "settings/undo_settings.h"

#include <algorithm>

#include "settings/settings_keys.h"

namespace voltrim {

UndoHistoryLimits UndoLimitsFrom(const SettingsStore& store) {
  namespace k = settings;
  UndoHistoryLimits limits;
  limits.maxChanges =
      std::max(store.GetInt(k::kUndo, k::kUndoMaxChanges, k::kUndoMaxChangesDefault),
               k::kUndoMaxChangesLeast);
  const int megabytes =
      std::max(store.GetInt(k::kUndo, k::kUndoBudgetMB, k::kUndoBudgetMBDefault), 1);
  limits.budgetBytes = static_cast<std::uint64_t>(megabytes) << 20;
  return limits;
}

void ApplyUserUndoLimits() {
  SettingsStore store;
  store.OpenForReading(SettingsStore::DefaultPath());
  SetUndoHistoryLimits(UndoLimitsFrom(store));
}

}  // namespace voltrim
