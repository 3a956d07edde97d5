# The feedback dialog: address check, note and post in the core library; the window
# among the windows.
find_package(PkgConfig REQUIRED)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-16)
target_sources(murmlet_core PRIVATE
  dialogs/emailaddress.h dialogs/emailaddress.cpp
  dialogs/feedbackservice.h dialogs/feedbackservice.cpp)
target_link_libraries(murmlet_core PUBLIC PkgConfig::PCRE2)
if(TARGET murmlet_windows)
  target_sources(murmlet_windows PRIVATE dialogs/feedback.h dialogs/feedback.cpp)
endif()
