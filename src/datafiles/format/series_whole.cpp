#include <cstdint>
#include <vector>

#include "datafiles/format/series.h"
#include "datafiles/io/portfolio_files.h"

namespace voltrim {

namespace {

// The most bytes of a data file a read uses: the header and the quotes it can count.
std::size_t CountableBytes(int recordLength) {
  return static_cast<std::size_t>(INT16_MAX) * static_cast<std::size_t>(recordLength);
}

// The layout from the DOP file, or inferred when there is none (20-byte records need the
// first quote, read as part of the data file's bytes).
Status WholeSeriesLayout(const FolderNames& folder, const WholeSeriesFiles& files,
                         const std::vector<std::uint8_t>* dataBytes, ColumnLayout& out,
                         std::string& dopPath, DeferredCloses* closes) {
  std::vector<std::uint8_t> dop;
  bool cut = false;
  const Status read =
      folder.ReadFile(files.dopName, kMaxDopFileBytes, dop, cut, true, closes, &dopPath);
  if (read == kOk) {
    if (cut) return kDamagedFile;
    return ParseDopText(std::string_view(reinterpret_cast<const char*>(dop.data()), dop.size()),
                        out);
  }
  // Only a DOP file that is not there is inferred; one that cannot be read is damage.
  if (read != kFileNotFound) return kDamagedFile;
  if (files.recordLength != 20)
    return InferColumnLayout(files.recordLength, nullptr, out, files.intraday);
  if (dataBytes == nullptr) return kNoLayout;
  const bool haveQuote = dataBytes->size() >= 40;
  return InferColumnLayout(20, haveQuote ? dataBytes->data() + 20 : nullptr, out, files.intraday);
}

}  // namespace

Status ReadWholeSeries(const FolderNames& folder, const WholeSeriesFiles& files,
                       SeriesLocation& out, std::vector<std::uint8_t>& bytes,
                       DeferredCloses* closes) {
  out.recordLength = files.recordLength;
  out.fieldCount = files.fieldCount;
  if (files.fieldCount < 1 || files.fieldCount > kMaxFieldCount ||
      files.recordLength != 4 * files.fieldCount) {
    out.datPath = folder.Resolve(files.dataName);
    out.dopPath = folder.Resolve(files.dopName);
    return kDamagedFile;
  }
  // Each read resolves its file's path as it finds the file: one look-up a file.
  bool cut = false;
  const bool dataRead = folder.ReadFile(files.dataName, CountableBytes(files.recordLength), bytes,
                                        cut, false, closes, &out.datPath) == kOk;
  const Status layout = WholeSeriesLayout(folder, files, dataRead ? &bytes : nullptr, out.layout,
                                          out.dopPath, closes);
  if (layout != kOk) return layout;
  if (const Status check = CheckColumnLayout(out.layout, out.fieldCount); check != kOk)
    return check;
  return dataRead ? kOk : kFileRead;
}

}  // namespace voltrim
