# The form post against tests/web/webserver.py on 127.0.0.1 (plain HTTP and HTTPS).
murmlet_test(tst_postform unit update/tst_postform.cpp web/webserver.h web/webserver.cpp)
target_compile_definitions(tst_postform PRIVATE
  MURMLET_WEBSERVER_PY="${PROJECT_SOURCE_DIR}/tests/web/webserver.py")
