#pragma once

#include <string_view>

namespace voltrim {

// Where text output goes: a file being replaced, standard output, or a test's string.
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void Write(std::string_view text) = 0;
};

// Lines of the text files the program writes end in CR LF on every platform.
inline constexpr std::string_view kLineEnd = "\r\n";

}  // namespace voltrim
