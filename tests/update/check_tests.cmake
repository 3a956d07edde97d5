murmlet_test(tst_check unit update/tst_check.cpp web/webserver.h web/webserver.cpp)
target_compile_definitions(tst_check PRIVATE
  MURMLET_WEBSERVER_PY="${PROJECT_SOURCE_DIR}/tests/web/webserver.py")

if(NOT MURMLET_CORE_ONLY)
  murmlet_test(tst_newversion widget update/tst_newversion.cpp)
endif()
