# Additional clean files
cmake_minimum_required(VERSION 3.16)

if("${CONFIG}" STREQUAL "" OR "${CONFIG}" STREQUAL "RelWithDebInfo")
  file(REMOVE_RECURSE
  "src/core/CMakeFiles/kestrel_core_autogen.dir/AutogenUsed.txt"
  "src/core/CMakeFiles/kestrel_core_autogen.dir/ParseCache.txt"
  "src/core/kestrel_core_autogen"
  "tests/CMakeFiles/kestrel_testsupport_autogen.dir/AutogenUsed.txt"
  "tests/CMakeFiles/kestrel_testsupport_autogen.dir/ParseCache.txt"
  "tests/kestrel_testsupport_autogen"
  )
endif()
