#pragma once

#include <QString>

#include <string>

namespace voltrim {

// Texts of the data files are single bytes: shown as Latin-1.
inline QString DataText(const std::string& text) { return QString::fromLatin1(text); }
inline std::string DataText(const QString& text) { return text.toLatin1().toStdString(); }

// File paths are the file system's own bytes (UTF-8 here), so a typed path finds its folder.
inline QString PathText(const std::string& path) { return QString::fromLocal8Bit(path); }
inline std::string PathText(const QString& path) { return path.toLocal8Bit().toStdString(); }

}  // namespace voltrim
