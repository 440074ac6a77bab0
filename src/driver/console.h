// ConsoleWriter: the one writer for a console stream (standard output or error); it
// remembers the first failed write or flush so that the run can report it.
#pragma once

#include <cstdio>
#include <string_view>

namespace zspack {

class ConsoleWriter {
 public:
  explicit ConsoleWriter(std::FILE* stream) : stream_(stream) {}

  // A stream that failed once stays broken: later writes fail too and change nothing.
  void Write(std::string_view text) {
    if (text.empty()) return;  // an empty view may hold a null pointer, which fwrite must not get
    failed_ |= std::fwrite(text.data(), 1, text.size(), stream_) != text.size();
  }

  // Hands buffered text to the system; false once anything failed.
  bool Flush() {
    failed_ |= std::fflush(stream_) != 0;
    return !failed_;
  }

 private:
  std::FILE* stream_;
  bool failed_ = false;
};

}  // namespace zspack
