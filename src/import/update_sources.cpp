#include "import/update_sources.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <system_error>

#include "datafiles/io/replace_file.h"
#include "import/import_command.h"

namespace voltrim {

namespace {

// Collects the series of every source, by symbol text as the sources spell it.
class Collector {
 public:
  explicit Collector(UpdateSources& out) : out_(out) {}

  bool ReadPath(const std::string& path, std::string& message) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return ReadFolder(path, message);
    return ReadSymbolFile(path, message);
  }

 private:
  bool ReadBytes(const std::string& path, std::string& text, std::string& message) {
    std::vector<std::uint8_t> bytes;
    const Status read = ReadWholeFile(path, bytes, kMaxImportFileBytes);
    if (read == kDamagedFile) {
      message = path + " cannot be read for the update: it is larger than 64 MB." + kNothingChanged;
      return false;
    }
    if (read != kOk) {
      message = path + " cannot be read." + kNothingChanged;
      return false;
    }
    text.assign(bytes.begin(), bytes.end());
    return true;
  }

  bool Refuse(const std::string& path, const ImportTextError& error, std::string& message) {
    if (error.line == 0) {
      message = path + " cannot be read for the update: " + error.reason + "." + kNothingChanged;
    } else {
      message = path + " cannot be read for the update.\n\nLine " + std::to_string(error.line) +
                ": " + error.reason + "." + kNothingChanged;
    }
    return false;
  }

  // The series of symbol, made on its first appearance.
  std::size_t SeriesOf(const std::string& symbol) {
    const auto hit = index_.find(symbol);
    if (hit != index_.end()) return hit->second;
    out_.series.emplace_back();
    out_.series.back().symbol = symbol;
    out_.series.back().given[FieldSlot(Field::Date)] = true;
    out_.fieldNames.emplace_back();
    out_.ignored.emplace_back();
    present_.emplace_back();
    index_.emplace(symbol, out_.series.size() - 1);
    return out_.series.size() - 1;
  }

  int LineId(int file, int line) {
    out_.lines.push_back({file, line});
    return static_cast<int>(out_.lines.size());
  }

  void NoteColumns(std::size_t s, const ImportText& text) {
    for (int f = 0; f < kFieldKindCount; ++f) {
      std::string& name = out_.fieldNames[s][static_cast<std::size_t>(f)];
      if (name.empty()) name = text.fieldNames[static_cast<std::size_t>(f)];
    }
    for (const std::string& column : text.ignored) {
      std::vector<std::string>& ignored = out_.ignored[s];
      if (std::find(ignored.begin(), ignored.end(), column) == ignored.end())
        ignored.push_back(column);
    }
  }

