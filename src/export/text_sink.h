#pragma once

#include <cstddef>
#include <string_view>

namespace voltrim {

// Where text output goes: a file being replaced, standard output, or a test's string.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void Write(std::string_view text) = 0;
  // A sink that keeps its text in memory may lend room for at least `size` characters to
  // be written in place, saving a copy; Wrote then takes the first `used` of them. Null
  // when the sink takes text only through Write.
  virtual char* Room(std::size_t /*size*/) { return nullptr; }
  virtual void Wrote(std::size_t /*used*/) {}
};

// Lines of the text files the program writes end in CR LF on every platform.
inline constexpr std::string_view kLineEnd = "\r\n";

}  // namespace voltrim
