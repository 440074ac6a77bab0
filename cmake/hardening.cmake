# Hardening of the shipped program, as Debian builds every binary (dpkg-buildflags with
# hardening=+all): zspack reads tracker files that musicians pass around, so a fault in the
# packer should end in a stopped process, not in code run for the file's author. Applies in
# the Release and RelWithDebInfo builds only; the sanitizer and fuzzing builds keep their
# own flags, and the coverage script turns it off. ZSPACK_HARDEN=OFF turns it off.
option(ZSPACK_HARDEN "Harden the Release and RelWithDebInfo builds (stack protector, fortified libc calls, PIE, full RELRO)" ON)
# ZSPACK_HARDENED tells the package test whether this build's binary must pass hardening-check.
set(ZSPACK_HARDENED OFF)
if(NOT ZSPACK_HARDEN OR ZSPACK_SANITIZE OR ZSPACK_FUZZ)
  return()
endif()
if(CMAKE_BUILD_TYPE MATCHES "^(Release|RelWithDebInfo)$")
  set(ZSPACK_HARDENED ON)
endif()

set(zspack_release_configs "$<CONFIG:Release,RelWithDebInfo>")

if(WIN32)
  # Address space layout randomisation (high entropy on 64 bits) and a stack and heap that
  # cannot run code; no link time stamp, so that a rebuild gives the same executable.
  add_link_options(-Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat -Wl,--no-insert-timestamp)
  return()
endif()

include(CheckCXXSourceCompiles)
include(CheckPIESupported)

# Level 3 also checks calls whose object size is known only at run time; compilers without
# __builtin_dynamic_object_size get level 2. The -U first: some compilers define a level.
check_cxx_source_compiles("int main() { char b[4]; return __builtin_dynamic_object_size(b, 0) == 4 ? 0 : 1; }"
                          ZSPACK_HAVE_DYNAMIC_OBJECT_SIZE)
if(ZSPACK_HAVE_DYNAMIC_OBJECT_SIZE)
  set(zspack_fortify_level 3)
else()
  set(zspack_fortify_level 2)
endif()

set(zspack_hardening_compile_options
  -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=${zspack_fortify_level}
  -fstack-protector-strong -fstack-clash-protection
  -Wformat -Werror=format-security)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  list(APPEND zspack_hardening_compile_options -fcf-protection)
endif()
add_compile_options("$<${zspack_release_configs}:${zspack_hardening_compile_options}>")

# A position-independent executable, and relocations made read-only after they are all
# resolved at start.
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_link_options("$<${zspack_release_configs}:-Wl,-z,relro;-Wl,-z,now;-Wl,-z,noexecstack>")
