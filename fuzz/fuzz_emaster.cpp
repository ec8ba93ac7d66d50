// EMASTER parsing, the mirror check and the mirrored changes over untrusted bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "datafiles/format/emaster.h"
#include "datafiles/format/master_image.h"
#include "datafiles/write/master_replace.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// MASTER without its first record, as a delete writes it.
Bytes WithoutFirstRecord(const Bytes& master) {
  voltrim::MasterImage image{master};
  Bytes out(master.begin(), master.begin() + voltrim::kMasterRecordSize);
  out.insert(out.end(), master.begin() + 2 * voltrim::kMasterRecordSize, master.end());
  voltrim::MasterImage result{out};
  result.SetHeaderField(voltrim::kHeaderRecordCount,
                        static_cast<std::int16_t>(image.RecordCount() - 1));
  return result.bytes;
}

// A mirrored change must leave an EMASTER that mirrors the new MASTER.
void CheckMirrored(const voltrim::EmasterImage& emaster, const Bytes& before, const Bytes& after) {
  Bytes changed;
  if (voltrim::MirrorMasterChange(emaster, before, after, changed) != voltrim::kOk) return;
  voltrim::EmasterImage result;
  if (voltrim::ParseEmasterBytes(changed.data(), changed.size(), result) != voltrim::kOk ||
      !voltrim::EmasterMirrors(result, after))
    __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  // Two bytes: the length of the MASTER that follows; the rest is the EMASTER.
  const std::size_t masterSize = std::min<std::size_t>(data[0] | (data[1] << 8), size - 2);
  const Bytes master(data + 2, data + 2 + masterSize);
  voltrim::EmasterImage emaster;
  if (voltrim::ParseEmasterBytes(data + 2 + masterSize, size - 2 - masterSize, emaster) !=
      voltrim::kOk)
    return 0;
  for (int i = 0; i < emaster.RecordCount(); ++i) {
    (void)voltrim::DecodeEmasterRecord(emaster.Record(i));
    (void)voltrim::EmasterSymbolText(emaster.Record(i));
  }
  voltrim::MasterImage image;
  image.bytes = master;
  if (!voltrim::EmasterMirrors(emaster, master) || image.RecordCount() < 1) return 0;

  CheckMirrored(emaster, master, WithoutFirstRecord(master));
  Bytes renamed = master;
  renamed[voltrim::kMasterRecordSize + voltrim::master_offset::kSymbol] = 'Q';
  CheckMirrored(emaster, master, renamed);
  Bytes appended = master;
  appended.resize(voltrim::MasterImage::Offset(image.RecordCount()));
  appended.insert(appended.end(), master.begin() + voltrim::kMasterRecordSize,
                  master.begin() + 2 * voltrim::kMasterRecordSize);
  voltrim::MasterImage grown{appended};
  grown.SetHeaderField(voltrim::kHeaderRecordCount,
                       static_cast<std::int16_t>(image.RecordCount() + 1));
  CheckMirrored(emaster, master, grown.bytes);
  return 0;
}
