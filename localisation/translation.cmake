# The language dialog: its list logic and restart script in the core library, the window
# and its flag pictures in the windows library.
target_sources(murmlet_core PRIVATE
  localisation/languagelist.h localisation/languagelist.cpp
  localisation/restartscript.h localisation/restartscript.cpp)

if(TARGET murmlet_windows)
  target_sources(murmlet_windows PRIVATE
    localisation/translation.h localisation/translation.cpp)
  set(murmlet_flag_codes
    xx de fr tr al sa bg cn tw cz nl fi gr il hu it jp kr ir pl br pt ro ru si es se ua vi sk us)
  list(TRANSFORM murmlet_flag_codes PREPEND resources/flags/ OUTPUT_VARIABLE murmlet_flag_files)
  list(TRANSFORM murmlet_flag_files APPEND .svg)
  qt_add_resources(murmlet_windows "flags"
    PREFIX "/flags"
    BASE resources/flags
    FILES ${murmlet_flag_files})
endif()
