# The e-mail pattern through PCRE2; the feedback dialog against tests/web/webserver.py.
murmlet_test(tst_emailaddress unit dialogs/tst_emailaddress.cpp)
if(TARGET murmlet_windows)
  murmlet_test(tst_feedback widget dialogs/tst_feedback.cpp web/webserver.h web/webserver.cpp)
  target_compile_definitions(tst_feedback PRIVATE
    MURMLET_WEBSERVER_PY="${PROJECT_SOURCE_DIR}/tests/web/webserver.py")
endif()
