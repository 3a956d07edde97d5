# The update check in the core library; its notice among the windows.
target_sources(murmlet_core PRIVATE
  update/check.h update/check.cpp
  update/checkstate.h update/checkstate.cpp
  update/downloadaddress.h update/downloadaddress.cpp
  update/systeminfo.h update/systeminfo.cpp
  update/updatestore.h update/updatestore.cpp)
if(TARGET murmlet_windows)
  target_sources(murmlet_windows PRIVATE update/newversion.h update/newversion.cpp)
endif()
