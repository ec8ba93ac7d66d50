#include "datafiles/write/master_replace.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <utility>

#include "datafiles/format/emaster.h"
#include "datafiles/format/master_image.h"
#include "datafiles/io/replace_file.h"

namespace voltrim {

namespace {

using Record = std::vector<std::uint8_t>;

Record RecordAt(const EmasterImage& emaster, int index) {
  const std::uint8_t* at = emaster.Record(index);
  return Record(at, at + kEmasterRecordSize);
}

bool SameMasterRecord(const MasterImage& a, int i, const MasterImage& b, int j) {
  return std::memcmp(a.Record(i), b.Record(j), kMasterRecordSize) == 0;
}

// The EMASTER records for newMaster, each taken from the record describing the same MASTER
// record before the change. False when the change is not one the writes make.
bool MirroredRecords(const EmasterImage& emaster, const MasterImage& before,
                     const MasterImage& after, const AppendedEmasterRecords& appended,
                     std::vector<Record>& out) {
  const int n = before.RecordCount();
  const int m = after.RecordCount();
  if (m >= n) {
    // Records edited in place (the records of the same file number stay at their places),
    // then those appended.
    for (int i = 0; i < n; ++i) {
      if (before.Record(i)[master_offset::kFileNumber] !=
          after.Record(i)[master_offset::kFileNumber])
        return false;
      out.push_back(RecordAt(emaster, i));
      CarryMasterRecordChange(before.Record(i), after.Record(i), out.back().data());
    }
    for (int i = n; i < m; ++i) {
      const auto given = static_cast<std::size_t>(i - n);
      if (given < appended.size() && appended[given].size() == kEmasterRecordSize) {
        // The record the series had where it came from, under its new file number.
        out.push_back(appended[given]);
        out.back()[emaster_offset::kFileNumber] = after.Record(i)[master_offset::kFileNumber];
      } else {
        out.push_back(EmasterRecordFor(after.Record(i)));
      }
    }
    return true;
  }
  // Records removed: the rest keep their bytes and their order.
  int j = 0;
  for (int i = 0; i < m; ++i, ++j) {
    while (j < n && !SameMasterRecord(before, j, after, i)) ++j;
    if (j == n) return false;
    out.push_back(RecordAt(emaster, j));
  }
  return true;
}

Status ReplaceEmaster(const std::string& emasterPath, const std::vector<std::uint8_t>& content,
                      bool backup) {
  const std::filesystem::path path(emasterPath);
  ReplaceNames names;
  names.directory = path.parent_path().string();
  names.target = path.filename().string();
  names.temporary = "EMASTER.NEW";
  if (backup) names.backup = "EMASTER.BAK";
  return ReplaceFileContent(names, content);
}

}  // namespace

Status ReplaceMaster(const std::string& masterPath, const std::vector<std::uint8_t>& content,
                     std::string_view temporarySuffix, bool backup) {
  const std::filesystem::path path(masterPath);
  const std::string name = path.filename().string();
  // Companions of a MASTER spelled in another case still take the canonical spelling.
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string stem = upper == "MASTER" ? upper : name;
  ReplaceNames names;
  names.directory = path.parent_path().string();
  names.target = name;
  names.temporary = stem + std::string(temporarySuffix);
  if (backup) names.backup = stem + ".BAK";
  return ReplaceFileContent(names, content);
}

Status MirrorMasterChange(const EmasterImage& emaster, const std::vector<std::uint8_t>& oldMaster,
                          const std::vector<std::uint8_t>& newMaster,
                          std::vector<std::uint8_t>& out,
                          const AppendedEmasterRecords& appendedRecords) {
  if (!EmasterMirrors(emaster, oldMaster) || newMaster.size() < kMasterRecordSize)
    return kBadRequest;
  const MasterImage before{oldMaster};
  const MasterImage after{newMaster};
  std::vector<Record> records;
  if (!MirroredRecords(emaster, before, after, appendedRecords, records)) return kBadRequest;

  EmasterImage result;
  result.bytes.assign(emaster.bytes.begin(), emaster.bytes.begin() + kEmasterRecordSize);
  for (const Record& record : records)
    result.bytes.insert(result.bytes.end(), record.begin(), record.end());
  result.bytes.insert(result.bytes.end(),
                      emaster.bytes.begin() +
                          static_cast<std::ptrdiff_t>(EmasterImage::Offset(emaster.RecordCount())),
                      emaster.bytes.end());
  result.SetHeaderField(kHeaderRecordCount, static_cast<std::int16_t>(after.RecordCount()));
  // The highest file number moves as MASTER's did.
  const int moved =
      after.HeaderField(kHeaderHighestFileNumber) - before.HeaderField(kHeaderHighestFileNumber);
  result.SetHeaderField(kHeaderHighestFileNumber,
                        static_cast<std::int16_t>(
                            std::max(emaster.HeaderField(kHeaderHighestFileNumber) + moved, 0)));
  out = std::move(result.bytes);
  return kOk;
}

Status ReplaceMasterKeepingEmaster(const std::string& masterPath,
                                   const std::vector<std::uint8_t>& oldMaster,
                                   const std::vector<std::uint8_t>& newMaster,
                                   std::string_view temporarySuffix, bool backup,
                                   const AppendedEmasterRecords& appendedRecords) {
  const std::string directory = std::filesystem::path(masterPath).parent_path().string();
  const std::string emasterPath = EmasterPathIn(directory);
  EmasterImage emaster;
  const Status read = ReadEmasterImage(emasterPath, emaster);
  // An EMASTER that cannot be read now may mirror MASTER; writing MASTER alone could
  // part them, so nothing is written.
  if (read != kOk && read != kFileNotFound && read != kDamagedFile) return read;
  std::vector<std::uint8_t> mirrored;
  const bool keepInStep = read == kOk && EmasterMirrors(emaster, oldMaster);
  if (keepInStep) {
    const Status status =
        MirrorMasterChange(emaster, oldMaster, newMaster, mirrored, appendedRecords);
    if (status != kOk) return status;
  }
  const bool writeEmaster = keepInStep && mirrored != emaster.bytes;
  // EMASTER first: a crash before MASTER follows leaves an EMASTER that mirrors the new
  // MASTER, which the next run of the same write recognises and leaves as it is.
  if (writeEmaster) {
    const Status status = ReplaceEmaster(emasterPath, mirrored, true);
    if (status != kOk) return status;
  }
  const Status status = ReplaceMaster(masterPath, newMaster, temporarySuffix, backup);
  if (status != kOk && writeEmaster) (void)ReplaceEmaster(emasterPath, emaster.bytes, false);
  return status;
}

}  // namespace voltrim
