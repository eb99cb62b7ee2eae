# The shipped folder. `cmake --install <build> [--prefix <dir>]` lays it out below the prefix:
#   bin\       update.exe with DuiLib.dll, Ferrow.dll and skin\; QuillonFlash.exe; vintor.exe
#              and pellam.exe; tessec.dll
#   include\   tessec's headers          lib\   tessec's import library and CMake package
# Each component declares its own install() rules in its folder; this file only packs them:
# `cpack --config <build>/CPackConfig.cmake` (or the `package` target) makes
# <build>/package/Quenda-<version>-win32.zip with the same layout inside one top folder.
if(NOT WIN32)
  return()  # a native tree builds tests, fuzzers and benchmarks; nothing of it ships
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Quenda)
set(CPACK_PACKAGE_VENDOR Quenda)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quenda client-side programs for 32-bit Windows")
set(CPACK_PACKAGE_FILE_NAME Quenda-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# One archive holding every component, as the folder is shipped whole.
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
include(CPack)
