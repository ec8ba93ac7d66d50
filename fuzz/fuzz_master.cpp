// MASTER parsing and the symbol lookup over untrusted MASTER bytes, from memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "datafiles/format/master.h"

namespace {

// Serves the input as the portfolio's MASTER and as the MASTER of every first-level
// subdirectory, so that entries, nesting and the lookup rules all meet hostile bytes.
class InputMasters : public voltrim::MasterSource {
 public:
  InputMasters(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  voltrim::Status Load(const std::string& directory, voltrim::MasterFile& out) const override {
    if (Depth(directory) > 2) return voltrim::kFileNotFound;
    return voltrim::ParseMasterBytes(data_, size_, out);
  }

  std::string Identity(const std::string& directory) const override { return directory; }

  std::string SubdirectoryPath(const std::string& directory,
                               const std::string& name) const override {
    return directory + name;
  }

 private:
  static std::size_t Depth(const std::string& directory) {
    std::size_t slashes = 0;
    for (const char c : directory)
      if (c == '/') ++slashes;
    return slashes;
  }

  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // First byte: length of the search text that follows; the rest is the MASTER.
  const std::size_t textLength = std::min<std::size_t>(data[0] % 20, size - 1);
  const std::string text(reinterpret_cast<const char*>(data + 1), textLength);
  const std::uint8_t* master = data + 1 + textLength;
  const std::size_t masterSize = size - 1 - textLength;

  voltrim::MasterFile file;
  if (voltrim::ParseMasterBytes(master, masterSize, file) == voltrim::kOk) {
    for (const auto& record : file.records) {
      (void)record.Name();
      (void)record.SubdirectoryName();
      (void)record.FirstDate();
      (void)record.LastDate();
      (void)voltrim::RecordMatches(record, text);
    }
  }
  const InputMasters source(master, masterSize);
  voltrim::FoundSymbol found;
  const voltrim::Status status = voltrim::FindSymbolIn(source, "p", text, found);
  if (status == voltrim::kOk && found.directory.empty()) __builtin_trap();
  return 0;
}
