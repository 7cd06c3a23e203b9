# Shared helpers for our targets and tests.

function(vadrome_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# doctest: only its own folder, never the host's whole include tree (glibc
# headers break the MinGW build).
set(VADROME_DOCTEST_DIR ${CMAKE_BINARY_DIR}/doctest-include)
file(MAKE_DIRECTORY ${VADROME_DOCTEST_DIR})
if(NOT EXISTS ${VADROME_DOCTEST_DIR}/doctest)
  file(CREATE_LINK /usr/include/doctest ${VADROME_DOCTEST_DIR}/doctest SYMBOLIC)
endif()

add_library(vadrome_doctest_main STATIC ${CMAKE_SOURCE_DIR}/tests/tools/DoctestMain.cpp)
target_include_directories(vadrome_doctest_main PUBLIC ${VADROME_DOCTEST_DIR} ${CMAKE_SOURCE_DIR}/tests)

# vadrome_test(NAME name SOURCES ... [WINDOWS] [NATIVE] [GUI] [TIMEOUT s] [LIBS ...])
# WINDOWS: build only for the Windows target (runs under Wine).
# NATIVE:  build only natively. Neither: platform-free test, built for both.
# GUI:     needs the X display (tests run under Xvfb).
function(vadrome_test)
  cmake_parse_arguments(T "WINDOWS;NATIVE;GUI;RESOURCES" "NAME;TIMEOUT" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  if(T_WINDOWS AND NOT WIN32)
    return()
  endif()
  if(T_NATIVE AND WIN32)
    return()
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 60)
  endif()
  set(sources ${T_SOURCES})
  if(T_RESOURCES AND WIN32)
    list(APPEND sources $<TARGET_OBJECTS:vadrome_resources>)
  endif()
  add_executable(${T_NAME} ${sources})
  vadrome_warnings(${T_NAME})
  target_link_libraries(${T_NAME} PRIVATE vadrome_doctest_main ${T_LIBS})
  if(WIN32)
    target_link_libraries(${T_NAME} PRIVATE vadrome_win)
    # doctest's main is a plain main(); -municode on the library wants wmain.
    target_link_options(${T_NAME} PRIVATE -mconsole)
  else()
    target_link_libraries(${T_NAME} PRIVATE vadrome_pure)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} ${T_PROPERTIES})
  if(T_GUI)
    set_tests_properties(${T_NAME} PROPERTIES LABELS gui)
  endif()
endfunction()

# vadrome_delay_imports(target dll...): the target loads each DLL when it first
# calls into it instead of at start. Every function of the toolchain's import
# library goes through the delay-loading twin built here, linked ahead of it.
function(vadrome_delay_imports target)
  foreach(dll IN LISTS ARGN)
    find_library(VADROME_IMPORT_${dll} ${dll} REQUIRED)
    set(def ${CMAKE_CURRENT_BINARY_DIR}/${dll}-delay.def)
    set(lib ${CMAKE_CURRENT_BINARY_DIR}/lib${dll}-delay.a)
    add_custom_command(OUTPUT ${lib}
      COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIB=${VADROME_IMPORT_${dll}} -DDLL=${dll}.dll -DDEF=${def}
        -P ${CMAKE_SOURCE_DIR}/cmake/ImportsToDef.cmake
      COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --output-delaylib ${lib} --dllname ${dll}.dll
      DEPENDS ${VADROME_IMPORT_${dll}} ${CMAKE_SOURCE_DIR}/cmake/ImportsToDef.cmake
      VERBATIM)
    add_custom_target(${target}_${dll}_delay DEPENDS ${lib})
    add_dependencies(${target} ${target}_${dll}_delay)
    target_link_libraries(${target} PRIVATE ${lib})
  endforeach()
endfunction()
