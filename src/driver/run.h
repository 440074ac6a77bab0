// RunZspack: the whole run as the musician starts it, from the arguments (program name
// first) to the exit code: banner, options, read and depack, exploration, both generated
// files, the assembler and the key wait; console write failures become runtime error 101.
#pragma once

#include <span>
#include <string_view>

namespace zspack {

int RunZspack(std::span<const std::string_view> args);

}  // namespace zspack
