# The version-record reader, against resource files compiled from the scripts in
# app/versioninfo/ (and from the program's own script) and, in the full build, against
# the program file itself. The fixtures are .res files, which only the reader used
# off Windows understands.
if(WIN32)
  return()
endif()

set(versioninfo_fixtures "${CMAKE_CURRENT_BINARY_DIR}/app/versioninfo")
set(versioninfo_res "")
foreach(name twotranslations unicodepage lettercase version10 notranslation norecord)
  murmlet_compile_rc("${CMAKE_CURRENT_LIST_DIR}/versioninfo/${name}.rc"
                     "${versioninfo_fixtures}/${name}.res")
  list(APPEND versioninfo_res "${versioninfo_fixtures}/${name}.res")
endforeach()
murmlet_compile_rc("${PROJECT_SOURCE_DIR}/resources/murmlet.rc" "${versioninfo_fixtures}/murmlet.res")
list(APPEND versioninfo_res "${versioninfo_fixtures}/murmlet.res")
add_custom_target(tst_versioninfo_fixtures DEPENDS ${versioninfo_res})

murmlet_test(tst_versioninfo unit app/tst_versioninfo.cpp)
add_dependencies(tst_versioninfo tst_versioninfo_fixtures)
target_compile_definitions(tst_versioninfo PRIVATE
  MURMLET_VERSIONINFO_FIXTURES="${versioninfo_fixtures}")
if(TARGET murmlet)
  target_compile_definitions(tst_versioninfo PRIVATE
    MURMLET_PROGRAM_FILE="$<TARGET_FILE:murmlet>")
  add_dependencies(tst_versioninfo murmlet)
endif()
