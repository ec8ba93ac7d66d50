#include "quotes/ui/typed_key.h"

#include <QKeyEvent>

namespace voltrim {

namespace {

constexpr char16_t kDeleteChar = 0x7f;        // what Delete types on some platforms
constexpr int kFirstSpecialKey = 0x01000000;  // Qt's codes of keys without a character

bool CtrlChord(const QKeyEvent& event) {
  const Qt::KeyboardModifiers mods = event.modifiers();
  // AltGr arrives as Ctrl+Alt on some systems and types ordinary characters.
  return mods.testFlag(Qt::ControlModifier) && !mods.testFlag(Qt::AltModifier) &&
         event.key() < kFirstSpecialKey;
}

}  // namespace

TypedKey ClassifyKey(const QKeyEvent& event) {
  if (CtrlChord(event)) return {TypedKey::Control, 0};
  const QString text = event.text();
  if (text.isEmpty()) return {};
  const char16_t code = text.at(0).unicode();
  if (code == kDeleteChar) return {};
  if (code < 32) return {TypedKey::Control, static_cast<char>(code)};
  if (code > 0xff) return {TypedKey::Printable, '\x7f'};
  return {TypedKey::Printable, static_cast<char>(code)};
}

}  // namespace voltrim
