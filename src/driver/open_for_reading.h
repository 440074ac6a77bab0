// OpenForReading: opens a file by path for binary reading; null for what cannot be opened,
// a directory included.
#pragma once

#include <cstdio>
#include <string>

namespace zspack {

std::FILE* OpenForReading(const std::string& path);

}  // namespace zspack
