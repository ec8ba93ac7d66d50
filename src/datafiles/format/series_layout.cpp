#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>

#include "datafiles/format/series.h"
#include "datafiles/io/file_ops.h"
#include "datafiles/io/portfolio_files.h"
#include "datafiles/io/regular_file.h"

namespace voltrim {

namespace {

// fgets with a 300-byte buffer: a longer line goes on as a further line.
constexpr std::size_t kDopLineLimit = 299;

constexpr const char* kKeywords[kFieldKindCount] = {"DATE", "TIME",  "OPEN", "HIGH",
                                                    "LOW",  "CLOSE", "VOL",  "OI"};

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (UpperAscii(text[i]) != prefix[i]) return false;
  return true;
}

// The keyword a field name starts with, tried in layout order; -1 when none.
int KeywordOf(std::string_view name) {
  for (int k = 0; k < kFieldKindCount; ++k)
    if (StartsWithIgnoringCase(name, kKeywords[k])) return k;
  return -1;
}

// Reads an integer like atoi (blanks, sign, digits; the rest ignored), kept within 16 bits.
std::int16_t ReadCode(std::string_view item) {
  std::size_t i = 0;
  while (i < item.size() && (item[i] == ' ' || item[i] == '\t')) ++i;
  bool negative = false;
  if (i < item.size() && (item[i] == '-' || item[i] == '+')) negative = item[i++] == '-';
  long value = 0;
  while (i < item.size() && item[i] >= '0' && item[i] <= '9') {
    value = value * 10 + (item[i++] - '0');
    if (value > std::numeric_limits<std::int16_t>::max())
      value = std::numeric_limits<std::int16_t>::max();
  }
  return static_cast<std::int16_t>(negative ? -value : value);
}

// One DOP line that starts with a double quote: comma-separated items, the first being
// the field name between double quotes.
struct DopLine {
  std::string_view name;
  std::vector<std::string_view> codes;  // the items after the name
};

DopLine SplitDopLine(std::string_view line) {
  DopLine result;
  const auto firstComma = line.find(',');
  const std::string_view first = line.substr(
      1, firstComma == std::string_view::npos ? std::string_view::npos : firstComma - 1);
  result.name = first.substr(0, first.find('"'));
  if (firstComma == std::string_view::npos) return result;
  std::string_view tail = line.substr(firstComma + 1);
  while (true) {
    const auto comma = tail.find(',');
    result.codes.push_back(tail.substr(0, comma));
    if (comma == std::string_view::npos) break;
    tail.remove_prefix(comma + 1);
  }
  return result;
}

void SetInferred(ColumnLayout& layout, std::initializer_list<Field> fields) {
  std::int16_t position = 0;
  for (const Field f : fields) layout[f].position = ++position;
}

// kOk with the text, kFileNotFound when there is no such file, kDamagedFile when the name
// is not a regular file or cannot be read.
Status ReadFilePrefix(const std::string& path, std::size_t limit, std::string& out, bool& tooLong) {
  if (!ReadSmallRegularFile(path, true, limit, out))
    return errno == ENOENT ? kFileNotFound : kDamagedFile;
  tooLong = out.size() > limit;
  return kOk;
}

// The DAT file beside a DOP path: its last two characters replaced by "AT", in any case.
std::string SiblingDatPath(const std::string& dopPath) {
  std::string dat = dopPath;
  if (dat.size() >= 2) dat.replace(dat.size() - 2, 2, "AT");
  const std::filesystem::path p(dat);
  if (file_ops::Exists(dat)) return dat;
  return ResolveInDirectory(p.parent_path().string(), p.filename().string());
}

}  // namespace

Status ParseDopText(std::string_view text, ColumnLayout& out) {
  out = ColumnLayout{};
  std::int16_t position = 0;
  while (!text.empty()) {
    std::size_t length = std::min(text.size(), kDopLineLimit);
    const auto newline = text.substr(0, length).find('\n');
    if (newline != std::string_view::npos) length = newline + 1;
    std::string_view line = text.substr(0, length);
    text.remove_prefix(length);
    // The line is a C string: it ends at its first NUL.
    line = line.substr(0, line.find('\0'));
    if (line.empty() || line.front() != '"') continue;

    const DopLine parsed = SplitDopLine(line);
    const int keyword = KeywordOf(parsed.name);
    if (keyword < 0) continue;
    if (parsed.codes.size() < 2) return kDamagedFile;
    // Positions past what a record can hold are refused later; keep the count from wrapping.
    if (position < std::numeric_limits<std::int16_t>::max()) ++position;
    ColumnField& field = out.fields[static_cast<std::size_t>(keyword)];
    field.position = position;
    field.inputFormat = ReadCode(parsed.codes[0]);
    field.displayFormat = ReadCode(parsed.codes[1]);
  }
  return kOk;
}

