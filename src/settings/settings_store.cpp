#include "settings/settings_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <fstream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "datafiles/format/ascii_case.h"
#include "settings/seed_file.h"
#include "settings/settings_text.h"

namespace voltrim {

namespace {

using settings_text::DecodeKeyPart;
using settings_text::EncodeKeyPart;

// Texts are single-byte; Latin-1 carries every byte through QString unchanged.
QString ToQ(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromQ(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The stored spelling among `candidates` that equals `wanted` without regard to case.
std::optional<QString> FindIgnoringCase(const QStringList& candidates, std::string_view wanted) {
  for (const QString& candidate : candidates) {
    if (EqualIgnoringAsciiCase(DecodeKeyPart(FromQ(candidate)), wanted)) return candidate;
  }
  return std::nullopt;
}

// The key under which (section, name) is stored: the exact spelling when present, else a
// stored case variant, else the exact spelling for a new value.
QString ResolveKey(QSettings& settings, std::string_view section, std::string_view name) {
  const QString exactGroup = ToQ(EncodeKeyPart(section));
  const QString exactName = ToQ(EncodeKeyPart(name));
  const QString exact = exactGroup + QLatin1Char('/') + exactName;
  if (settings.contains(exact)) return exact;
  const auto group = FindIgnoringCase(settings.childGroups(), section).value_or(exactGroup);
  settings.beginGroup(group);
  const auto key = FindIgnoringCase(settings.childKeys(), name).value_or(exactName);
  settings.endGroup();
  return group + QLatin1Char('/') + key;
}

// A writable root needs the file itself and its folder (for the lock and the atomic save).
bool CanWrite(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadWrite | QIODevice::Append)) return false;
  file.close();
  return QFileInfo(QFileInfo(path).absolutePath()).isWritable();
}

QString UserConfigFolder() {
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  // Never a folder at the file system's root when the home cannot be told.
  return base.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : base;
}

}  // namespace

SettingsStore::SettingsStore() = default;
SettingsStore::~SettingsStore() = default;

std::string SettingsStore::DefaultPath() {
  return (UserConfigFolder() + QStringLiteral("/Voltrim/Voltrim.conf")).toStdString();
}

std::string SettingsStore::DefaultSeedPath() { return "/etc/xdg/Voltrim.INI"; }

std::string SettingsStore::EarlierDefaultPath() {
  return (UserConfigFolder() + QStringLiteral("/Tolvane Software/Voltrim.conf")).toStdString();
}

void SettingsStore::CarryOver(const std::string& earlierPath, const std::string& path) {
  const QString to = QString::fromStdString(path);
  const QString from = QString::fromStdString(earlierPath);
  if (QFileInfo::exists(to) || !QFileInfo(from).isFile()) return;
  // copy() never replaces a file, so a second program starting at once changes nothing.
  if (QDir().mkpath(QFileInfo(to).absolutePath())) QFile::copy(from, to);
}

SettingsStore::OpenResult SettingsStore::OpenRoot(const std::string& path) {
  path_ = path;
  writable_ = false;
  settings_.reset();
  OpenResult result;
  const QString qpath = QString::fromStdString(path);
  const QFileInfo info(qpath);
  if (info.isDir()) return result;
  if (!info.exists() && QDir().mkpath(info.absolutePath())) {
    QFile file(qpath);
    // NewOnly: of two programs starting at once, only one seeds.
    result.created = file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
  }
  settings_ = std::make_unique<QSettings>(qpath, QSettings::IniFormat);
  writable_ = QFileInfo::exists(qpath) && CanWrite(qpath);
  result.ok = writable_;
  return result;
}

void SettingsStore::OpenForReading(const std::string& path) {
  path_ = path;
  writable_ = false;
  settings_.reset();
  const QString qpath = QString::fromStdString(path);
  if (QFileInfo(qpath).isFile())
    settings_ = std::make_unique<QSettings>(qpath, QSettings::IniFormat);
}

void SettingsStore::ImportIni(const std::string& seedPath) {
  std::ifstream in(seedPath, std::ios::binary);
  if (!in) return;
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (writable_ && settings_ && settings_->status() != QSettings::NoError) Reload();
  std::string section;
  for (const SeedLine& line : ParseSeedText(text)) {
    if (line.kind == SeedLine::Kind::Section) {
      if (!writable_ || !settings_) break;
      section = line.name;
      continue;
    }
    settings_->setValue(ResolveKey(*settings_, section, line.name),
                        ToQ(settings_text::UpToNul(line.value)));
  }
  if (writable_ && settings_) Flush();
}

int SettingsStore::GetInt(std::string_view section, std::string_view name, int defaultValue) const {
  std::string text;
  if (!Read(section, name, text)) return defaultValue;
  return settings_text::ParseLeadingInt(text).value_or(defaultValue);
}

bool SettingsStore::SetInt(std::string_view section, std::string_view name, int value) {
  return Write(section, name, std::to_string(value));
}

std::string SettingsStore::GetString(std::string_view section, std::string_view name,
                                     std::string_view defaultValue) const {
  std::string text;
  if (!Read(section, name, text)) return std::string(defaultValue);
  return text;
}

bool SettingsStore::SetString(std::string_view section, std::string_view name,
                              std::string_view value) {
  return Write(section, name, value);
}

bool SettingsStore::Read(std::string_view section, std::string_view name, std::string& text) const {
  if (!settings_) return false;
  const QVariant value = settings_->value(ResolveKey(*settings_, section, name));
  if (!value.isValid()) return false;
  // A hand-edited line with commas reads back as a list; its text is the items rejoined.
  if (value.typeId() == QMetaType::QStringList) {
    text = FromQ(value.toStringList().join(QLatin1Char(',')));
  } else if (value.canConvert<QString>()) {
    text = FromQ(value.toString());
  } else {
    return false;
  }
  if (!settings_text::FitsReadBuffer(text)) return false;
  text = std::string(settings_text::UpToNul(text));
  return true;
}

bool SettingsStore::SetInts(std::string_view section,
                            std::initializer_list<std::pair<std::string_view, int>> values) {
  std::vector<std::pair<std::string_view, std::string>> texts;
  for (const auto& [name, value] : values) texts.emplace_back(name, std::to_string(value));
  return WriteAll(section, texts);
}

bool SettingsStore::Write(std::string_view section, std::string_view name, std::string_view text) {
  return WriteAll(section, {{name, std::string(text)}});
}

bool SettingsStore::WriteAll(std::string_view section,
                             const std::vector<std::pair<std::string_view, std::string>>& values) {
  if (!writable_ || !settings_) return false;
  // QSettings keeps the first error it met; a fresh reader after a failure lets a later
  // write report its own outcome.
  if (settings_->status() != QSettings::NoError) Reload();
  std::vector<std::pair<QString, QVariant>> previous;
  for (const auto& [name, text] : values) {
    const QString key = ResolveKey(*settings_, section, name);
    previous.emplace_back(key, settings_->value(key));
    settings_->setValue(key, ToQ(settings_text::UpToNul(text)));
  }
  if (Flush()) return true;
  // Put back what the file still holds, so that reads keep showing the stored values.
  for (const auto& [key, value] : previous) {
    if (value.isValid()) {
      settings_->setValue(key, value);
    } else {
      settings_->remove(key);
    }
  }
  return false;
}

// Writes pending changes to disk now, so that a crash loses nothing already set.
bool SettingsStore::Flush() {
  const bool malformedBefore = settings_->status() == QSettings::FormatError;
  settings_->sync();
  const QSettings::Status status = settings_->status();
  // A file that did not parse keeps reporting so even after the save has rewritten it.
  return status == QSettings::NoError || (malformedBefore && status == QSettings::FormatError);
}

void SettingsStore::Reload() {
  settings_.reset();
  settings_ = std::make_unique<QSettings>(QString::fromStdString(path_), QSettings::IniFormat);
}

}  // namespace voltrim
