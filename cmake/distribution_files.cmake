# The distribution files the installer carries as "BIN" resources: clids XML
# files as written, and the master preferences built from readable sources
# with a signed, compressed first-run variations seed.
set(LITE_VARIATIONS_SEED_KEY "" CACHE FILEPATH
    "ECDSA P-256 private key (PEM) that signs the variations seed; empty: a key made in the test PKI")

set(distribution_dir ${CMAKE_SOURCE_DIR}/resources/distribution)
set(generated_dir ${CMAKE_BINARY_DIR}/generated)
set(seed_key ${LITE_VARIATIONS_SEED_KEY})
if(NOT seed_key)
  # A test build's key lives with its other keys, in the test PKI.
  set(seed_key ${LITE_TEST_PKI_DIR}/variations_seed_key.pem)
  if(NOT EXISTS ${seed_key})
    execute_process(COMMAND openssl ecparam -name prime256v1 -genkey -noout -out ${seed_key}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endif()
# The public half, for checking the signature.
execute_process(COMMAND openssl ec -in ${seed_key} -pubout -out ${generated_dir}/variations_seed_public.pem
                ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)

configure_file(${distribution_dir}/master_preferences.json
               ${generated_dir}/master_preferences.in.json @ONLY)
set(master_preferences ${generated_dir}/master_preferences)
add_custom_command(
  OUTPUT ${master_preferences}
  COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/cmake/make_master_preferences.py
          ${generated_dir}/master_preferences.in.json ${distribution_dir}/variations_seed.json
          ${seed_key} ${master_preferences}
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/make_master_preferences.py
          ${generated_dir}/master_preferences.in.json ${distribution_dir}/variations_seed.json
          ${seed_key}
  COMMENT "Building the master preferences with the variations seed")
set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/distribution_files.rc PROPERTIES
  OBJECT_DEPENDS "${master_preferences};${distribution_dir}/clids.xml;${distribution_dir}/clids_searchband.xml")
