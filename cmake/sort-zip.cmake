# Run by cpack after packing: writes the zip again with its files in name order. CPack adds
# them in the order the file system lists the staging folder, which differs between file
# systems; the files' times are SOURCE_DATE_EPOCH, which cpack has set, and their modes come
# from the install rules.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.zip$")
    continue()
  endif()
  file(GLOB_RECURSE members RELATIVE "${CPACK_TEMPORARY_DIRECTORY}" LIST_DIRECTORIES false
       "${CPACK_TEMPORARY_DIRECTORY}/*")
  list(SORT members)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${package}" --format=zip -- ${members}
                  WORKING_DIRECTORY "${CPACK_TEMPORARY_DIRECTORY}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not write ${package} again in name order")
  endif()
endforeach()
