// ConsoleWriter: the one writer for a console stream (standard output or error); it
// remembers the first failed write or flush so that the run can report it.
#pragma once

#include <cstdio>
#include <string_view>

namespace zspack {

class ConsoleWriter {
 public:
  explicit ConsoleWriter(std::FILE* stream) : stream_(stream) {}

  void Write(std::string_view text) {
    if (failed_ || text.empty()) return;
    if (std::fwrite(text.data(), 1, text.size(), stream_) != text.size()) failed_ = true;
  }

  // Hands buffered text to the system; false once anything failed.
  bool Flush() {
    if (!failed_ && std::fflush(stream_) != 0) failed_ = true;
    return !failed_;
  }

  bool Failed() const { return failed_; }

 private:
  std::FILE* stream_;
  bool failed_ = false;
};

}  // namespace zspack
