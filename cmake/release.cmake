# The release package of a Windows build, release/net_send-<version>-<win32|win64>.zip in the build
# folder, remade whenever the exe or the guide changes; scripts/package.sh puts the two side by side.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(netsend_arch win64)
else()
  set(netsend_arch win32)
endif()

find_program(NETSEND_BASH bash)
find_program(NETSEND_ZIP_TOOL zip)
find_program(NETSEND_ICONV iconv)
if(NOT NETSEND_BASH OR NOT NETSEND_ZIP_TOOL OR NOT NETSEND_ICONV)
  message(STATUS "No release package in this build: bash, zip or iconv is missing (scripts/setup.sh installs them)")
  return()
endif()

set(NETSEND_GUIDE ${PROJECT_SOURCE_DIR}/docs/guide-ru.txt)
set(NETSEND_RELEASE_ZIP ${CMAKE_BINARY_DIR}/release/net_send-${PROJECT_VERSION}-${netsend_arch}.zip)
add_custom_command(OUTPUT ${NETSEND_RELEASE_ZIP}
  COMMAND ${NETSEND_BASH} ${PROJECT_SOURCE_DIR}/scripts/release-zip.sh
          ${NETSEND_RELEASE_ZIP} ${NETSEND_RELEASE_DATE} $<TARGET_FILE:net_send> ${NETSEND_GUIDE}
  DEPENDS net_send ${NETSEND_GUIDE} ${PROJECT_SOURCE_DIR}/scripts/release-zip.sh
  COMMENT "Packing net_send-${PROJECT_VERSION}-${netsend_arch}.zip"
  VERBATIM)
add_custom_target(release_zip ALL DEPENDS ${NETSEND_RELEASE_ZIP})
