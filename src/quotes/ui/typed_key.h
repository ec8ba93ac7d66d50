#pragma once

class QKeyEvent;

namespace voltrim {

// What a key press types, as the entry fields sort it.
struct TypedKey {
  enum Kind {
    Nothing,    // arrows, Home, End, Delete, Insert, modifier keys
    Control,    // Backspace, Enter, Escape, Ctrl chords such as the clipboard keys
    Printable,  // a character; one outside Latin-1 reads as '\x7f', which no field takes
  };
  Kind kind = Nothing;
  char character = 0;
};

TypedKey ClassifyKey(const QKeyEvent& event);

}  // namespace voltrim
