murmlet_test(tst_languagecatalogue unit localisation/tst_languagecatalogue.cpp)
target_compile_definitions(tst_languagecatalogue PRIVATE
  MURMLET_LANGUAGES_DIR="${PROJECT_SOURCE_DIR}/resources/Languages")
