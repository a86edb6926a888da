# Archives made by real tools at build time, on Linux, into the build tree. The
# tests find them through a generated header: natively a backslashed absolute
# path (the posix platform maps it back), under Wine the same path on Z:.
set(ZIP_FIXTURES ${CMAKE_CURRENT_BINARY_DIR}/zip-fixtures)
add_custom_command(OUTPUT ${ZIP_FIXTURES}/stamp
  COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/unit/unpack/make_fixtures.py ${ZIP_FIXTURES}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/unit/unpack/make_fixtures.py ${CMAKE_CURRENT_SOURCE_DIR}/support/package_names.py
  COMMENT "Making the unpack test archives")
add_custom_target(zip_fixtures DEPENDS ${ZIP_FIXTURES}/stamp)
add_dependencies(unpack_tests zip_fixtures)

string(REPLACE "/" "\\\\" fixture_dir "${ZIP_FIXTURES}\\\\")
if(WIN32)
  set(fixture_dir "Z:${fixture_dir}")
endif()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/ZipFixtures.h
  CONTENT "#pragma once\n#define ZIP_FIXTURE_DIR \"${fixture_dir}\"\n")
target_include_directories(unpack_tests PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/generated)
