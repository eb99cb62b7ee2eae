# Compiler settings and the helpers that every component uses to declare its targets.

if(MSVC)
  add_compile_options(/W4 /WX /utf-8)
else()
  add_compile_options(-Wall -Wextra -Werror)
endif()

if(WIN32)
  # Unicode Win32 by default; the Flash host opts out (it is ANSI throughout).
  add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)
  if(MINGW)
    # Source files are UTF-8 (Chinese literals); Windows wide strings take them as UTF-16.
    add_compile_options(-finput-charset=UTF-8 -fexec-charset=UTF-8)
  endif()
endif()

if(QUENDA_SANITIZE AND NOT WIN32)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
if(QUENDA_FUZZ AND NOT WIN32)
  # Coverage instrumentation for everything the fuzzers link, not only the fuzzer's own file.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Where the finished programs, DLLs and skins land in the build tree: one folder, laid out
# like the shipped one, so programs find their DLLs and skin\ beside them.
set(QUENDA_RUNTIME_DIR ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${QUENDA_RUNTIME_DIR})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

# quenda_test(NAME name SOURCES ... [LIBS ...] [ARGS ...] [GUI] [NO_GTEST_MAIN] [TIMEOUT s]
#             [WORKING_DIRECTORY dir] [WRAPPER command...] [DEPENDS targets...])
# One executable, one CTest entry (GoogleTest cases run inside it). On Windows the entry runs
# under Wine through the cross-compiling emulator. GUI tests share one display and so run one
# at a time. WRAPPER is a Linux-side command that prepares fixtures (servers, archives made by
# real tools) and then runs the rest of its arguments, which are the test command itself.
# DEPENDS names programs the test starts, so building the test builds them too.
function(quenda_test)
  cmake_parse_arguments(T "GUI;NO_GTEST_MAIN" "NAME;TIMEOUT;WORKING_DIRECTORY"
                        "SOURCES;LIBS;ARGS;LABELS;WRAPPER;DEPENDS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_NO_GTEST_MAIN)
    target_link_libraries(${T_NAME} PRIVATE quenda_gtest ${T_LIBS})
  else()
    target_link_libraries(${T_NAME} PRIVATE quenda_gtest_main ${T_LIBS})
  endif()
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT T_WORKING_DIRECTORY)
    set(T_WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  endif()
  if(T_DEPENDS)
    add_dependencies(${T_NAME} ${T_DEPENDS})
  endif()
  if(T_WRAPPER)
    set(command ${T_WRAPPER})
    if(CMAKE_CROSSCOMPILING_EMULATOR)
      list(APPEND command ${CMAKE_CROSSCOMPILING_EMULATOR})
    endif()
    list(APPEND command $<TARGET_FILE:${T_NAME}> ${T_ARGS})
  else()
    set(command ${T_NAME} ${T_ARGS})
  endif()
  add_test(NAME ${T_NAME} COMMAND ${command} WORKING_DIRECTORY ${T_WORKING_DIRECTORY})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set(labels ${T_LABELS})
  if(WIN32)
    list(APPEND labels wine)
  else()
    list(APPEND labels native)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${labels}"
    ENVIRONMENT "QUENDA_SOURCE_DIR=${PROJECT_SOURCE_DIR};QUENDA_BINARY_DIR=${CMAKE_BINARY_DIR};QUENDA_RUNTIME_DIR=${QUENDA_RUNTIME_DIR}")
  if(T_GUI)
    set_tests_properties(${T_NAME} PROPERTIES RESOURCE_LOCK display)
  endif()
endfunction()

# quenda_fuzzer(NAME name SOURCES ... [LIBS ...] [CORPUS dir] [SECONDS n])
# A libFuzzer target; its CTest entry runs it for a bounded time over the committed corpus.
function(quenda_fuzzer)
  cmake_parse_arguments(F "" "NAME;CORPUS;SECONDS" "SOURCES;LIBS" ${ARGN})
  add_executable(${F_NAME} ${F_SOURCES})
  target_compile_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${F_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${F_NAME} PRIVATE ${F_LIBS})
  set_target_properties(${F_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  if(NOT F_SECONDS)
    set(F_SECONDS 20)
  endif()
  set(work ${CMAKE_BINARY_DIR}/fuzz/${F_NAME}.corpus)
  set(args -max_total_time=${F_SECONDS} -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 ${work})
  if(F_CORPUS)
    list(APPEND args ${F_CORPUS})
  endif()
  add_test(NAME ${F_NAME} COMMAND sh -c "mkdir -p '${work}' && exec \"$0\" \"$@\"" $<TARGET_FILE:${F_NAME}> ${args}
           WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  math(EXPR limit "${F_SECONDS} * 4 + 60")
  set_tests_properties(${F_NAME} PROPERTIES TIMEOUT ${limit} LABELS fuzz)
endfunction()

# Copies the DLLs of this build that `target` links against (Ferrow.dll, DuiLib.dll, ...)
# beside it, so that a test executable outside <build>/bin finds them when it starts.
function(quenda_copy_runtime_dlls target)
  if(WIN32)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_RUNTIME_DLLS:${target}>
              $<TARGET_FILE_DIR:${target}>
      COMMAND_EXPAND_LISTS)
  endif()
endfunction()

# Copies a folder of data files next to the programs in the build tree (skins and the like).
function(quenda_copy_dir target src dst)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${src} ${dst})
endfunction()
