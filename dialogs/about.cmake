# The About box: the character-rain model in the core, the window and its pictures in
# the windows library, and license.txt beside the program.
target_sources(murmlet_core PRIVATE dialogs/matrixrain.h dialogs/matrixrain.cpp)

if(TARGET murmlet_windows)
  target_sources(murmlet_windows PRIVATE dialogs/about.h dialogs/about.cpp)
  qt_add_resources(murmlet_windows "about_pictures"
    PREFIX "/about"
    BASE resources/about
    FILES resources/about/logo.svg resources/about/cat.svg resources/about/arrow.svg)
endif()

if(TARGET murmlet)
  # A fresh copy whenever the text changes.
  set(murmlet_license_copy $<TARGET_FILE_DIR:murmlet>/license.txt)
  set(murmlet_license_stamp ${CMAKE_CURRENT_BINARY_DIR}/license.stamp)
  add_custom_command(OUTPUT ${murmlet_license_stamp}
    COMMAND ${CMAKE_COMMAND} -E copy
            ${PROJECT_SOURCE_DIR}/resources/license.txt ${murmlet_license_copy}
    COMMAND ${CMAKE_COMMAND} -E touch ${murmlet_license_stamp}
    DEPENDS ${PROJECT_SOURCE_DIR}/resources/license.txt
    COMMENT "license.txt beside the program")
  add_custom_target(murmlet_license DEPENDS ${murmlet_license_stamp})
  add_dependencies(murmlet murmlet_license)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/license.txt DESTINATION bin)
endif()
