// WriteWholeFile: creates (or replaces) a file in the working directory and hands it the
// whole text in one write; creation failure and write/close failure are told apart,
// since the first is reported by name and the second is a runtime error.
#pragma once

#include <string_view>

namespace zspack {

enum class WriteStatus { kOk, kCannotCreate, kWriteFailed };

WriteStatus WriteWholeFile(const char* name, std::string_view text);

}  // namespace zspack