  // D daily, W weekly, M monthly; I or a number of minutes intraday; 0 for anything else.
  static char PeriodicityOf(const std::string& cell) {
    if (cell.size() == 1) {
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(cell[0])));
      if (c == 'D' || c == 'W' || c == 'M' || c == 'I') return c;
    }
    const bool minutes = !cell.empty() && std::all_of(cell.begin(), cell.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; });
    return minutes && cell != "0" ? 'I' : 0;
  }

  bool ReadSymbolFile(const std::string& path, std::string& message) {
    std::string bytes;
    if (!ReadBytes(path, bytes, message)) return false;
    return ReadSymbolText(path, bytes, message);
  }

  // A source of many symbols already in memory, named path in messages.
 public:
  bool ReadSymbolText(const std::string& path, std::string_view bytes, std::string& message) {
    ImportText text;
    ImportTextError error;
    if (!ParseSymbolImportText(bytes, text, error)) return Refuse(path, error, message);
    const int file = static_cast<int>(out_.files.size());
    out_.files.push_back(path);
    for (std::size_t q = 0; q < text.quotes.size(); ++q) {
      const std::size_t s = SeriesOf(text.symbols[q]);
      if (present_[s].empty()) NoteColumns(s, text);
      UpdateSeriesRequest& series = out_.series[s];
      ImportQuote quote = text.quotes[q];
      const int line = quote.line;
      if (!text.periods.empty()) {
        const char per = PeriodicityOf(text.periods[q]);
        if (per == 0) {
          error.line = line;
          error.reason = "\"" + text.periods[q] + "\" is not a periodicity (D, W, M, I or minutes)";
          return Refuse(path, error, message);
        }
        if (series.periodicity != 0 && series.periodicity != per) {
          error.line = line;
          error.reason = "the periodicity of " + series.symbol + " changes from " +
                         series.periodicity + " to " + per;
          return Refuse(path, error, message);
        }
        if (series.periodicity == 0) series.periodicityLine = LineId(file, line);
        series.periodicity = per;
      }
      quote.line = LineId(file, line);
      series.quotes.push_back(quote);
      present_[s].push_back(text.present[q]);
    }
    return true;
  }

 private:
  bool ReadFolder(const std::string& folder, std::string& message) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      // Index symbols begin with a dot (.DJX), so names with one are not passed over.
      if (!entry.is_regular_file(error)) continue;
      files.push_back(entry.path());
    }
    if (error) {
      message = folder + " cannot be read." + kNothingChanged;
      return false;
    }
    std::sort(files.begin(), files.end());
    std::map<std::string, std::string> bySymbol;
    for (const std::filesystem::path& path : files) {
      const std::string symbol = path.stem().string();
      const auto [hit, fresh] = bySymbol.emplace(symbol, path.string());
      if (!fresh) {
        message = hit->second + " and " + path.string() + " both hold quotes of " + symbol + "." +
                  kNothingChanged;
        return false;
      }
      std::string bytes;
      if (!ReadBytes(path.string(), bytes, message)) return false;
      ImportText text;
      ImportTextError parse;
      if (!ParseImportText(bytes, text, parse)) return Refuse(path.string(), parse, message);
      const int file = static_cast<int>(out_.files.size());
      out_.files.push_back(path.string());
      const std::size_t s = SeriesOf(symbol);
      NoteColumns(s, text);
      std::uint8_t bits = 0;
      for (int f = 0; f < kFieldKindCount; ++f)
        if (text.given[static_cast<std::size_t>(f)]) bits |= static_cast<std::uint8_t>(1u << f);
      for (ImportQuote quote : text.quotes) {
        quote.line = LineId(file, quote.line);
        out_.series[s].quotes.push_back(quote);
        present_[s].push_back(bits);
      }
    }
    return true;
  }

 public:
  // Each symbol's lines must all give the fields any of them gives, as in an import.
  bool CheckGivenFields(std::string& message) {
    for (std::size_t s = 0; s < out_.series.size(); ++s) {
      UpdateSeriesRequest& series = out_.series[s];
      std::uint8_t given = 0;
      for (const std::uint8_t p : present_[s]) given |= p;
      for (int f = 1; f < kFieldKindCount; ++f)
        series.given[static_cast<std::size_t>(f)] = (given & (1u << f)) != 0;
      for (std::size_t q = 0; q < present_[s].size(); ++q) {
        const auto lacking = static_cast<std::uint8_t>(given & ~present_[s][q] & ~1u);
        if (lacking == 0) continue;
        int f = 1;
        while ((lacking & (1u << f)) == 0) ++f;
        const auto [file, line] = out_.lines[static_cast<std::size_t>(series.quotes[q].line - 1)];
        ImportTextError error;
        error.line = line;
        error.reason = static_cast<Field>(f) == Field::Time
                           ? "no time, where other lines of " + series.symbol + " have one"
                           : "no value in column " +
                                 out_.fieldNames[s][static_cast<std::size_t>(f)] +
                                 ", where other lines of " + series.symbol + " have one";
        return Refuse(out_.files[static_cast<std::size_t>(file)], error, message);
      }
    }
    return true;
  }

 private:
  UpdateSources& out_;
  std::map<std::string, std::size_t> index_;
  std::vector<std::vector<std::uint8_t>> present_;  // per series, per quote: fields given
};

}  // namespace

std::string UpdateLinePlace(const UpdateSources& sources, int line) {
  if (line < 1 || static_cast<std::size_t>(line) > sources.lines.size()) return "?";
  const auto [file, number] = sources.lines[static_cast<std::size_t>(line - 1)];
  return sources.files[static_cast<std::size_t>(file)] + " line " + std::to_string(number);
}

bool ReadUpdateSources(const std::vector<std::string>& paths, UpdateSources& out,
                       std::string& message) {
  out = UpdateSources{};
  message.clear();
  Collector collector(out);
  for (const std::string& path : paths) {
    if (!collector.ReadPath(path, message)) return false;
  }
  if (out.series.empty()) {
    message = "The sources hold no quotes." + std::string(kNothingChanged);
    return false;
  }
  return collector.CheckGivenFields(message);
}

bool ReadUpdateText(const std::string& name, std::string_view text, UpdateSources& out,
                    std::string& message) {
  out = UpdateSources{};
  message.clear();
  Collector collector(out);
  if (!collector.ReadSymbolText(name, text, message)) return false;
  return collector.CheckGivenFields(message);
}

}  // namespace voltrim
