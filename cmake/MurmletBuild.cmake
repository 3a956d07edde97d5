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

# Without Qt Svg (the Windows build: its source is not at hand there) the windows get
# our drawings as PNG files rendered at build time, name.png at the drawing's own size
# and name@2x.png at twice that; base/pictures.cpp picks them up.
if(WIN32)
  set(png_pictures_default ON)
else()
  set(png_pictures_default OFF)
endif()
option(MURMLET_PNG_PICTURES "Build the drawings in as PNG files instead of SVG"
       ${png_pictures_default})
if(MURMLET_WITH_WINDOWS AND MURMLET_PNG_PICTURES)
  find_program(MURMLET_RSVG_CONVERT NAMES rsvg-convert REQUIRED)
endif()

# murmlet_window_pictures(name PREFIX prefix BASE folder FILES files...)
# Pictures and style sheets built into the windows library; paths are relative to
# resources/.
function(murmlet_window_pictures name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "PREFIX;BASE" "FILES")
  if(NOT MURMLET_WITH_WINDOWS)
    return()
  endif()
  set(resources ${PROJECT_SOURCE_DIR}/resources)
  set(drawings ${arg_FILES})
  list(FILTER drawings INCLUDE REGEX "\\.svg$")
  set(others ${arg_FILES})
  list(FILTER others EXCLUDE REGEX "\\.svg$")
  if(MURMLET_PNG_PICTURES AND drawings)
    set(rendered_root ${PROJECT_BINARY_DIR}/pictures)
    set(rendered "")
    foreach(drawing IN LISTS drawings)
      string(REGEX REPLACE "\\.svg$" "" stem "${drawing}")
      get_filename_component(folder "${rendered_root}/${stem}" DIRECTORY)
      add_custom_command(
        OUTPUT ${rendered_root}/${stem}.png ${rendered_root}/${stem}@2x.png
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND ${MURMLET_RSVG_CONVERT} -o ${rendered_root}/${stem}.png ${resources}/${drawing}
        COMMAND ${MURMLET_RSVG_CONVERT} -z 2 -o ${rendered_root}/${stem}@2x.png
                ${resources}/${drawing}
        DEPENDS ${resources}/${drawing}
        VERBATIM)
      list(APPEND rendered ${rendered_root}/${stem}.png ${rendered_root}/${stem}@2x.png)
    endforeach()
    qt_add_resources(murmlet_windows ${name}_rendered
      PREFIX ${arg_PREFIX}
      BASE ${rendered_root}/${arg_BASE}
      FILES ${rendered})
    set(drawings "")
  endif()
  set(kept ${drawings} ${others})
  if(kept)
    list(TRANSFORM kept PREPEND ${resources}/)
    qt_add_resources(murmlet_windows ${name}
      PREFIX ${arg_PREFIX}
      BASE ${resources}/${arg_BASE}
      FILES ${kept})
  endif()
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