Status InferColumnLayout(int recordLength, const std::uint8_t* firstQuote, ColumnLayout& out,
                         bool intraday) {
  out = ColumnLayout{};
  using enum Field;
  // Intraday series keep the bar's time second; without it, the time would read as Open
  // and an edit of Open would overwrite it.
  if (intraday && recordLength == 28) {
    SetInferred(out, {Date, Time, Open, High, Low, Close, Vol});
    return kOk;
  }
  if (intraday && recordLength == 32) {
    SetInferred(out, {Date, Time, Open, High, Low, Close, Vol, Oi});
    return kOk;
  }
  switch (recordLength) {
    case 8:
      SetInferred(out, {Date, Close});
      return kOk;
    case 12:
      SetInferred(out, {Date, Close, Vol});
      return kOk;
    case 16:
      SetInferred(out, {Date, High, Low, Close});
      return kOk;
    case 24:
      SetInferred(out, {Date, Open, High, Low, Close, Vol});
      return kOk;
    case 28:
      SetInferred(out, {Date, Open, High, Low, Close, Vol, Oi});
      return kOk;
    case 20: {
      // An unreadable first quote (an empty series) reads as zeros.
      const float second = firstQuote ? MbfToIeee(firstQuote + 4) : 0.0f;
      const float fifth = firstQuote ? MbfToIeee(firstQuote + 16) : 0.0f;
      if (fifth == 0.0f || fifth > 2.0f * second)
        SetInferred(out, {Date, High, Low, Close, Vol});
      else
        SetInferred(out, {Date, Open, High, Low, Close});
      return kOk;
    }
    default:
      return kNoLayout;
  }
}

Status ReadColumnLayout(const std::string& dopPath, int recordLength, ColumnLayout& out,
                        bool intraday) {
  return ReadColumnLayoutOf(dopPath, SiblingDatPath(dopPath), recordLength, out, intraday);
}

namespace {

// The layout from a DOP read (its status and text), or inferred when there is no DOP file.
Status LayoutFromDop(Status dop, const std::string& text, bool tooLong,
                     const std::string& dataPath, int recordLength, ColumnLayout& out,
                     bool intraday) {
  if (dop == kOk) return tooLong ? kDamagedFile : ParseDopText(text, out);
  // Only a DOP file that is not there is inferred; one that cannot be read is damage.
  if (dop != kFileNotFound) return dop;
  if (recordLength != 20) return InferColumnLayout(recordLength, nullptr, out, intraday);

  const RegularStream dat = OpenRegularStream(dataPath);
  if (!dat) return kNoLayout;
  std::uint8_t records[40];
  const bool haveQuote = std::fread(records, 1, sizeof records, dat.get()) == sizeof records;
  return InferColumnLayout(20, haveQuote ? records + 20 : nullptr, out, intraday);
}

}  // namespace

Status ReadColumnLayoutOf(const std::string& dopPath, const std::string& dataPath, int recordLength,
                          ColumnLayout& out, bool intraday) {
  out = ColumnLayout{};
  std::string text;
  bool tooLong = false;
  const Status dop = ReadFilePrefix(dopPath, kMaxDopFileBytes, text, tooLong);
  return LayoutFromDop(dop, text, tooLong, dataPath, recordLength, out, intraday);
}

Status ReadSeriesColumnLayout(const std::string& directory, int fileNumber,
                              const std::string& dataPath, int recordLength, ColumnLayout& out,
                              bool intraday, std::string& dopPath) {
  out = ColumnLayout{};
  // The exact name is read straight away, with no look before; the folder is listed for
  // another spelling only when that name is not there.
  const std::string name = DopFileName(fileNumber);
  dopPath = WithTrailingSeparator(directory) + name;
  thread_local std::string text;
  bool tooLong = false;
  Status dop = ReadFilePrefix(dopPath, kMaxDopFileBytes, text, tooLong);
  if (dop == kFileNotFound) {
    std::string resolved = ResolveInDirectory(directory, name);
    if (resolved != dopPath) {
      dopPath = std::move(resolved);
      dop = ReadFilePrefix(dopPath, kMaxDopFileBytes, text, tooLong);
    }
  }
  const Status layout = LayoutFromDop(dop, text, tooLong, dataPath, recordLength, out, intraday);
  // A real DOP file is small; the memory of an outsized one is not kept.
  if (text.capacity() > 64 * 1024) std::string().swap(text);
  return layout;
}

Status CheckColumnLayout(const ColumnLayout& layout, int fieldCount) {
  if (!layout.Has(Field::Date)) return kDamagedFile;
  for (const ColumnField& field : layout.fields)
    if (field.position < 0 || field.position > fieldCount) return kDamagedFile;
  return kOk;
}

}  // namespace voltrim
