# The same commit gives the same release files anywhere: no build path in the binaries, the
# release date as every file time in the packages, and modes that do not follow the umask.
# Needs ZSPACK_SOURCE_DATE_EPOCH from release.cmake.

# Paths in the debug information and in __FILE__ become relative to the source and build
# folders; the linker's build ID hashes the debug information, so a path there would change
# even the stripped binary. The build folder's map comes last, which wins for it when it
# lies inside the source folder. Not in the coverage build, whose report finds the sources
# by their full paths.
if(NOT CMAKE_CXX_FLAGS MATCHES "-fcoverage-mapping")
  add_compile_options("$<$<CONFIG:Release,RelWithDebInfo>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.;-ffile-prefix-map=${PROJECT_BINARY_DIR}=.>")
endif()

# Folders that the install creates get 755 whatever the umask; files already get 644 or 755.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# CPack stamps every member of the .deb and the zip with SOURCE_DATE_EPOCH when it is set;
# this file, which cpack reads before packing, sets it to the release date unless the caller
# already did.
set(ZSPACK_CPACK_OPTIONS ${PROJECT_BINARY_DIR}/CPackZspackOptions.cmake)
file(CONFIGURE OUTPUT ${ZSPACK_CPACK_OPTIONS} @ONLY CONTENT [=[
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} @ZSPACK_SOURCE_DATE_EPOCH@)
endif()
]=])
set(CPACK_PROJECT_CONFIG_FILE ${ZSPACK_CPACK_OPTIONS})
