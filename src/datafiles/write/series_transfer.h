#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/format/master.h"
#include "datafiles/format/master_image.h"
#include "datafiles/format/xmaster.h"
#include "datafiles/status.h"

namespace voltrim {

// What the writes that take series out of an index file or into another portfolio share:
// the move, copy and delete of one symbol and of many.

// The series a move or copy takes, whichever index file lists it: what the destination's
// MASTER, EMASTER or XMASTER gets for it, and where its files are.
struct TransferredSeries {
  MasterRecord master;                // every byte but the file number goes to MASTER
  std::vector<std::uint8_t> emaster;  // EMASTER's record of it; empty: made from MASTER's
  std::vector<std::uint8_t> xmaster;  // XMASTER's record of it; empty: it cannot go there
  std::string directory;              // the folder of its files
  std::string dataFile;               // F<old>.DAT or F<old>.MWD
  int oldNumber = 0;
  IndexFile index = IndexFile::kMaster;  // the index file listing it at the source
};

// A MASTER series as a move or copy takes it: its EMASTER record (keeping its long name at
// the destination) and the XMASTER record a full destination would give it.
Status MasterSeriesToTransfer(const MasterRecord& record, std::string_view sourceDir,
                              TransferredSeries& out);
// An XMASTER series (the record at index of image) as a move or copy takes it: its own
// XMASTER record, and the MASTER and EMASTER records a destination with room gives it (the
// long name kept in EMASTER's).
TransferredSeries XmasterSeriesToTransfer(const XmasterImage& image, int index,
                                          std::string_view sourceDir);

// MASTER without the records drop selects, into out; the file numbers of the records kept
// go to kept. The header counts the records written and its highest file number drops by
// the number removed, as the two are kept in step. Returns the removed records' numbers.
std::vector<int> MasterWithoutRecords(const MasterImage& master,
                                      const std::function<bool(const std::uint8_t*)>& drop,
                                      std::vector<std::uint8_t>& out, std::set<int>& kept);

// MASTER with records appended after the counted ones (anything stored past them kept at
// the end), both header fields raised by their number.
std::vector<std::uint8_t> MasterWithRecordsAppended(const MasterImage& master,
                                                    const std::vector<MasterBytes>& records);

// The file numbers the records of a MASTER use (records beyond the count too, since their
// files may be on disk); 0 always counts as used.
std::array<bool, 256> UsedMasterNumbers(const MasterImage& master);
// The lowest number of 1 to 255 not used; 0 when none is free.
int LowestFreeFileNumber(const std::array<bool, 256>& used);

// Removes F<n>.DAT (F<n>.MWD with mwd), .DOP and .BAK of the numbers no record kept uses,
// without syncing the folder. False when a file is still there afterwards.
bool RemoveSeriesFiles(const std::string& directory, const std::vector<int>& numbers,
                       const std::set<int>& kept, bool mwd);

}  // namespace voltrim
