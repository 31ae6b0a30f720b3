# The table of ten RSA-1024 public keys that check the trusted-certificate
# list of a downloaded setup. A release build names its own table; without one
# the table is made from the test keys, whose private halves sign the fixtures.
set(LITE_TRUST_KEY_TABLE "" CACHE FILEPATH
    "File of ten lines, each the base64 DER SubjectPublicKeyInfo of key 0 to 9 (trust_tool key-table makes it); empty: the test keys")
set(LITE_TEST_TRUST_KEYS_DIR ${CMAKE_SOURCE_DIR}/tests/fixtures/trust_keys)
find_program(LITE_OPENSSL openssl REQUIRED)

if(LITE_TRUST_KEY_TABLE)
  file(STRINGS ${LITE_TRUST_KEY_TABLE} trust_keys)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LITE_TRUST_KEY_TABLE})
else()
  set(trust_keys "")
  foreach(number RANGE 9)
    set(key ${LITE_TEST_TRUST_KEYS_DIR}/key_${number}.pem)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${key})
    execute_process(COMMAND ${LITE_OPENSSL} pkey -in ${key} -pubout
                    OUTPUT_VARIABLE pem COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX REPLACE "-----[A-Z ]+-----|\n" "" base64 "${pem}")
    list(APPEND trust_keys ${base64})
  endforeach()
endif()

list(LENGTH trust_keys count)
if(NOT count EQUAL 10)
  message(FATAL_ERROR "The trust key table needs 10 keys, ${LITE_TRUST_KEY_TABLE} has ${count}")
endif()
set(LITE_TRUST_KEY_LINES "")
foreach(key ${trust_keys})
  if(NOT key MATCHES "^[A-Za-z0-9+/]+=*$")
    message(FATAL_ERROR "Trust key table entry is not base64: ${key}")
  endif()
  string(APPEND LITE_TRUST_KEY_LINES "    \"${key}\",\n")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/trust_key_table.h.in
               ${CMAKE_BINARY_DIR}/generated/trust_key_table.h @ONLY)
