# The language catalogue in the core library; the shipped language files beside the program.
target_sources(murmlet_core PRIVATE
  localisation/languagecatalogue.h localisation/languagecatalogue.cpp
  localisation/userlanguage.h localisation/userlanguage.cpp)

if(TARGET murmlet)
  # build/Languages mirrors resources/Languages: copied afresh whenever a file there
  # changes, so a removed language does not linger beside the program.
  file(GLOB murmlet_language_files CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/resources/Languages/*)
  set(murmlet_languages_stamp ${CMAKE_CURRENT_BINARY_DIR}/languages.stamp)
  add_custom_command(OUTPUT ${murmlet_languages_stamp}
    COMMAND ${CMAKE_COMMAND} -E rm -rf $<TARGET_FILE_DIR:murmlet>/Languages
    COMMAND ${CMAKE_COMMAND} -E copy_directory
            ${PROJECT_SOURCE_DIR}/resources/Languages $<TARGET_FILE_DIR:murmlet>/Languages
    COMMAND ${CMAKE_COMMAND} -E touch ${murmlet_languages_stamp}
    DEPENDS ${murmlet_language_files}
    COMMENT "Languages beside the program")
  add_custom_target(murmlet_languages DEPENDS ${murmlet_languages_stamp})
  add_dependencies(murmlet murmlet_languages)

  install(TARGETS murmlet RUNTIME DESTINATION bin)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/Languages DESTINATION bin)
endif()
