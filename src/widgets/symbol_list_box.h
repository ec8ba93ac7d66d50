#pragma once

#include <QListWidget>

#include <string>
#include <vector>

namespace voltrim {

// The symbols a command of many acts on, as its dialog lists them: one a line, read only, a
// few lines high and scrolled for more (object name "symbols").
QListWidget* SymbolListBox(const std::vector<std::string>& symbols, QWidget* parent);

}  // namespace voltrim
