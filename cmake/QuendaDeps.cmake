# Dependencies are installed packages, never sources kept in this repository.
#   zlib:       libz-mingw-w64-dev (Windows), zlib1g-dev (native)
#   minizip:    libminizip-dev natively; for Windows compiled here from zlib's own
#               contrib/minizip inside Debian's binutils-source tarball (reader and writer)
#   OpenSSL:    libssl-dev natively (update signatures); Windows uses its own CNG instead
#   GoogleTest: libgtest-dev natively; for Windows built from Debian's googletest sources

if(WIN32)
  # libz.a, not the import library of zlib1.dll: the shipped programs run on a bare Windows,
  # where no zlib1.dll lies beside them.
  set(ZLIB_USE_STATIC_LIBS ON)
  if(ZLIB_LIBRARY_RELEASE MATCHES "\\.dll\\.a$")  # found by an earlier configure
    unset(ZLIB_LIBRARY_RELEASE CACHE)
  endif()
endif()
find_package(ZLIB REQUIRED)

if(WIN32)
  set(QUENDA_BINUTILS_TARBALL "/usr/src/binutils/binutils-2.40.tar.xz" CACHE FILEPATH
      "Debian binutils-source tarball that carries zlib's contrib/minizip")
  set(minizip_dir ${CMAKE_BINARY_DIR}/_deps/minizip)
  set(minizip_files unzip.c unzip.h zip.c zip.h ioapi.c ioapi.h iowin32.c iowin32.h crypt.h)
  set(minizip_missing FALSE)
  foreach(f IN LISTS minizip_files)
    if(NOT EXISTS ${minizip_dir}/${f})
      set(minizip_missing TRUE)
    endif()
  endforeach()
  if(minizip_missing)
    if(NOT EXISTS ${QUENDA_BINUTILS_TARBALL})
      message(FATAL_ERROR "minizip: ${QUENDA_BINUTILS_TARBALL} not found (install binutils-source)")
    endif()
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/_deps/extract)
    # GNU tar: the tarball holds self-referencing hard links that CMake's own tar refuses.
    find_program(QUENDA_TAR tar REQUIRED)
    execute_process(COMMAND ${QUENDA_TAR} -xJf ${QUENDA_BINUTILS_TARBALL} binutils-2.40/zlib/contrib/minizip/
                    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/_deps/extract RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "minizip: could not extract the sources from ${QUENDA_BINUTILS_TARBALL}")
    endif()
    file(MAKE_DIRECTORY ${minizip_dir})
    foreach(f IN LISTS minizip_files)
      file(COPY ${CMAKE_BINARY_DIR}/_deps/extract/binutils-2.40/zlib/contrib/minizip/${f} DESTINATION ${minizip_dir})
    endforeach()
    file(REMOVE_RECURSE ${CMAKE_BINARY_DIR}/_deps/extract)
  endif()
  # One archive for reader and writer: a program links only the objects it uses, so the
  # updater carries no zip writer.
  add_library(minizip STATIC ${minizip_dir}/unzip.c ${minizip_dir}/zip.c ${minizip_dir}/ioapi.c
                             ${minizip_dir}/iowin32.c)
  # Third-party code compiled as it stands: its warnings are not ours to fix.
  target_compile_options(minizip PRIVATE -w)
  target_include_directories(minizip SYSTEM PUBLIC ${minizip_dir})
  target_link_libraries(minizip PUBLIC ZLIB::ZLIB)
  add_library(Quenda::minizip ALIAS minizip)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
  add_library(Quenda::minizip ALIAS PkgConfig::MINIZIP)
  find_package(OpenSSL REQUIRED)
endif()

if(QUENDA_TESTS)
  if(WIN32)
    set(QUENDA_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources (Debian's googletest package)")
    if(NOT EXISTS ${QUENDA_GTEST_SOURCE}/CMakeLists.txt)
      message(FATAL_ERROR "GoogleTest sources not found at ${QUENDA_GTEST_SOURCE} (install googletest)")
    endif()
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    # GoogleTest's own sources are built without our warning policy.
    set(saved_options ${CMAKE_CXX_FLAGS})
    add_subdirectory(${QUENDA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)
    foreach(t gtest gtest_main gmock gmock_main)
      target_compile_options(${t} PRIVATE -w)
    endforeach()
    add_library(quenda_gtest INTERFACE)
    target_link_libraries(quenda_gtest INTERFACE gtest gmock)
    add_library(quenda_gtest_main INTERFACE)
    target_link_libraries(quenda_gtest_main INTERFACE gtest_main gmock)
  else()
    find_package(GTest REQUIRED)
    add_library(quenda_gtest INTERFACE)
    target_link_libraries(quenda_gtest INTERFACE GTest::gtest GTest::gmock)
    add_library(quenda_gtest_main INTERFACE)
    target_link_libraries(quenda_gtest_main INTERFACE GTest::gtest_main GTest::gmock)
  endif()
endif()
