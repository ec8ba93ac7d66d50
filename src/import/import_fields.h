#pragma once

// The import reader's lines and fields: a text split into lines, a line into its fields.
// Inline: the quick reading of a line keeps them in registers.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace voltrim::import_reading {

inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

inline std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

inline std::size_t LineFeeds(std::string_view text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// About the number of lines, with an eighth to spare: those of the text's first 64 KB, the
// rest taken to be alike, as counting them all costs a pass over the text.
inline std::size_t LinesAbout(std::string_view text) {
  constexpr std::size_t kSample = std::size_t{1} << 16;
  if (text.size() <= kSample) return LineFeeds(text) + 1;
  const std::size_t sampled = LineFeeds(text.substr(0, kSample)) + 1;
  const std::size_t lines = sampled * (text.size() / kSample + 1);
  return lines + lines / 8;
}

// What a character is to the reading of a line.
enum CharKind : std::uint8_t { kOrdinary, kDelimiter, kLineEnd, kQuoteOrBlank };
using CharKinds = std::array<std::uint8_t, 256>;

inline bool IsFieldEnd(std::uint8_t kind) { return kind == kDelimiter || kind == kLineEnd; }

inline CharKinds KindsFor(char delimiter) {
  CharKinds kinds{};
  for (const char c : {'"', ' ', '\t'}) kinds[static_cast<unsigned char>(c)] = kQuoteOrBlank;
  // Blanks as the delimiter come in runs, which SplitFields takes as one.
  if (delimiter != ' ') kinds[static_cast<unsigned char>(delimiter)] = kDelimiter;
  kinds['\r'] = kLineEnd;
  kinds['\n'] = kLineEnd;
  return kinds;
}

// Splits the text into lines; CR LF, LF and CR each end one.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : rest_(text) {
    if (rest_.substr(0, 3) == "\xEF\xBB\xBF") rest_.remove_prefix(3);
  }
  bool Next(std::string_view& line, int& number) {
    if (rest_.empty()) return false;
    // A plain scan: find_first_of tests each character against the set one call at a time.
    std::size_t end = 0;
    while (end < rest_.size() && rest_[end] != '\r' && rest_[end] != '\n') ++end;
    TakeLine(end, line, number);
    return true;
  }
  // The same, splitting the line at the delimiter in the one pass over it: a line is read
  // once. plain is false when the line holds a quote or a blank, which SplitFields then
  // handles (fields are left unfinished).
  bool NextSplit(const CharKinds& kinds, std::string_view& line, int& number,
                 std::vector<std::string_view>& fields, bool& plain) {
    if (rest_.empty()) return false;
    fields.clear();
    plain = true;
    const char* text = rest_.data();
    const std::size_t size = rest_.size();
    std::size_t start = 0;
    std::size_t end = 0;
    for (; end < size; ++end) {
      const std::uint8_t kind = kinds[static_cast<unsigned char>(text[end])];
      if (kind == kOrdinary) continue;
      if (kind == kLineEnd) break;
      if (kind == kDelimiter) {
        fields.emplace_back(text + start, end - start);
        start = end + 1;
      } else {
        plain = false;
      }
    }
    fields.emplace_back(text + start, end - start);
    TakeLine(end, line, number);
    return true;
  }

  // What is left of the text, from the start of the next line.
  std::string_view Rest() const { return rest_; }

  // The line is rest_'s first end characters; its line end is passed over.
  void TakeLine(std::size_t end, std::string_view& line, int& number) {
    line = rest_.substr(0, end);
    if (end == rest_.size()) {
      rest_ = {};
    } else {
      const bool crlf = rest_[end] == '\r' && end + 1 < rest_.size() && rest_[end + 1] == '\n';
      rest_.remove_prefix(end + (crlf ? 2 : 1));
    }
    number = ++count_;
  }

 private:
  std::string_view rest_;
  int count_ = 0;
};

// Splits a line into its fields, each without surrounding blanks and quotes: views of the
// line itself, or of scratch for a quoted field (whose doubled quotes are made single).
// Nothing is allocated per field: the vector and scratch are reused from line to line.
inline void SplitFields(std::string_view line, char delimiter, std::vector<std::string_view>& out,
                        std::string& scratch) {
  out.clear();
  scratch.clear();
  // No field's text is longer than the line, so the views into scratch stay where they are.
  scratch.reserve(line.size());
  const bool blanks = delimiter == ' ';
  std::size_t at = 0;
  const auto skipBlanks = [&] {
    while (at < line.size() && IsBlank(line[at]) && line[at] != delimiter) ++at;
  };
  if (blanks) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size()) at = std::string_view::npos;
  }
  while (at != std::string_view::npos) {
    skipBlanks();
    const std::size_t quotedFrom = scratch.size();
    const bool quoted = at < line.size() && line[at] == '"';
    if (quoted) {
      for (++at; at < line.size(); ++at) {
        if (line[at] != '"') {
          scratch.push_back(line[at]);
        } else if (at + 1 < line.size() && line[at + 1] == '"') {
          scratch.push_back('"');
          ++at;
        } else {
          ++at;
          break;
        }
      }
    }
    const std::size_t end = blanks ? std::min(line.find_first_of(" \t", at), line.size())
                                   : std::min(line.find(delimiter, at), line.size());
    const std::string_view rest = Trim(line.substr(at, end - at));
    if (quoted) {
      scratch.append(rest);
      out.push_back(std::string_view(scratch).substr(quotedFrom));
    } else {
      out.push_back(rest);
    }
    at = end;
    if (blanks) {
      while (at < line.size() && IsBlank(line[at])) ++at;
      if (at == line.size()) at = std::string_view::npos;
    } else if (at == line.size()) {
      at = std::string_view::npos;
    } else {
      ++at;  // past the delimiter
    }
  }
}

inline char DelimiterOf(std::string_view line) {
  if (line.find('\t') != std::string_view::npos) return '\t';
  if (line.find(';') != std::string_view::npos) return ';';
  if (line.find(',') != std::string_view::npos) return ',';
  return ' ';
}

}  // namespace voltrim::import_reading
