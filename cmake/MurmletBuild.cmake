# The helpers every folder's CMakeLists.txt uses. This file alone decides whether the
# windows are built: with MURMLET_CORE_ONLY the WINDOWS parts below are skipped, and
# Qt Widgets is never even looked up.

if(MURMLET_CORE_ONLY)
  set(MURMLET_WITH_WINDOWS OFF)
else()
  set(MURMLET_WITH_WINDOWS ON)
endif()

# murmlet_sources(CORE files... WINDOWS files...)
# Adds the files of the calling folder to murmlet_core (logic that runs without a
# display) and to murmlet_windows (Qt Widgets classes).
function(murmlet_sources)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "" "CORE;WINDOWS")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "murmlet_sources: say CORE or WINDOWS before ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(arg_CORE)
    target_sources(murmlet_core PRIVATE ${arg_CORE})
  endif()
  if(arg_WINDOWS AND MURMLET_WITH_WINDOWS)
    target_sources(murmlet_windows PRIVATE ${arg_WINDOWS})
  endif()
endfunction()

# murmlet_window_pictures(name PREFIX prefix BASE folder FILES files...)
# Pictures and style sheets built into the windows library; paths are relative to
# resources/.
function(murmlet_window_pictures name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PREFIX;BASE" "FILES")
  if(NOT MURMLET_WITH_WINDOWS)
    return()
  endif()
  list(TRANSFORM arg_FILES PREPEND ${PROJECT_SOURCE_DIR}/resources/)
  qt_add_resources(murmlet_windows ${name}
    PREFIX ${arg_PREFIX}
    BASE ${PROJECT_SOURCE_DIR}/resources/${arg_BASE}
    FILES ${arg_FILES})
endfunction()

# murmlet_compile_rc(rc res)
# Compiles the resource script rc into the resource file res (absolute paths) at build
# time, off Windows: the C preprocessor stands in for the MinGW compiler that windres
# would call.
if(NOT WIN32)
  find_program(MURMLET_WINDRES NAMES x86_64-w64-mingw32-windres windres)
  find_program(MURMLET_RC_PREPROCESSOR NAMES cpp)
  if(NOT MURMLET_WINDRES OR NOT MURMLET_RC_PREPROCESSOR)
    message(FATAL_ERROR "The version record needs x86_64-w64-mingw32-windres and cpp: "
                        "run scripts/setup.sh (package binutils-mingw-w64-x86-64).")
  endif()
endif()
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
