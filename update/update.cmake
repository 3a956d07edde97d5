# The form post to the maker's web service (both roads through libcurl).
find_package(CURL REQUIRED)
target_sources(murmlet_core PRIVATE update/postform.h update/postform.cpp)
target_link_libraries(murmlet_core PUBLIC CURL::libcurl)
