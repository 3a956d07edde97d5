# The language catalogue in the core library; the shipped language files beside the program.
target_sources(murmlet_core PRIVATE
  localisation/languagecatalogue.h localisation/languagecatalogue.cpp
  localisation/userlanguage.h localisation/userlanguage.cpp)

if(TARGET murmlet)
  add_custom_command(TARGET murmlet POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_directory
            ${PROJECT_SOURCE_DIR}/resources/Languages $<TARGET_FILE_DIR:murmlet>/Languages
    COMMENT "Languages beside the program")
  install(TARGETS murmlet RUNTIME DESTINATION bin)
  install(DIRECTORY resources/Languages DESTINATION bin)
endif()
