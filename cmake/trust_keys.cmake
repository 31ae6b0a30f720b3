# The table of ten RSA-1024 public keys that check the trusted-certificate
# list of a downloaded setup. A release build names the distributor's table;
# a test build makes its keys with the test PKI, under the build tree.
set(LITE_TRUST_KEY_TABLE "" CACHE FILEPATH
    "File of ten lines, each the base64 DER SubjectPublicKeyInfo of key 0 to 9 (trust_tool key-table makes it); empty in a test build: keys made for the build tree")
find_program(LITE_OPENSSL openssl REQUIRED)

# The test PKI (code-signing root and signers, trust keys), made once, when
# CMake configures a test build; LITE_TEST_PKI_DIR/root.der is the root to trust.
set(LITE_TEST_PKI_DIR ${CMAKE_BINARY_DIR}/test_pki)
if(LITE_TEST_BUILD)
  execute_process(COMMAND bash ${CMAKE_SOURCE_DIR}/tests/support/make_test_pki.sh ${LITE_TEST_PKI_DIR}
                  COMMAND_ERROR_IS_FATAL ANY)
endif()

if(LITE_TRUST_KEY_TABLE)
  set(problems "")
  lite_check_key(LITE_TRUST_KEY_TABLE trust-table ${LITE_TRUST_KEY_TABLE} problems)
  if(problems)
    message(FATAL_ERROR "${problems}")
  endif()
  # The table as key_check reads it: CR LF line ends and blank lines allowed.
  file(STRINGS ${LITE_TRUST_KEY_TABLE} lines)
  set(trust_keys "")
  foreach(line ${lines})
    string(STRIP "${line}" line)
    if(line)
      list(APPEND trust_keys ${line})
    endif()
  endforeach()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LITE_TRUST_KEY_TABLE})
else()
  set(trust_keys "")
  foreach(number RANGE 9)
    execute_process(COMMAND ${LITE_OPENSSL} pkey -in ${LITE_TEST_PKI_DIR}/trust_keys/key_${number}.pem -pubout
                    OUTPUT_VARIABLE pem COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX REPLACE "-----[A-Z ]+-----|\n" "" base64 "${pem}")
    list(APPEND trust_keys ${base64})
  endforeach()
endif()

set(LITE_TRUST_KEY_LINES "")
foreach(key ${trust_keys})
  string(APPEND LITE_TRUST_KEY_LINES "    \"${key}\",\n")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/trust_key_table.h.in
               ${CMAKE_BINARY_DIR}/generated/trust_key_table.h @ONLY)
# The same table as a file, for trust_tool sign --key-table.
set(LITE_BUILD_TRUST_KEY_TABLE ${CMAKE_BINARY_DIR}/generated/trust_key_table.txt)
list(JOIN trust_keys "\n" table_text)
file(CONFIGURE OUTPUT ${LITE_BUILD_TRUST_KEY_TABLE} CONTENT "${table_text}\n")
