# The About box: the rain model in the core, the window with a recording desktop.
murmlet_test(tst_matrixrain unit dialogs/tst_matrixrain.cpp)

if(NOT MURMLET_CORE_ONLY)
  murmlet_test(tst_about widget dialogs/tst_about.cpp app/fakes.h)
  target_compile_definitions(tst_about PRIVATE MURMLET_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endif()
