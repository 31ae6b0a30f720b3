# The string tables in 16 languages, built from the translators' files in
# resources/strings/ into one .rc with a LANGUAGE per table.
file(GLOB LITE_STRING_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/resources/strings/*.json)
set(LITE_STRINGS_RC ${CMAKE_BINARY_DIR}/generated/strings.rc)
add_custom_command(
  OUTPUT ${LITE_STRINGS_RC}
  COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/cmake/make_string_tables.py
          ${CMAKE_SOURCE_DIR}/resources/strings ${LITE_STRINGS_RC}
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/make_string_tables.py ${LITE_STRING_SOURCES}
  COMMENT "Building the string tables")
