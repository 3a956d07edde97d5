# The program's version record (resources/murmlet.rc) and its reader.
#
# Windows links the resource script into every executable that carries the main
# window, and the reader asks the system for it. Elsewhere windres compiles the same
# script, scripts/version_record.py cuts the binary VS_VERSIONINFO record out of the
# .res file, and the record is linked as an object of its own into those executables,
# in the section ".murmlet_version" where the reader looks first.

target_sources(murmlet_core PRIVATE app/versioninfo.h app/versioninfo.cpp)

if(WIN32)
  target_link_libraries(murmlet_core PUBLIC version)
  if(TARGET murmlet_windows)
    # Every executable with the main window reads its identity from its own file.
    target_sources(murmlet_windows INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/resources/murmlet.rc)
  endif()
  return()
endif()

find_program(MURMLET_WINDRES NAMES x86_64-w64-mingw32-windres windres)
find_program(MURMLET_RC_PREPROCESSOR NAMES cpp)
if(NOT MURMLET_WINDRES OR NOT MURMLET_RC_PREPROCESSOR)
  message(FATAL_ERROR "The version record needs x86_64-w64-mingw32-windres and cpp: "
                      "run scripts/setup.sh (package binutils-mingw-w64-x86-64).")
endif()

# Compiles the resource script rc into the resource file res (absolute paths) at build
# time. The C preprocessor stands in for the MinGW compiler that windres would call.
function(murmlet_compile_rc rc res)
  get_filename_component(res_dir "${res}" DIRECTORY)
  add_custom_command(
    OUTPUT "${res}"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${res_dir}"
    COMMAND "${MURMLET_WINDRES}" "--preprocessor=${MURMLET_RC_PREPROCESSOR}"
            --preprocessor-arg=-P -DRC_INVOKED -O res -i "${rc}" -o "${res}"
    DEPENDS "${rc}"
    COMMENT "Compiling resource script ${rc}"
    VERBATIM)
endfunction()

if(TARGET murmlet_windows)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(murmlet_res "${CMAKE_CURRENT_BINARY_DIR}/versioninfo/murmlet.res")
  set(murmlet_record_source "${CMAKE_CURRENT_BINARY_DIR}/versioninfo/murmlet_version_record.cpp")
  murmlet_compile_rc("${CMAKE_CURRENT_SOURCE_DIR}/resources/murmlet.rc" "${murmlet_res}")
  add_custom_command(
    OUTPUT "${murmlet_record_source}"
    COMMAND Python3::Interpreter "${CMAKE_CURRENT_SOURCE_DIR}/scripts/version_record.py"
            "${murmlet_res}" "${murmlet_record_source}"
    DEPENDS "${murmlet_res}" "${CMAKE_CURRENT_SOURCE_DIR}/scripts/version_record.py"
    COMMENT "Extracting the version record"
    VERBATIM)
  add_library(murmlet_version_record OBJECT "${murmlet_record_source}")
  set_target_properties(murmlet_version_record PROPERTIES AUTOMOC OFF)
  # The object goes straight onto the link line of every executable that links the
  # windows library (the program and the widget tests), so no archive can drop it.
  target_link_libraries(murmlet_windows
    INTERFACE murmlet_version_record $<TARGET_OBJECTS:murmlet_version_record>)
endif()
