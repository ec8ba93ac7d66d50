#include "settings/seed_file.h"

namespace voltrim {

namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsCSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsCSpace(text.back())) text.remove_suffix(1);
  return text;
}

// Splits the text the way a line read of at most kSeedReadChars characters would: a read
// ends after a newline or when the limit is reached. CR LF counts as one newline, as a
// text-mode read of a file written on Windows sees it.
std::vector<std::string> ReadPieces(std::string_view text) {
  std::vector<std::string> pieces;
  std::string piece;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    piece += c;
    if (c == '\n' || piece.size() == kSeedReadChars) {
      pieces.push_back(std::move(piece));
      piece.clear();
    }
  }
  if (!piece.empty()) pieces.push_back(std::move(piece));
  return pieces;
}

// A header begins with "[" and its first "]" is its last character.
bool IsSectionHeader(std::string_view line) {
  return !line.empty() && line.front() == '[' && line.find(']') == line.size() - 1;
}

}  // namespace

std::vector<SeedLine> ParseSeedText(std::string_view text) {
  std::vector<SeedLine> lines;
  bool inSection = false;
  for (const std::string& piece : ReadPieces(text)) {
    // A read line is a C string: a NUL byte ends it.
    const std::string_view line = Trim(std::string_view(piece).substr(0, piece.find('\0')));
    if (IsSectionHeader(line)) {
      lines.push_back(
          {SeedLine::Kind::Section, std::string(Trim(line.substr(1, line.size() - 2))), {}});
      inSection = true;
      continue;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos || !inSection) continue;
    lines.push_back({SeedLine::Kind::Value, std::string(line.substr(0, equals)),
                     std::string(line.substr(equals + 1))});
  }
  return lines;
}

}  // namespace voltrim
