#pragma once

#include <cstdio>
#include <string_view>

#include "export/text_sink.h"

namespace voltrim::cli {

// An export's text on standard output. Free of Qt: the program's start writes through it too.
class StdoutSink : public TextSink {
 public:
  // Text comes in large blocks, which go out in one write each rather than through the
  // stream's small buffer (a write of its size and another of the rest, for every block).
  StdoutSink() { std::setvbuf(stdout, nullptr, _IONBF, 0); }
  void Write(std::string_view text) override {
    failed_ = failed_ || std::fwrite(text.data(), 1, text.size(), stdout) != text.size();
  }
  bool Finish() { return std::fflush(stdout) == 0 && !failed_; }

 private:
  bool failed_ = false;
};

}  // namespace voltrim::cli
