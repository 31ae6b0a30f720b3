# Giving a setup program the trusted-certificate list the installer checks,
# and signing it, with the test PKI by default:
#
#   lite_add_trust_resources(<target>
#       [CHAINS <chain.pem>...]     signing certificate + its issuer, each listed
#       [PRIVATE_KEY <key.pem>] [KEY_NUMBER <n>] [NO_KEY_CHECK]
#       [SIGNATURE_FILTER <command>...])
#     Links "TRUSTED.JSON" and "SIGNATURE.DAT" into <target> as resources.
#     Defaults: the listed test pairs, LITE_TRUST_PRIVATE_KEY, LITE_TRUST_KEY_NUMBER.
#     The key must be that entry of the build's key table, unless NO_KEY_CHECK
#     asks for a list the installer must refuse.
#     SIGNATURE_FILTER rewrites the signature file through a shell command
#     reading stdin and writing stdout (tests use it to damage the resource).
#
#   lite_add_signed_copy(<target> OUTPUT <file> SIGNER <name> [NEST_SIGNER <name>])
#     Writes <file>: <target> signed with osslsigncode by the test PKI's signer
#     <name> (sha1_listed, sha256_listed, sha1_unlisted, sha256_unlisted), and
#     with NEST_SIGNER a second, nested signature. Built with "all".
#
# The test PKI (root, signers, chain files, trust keys) is the one
# cmake/trust_keys.cmake made in LITE_TEST_PKI_DIR.
set(LITE_TRUST_TOOL ${LITE_NATIVE_TOOLS_DIR}/trust_tool/trust_tool)
# The key that signs the trusted list of the setup programs a test build makes.
set(LITE_TRUST_PRIVATE_KEY ${LITE_TEST_PKI_DIR}/trust_keys/key_3.pem)
set(LITE_TRUST_KEY_NUMBER 3)

function(lite_add_trust_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "NO_KEY_CHECK" "PRIVATE_KEY;KEY_NUMBER"
                        "CHAINS;SIGNATURE_FILTER")
  if(NOT arg_PRIVATE_KEY)
    set(arg_PRIVATE_KEY ${LITE_TRUST_PRIVATE_KEY})
  endif()
  if(NOT DEFINED arg_KEY_NUMBER)
    set(arg_KEY_NUMBER ${LITE_TRUST_KEY_NUMBER})
  endif()
  if(NOT arg_CHAINS)
    set(arg_CHAINS ${LITE_TEST_PKI_DIR}/sha1_listed.chain.pem
                   ${LITE_TEST_PKI_DIR}/sha256_listed.chain.pem)
  endif()
  set(key_check --key-table ${LITE_BUILD_TRUST_KEY_TABLE})
  if(arg_NO_KEY_CHECK)
    set(key_check --no-key-check)
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_trust)
  set(filter_command "")
  if(arg_SIGNATURE_FILTER)
    list(JOIN arg_SIGNATURE_FILTER " " filter)
    set(filter_command COMMAND sh -c "${filter} <SIGNATURE.DAT >SIGNATURE.tmp && mv SIGNATURE.tmp SIGNATURE.DAT")
  endif()
  add_custom_command(
    OUTPUT ${dir}/TRUSTED.JSON ${dir}/SIGNATURE.DAT
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${LITE_TRUST_TOOL} sign --private-key ${arg_PRIVATE_KEY} --key-number ${arg_KEY_NUMBER}
            ${key_check} --output-dir ${dir} ${arg_CHAINS}
    ${filter_command}
    WORKING_DIRECTORY ${dir}
    DEPENDS ${arg_CHAINS} ${arg_PRIVATE_KEY} ${LITE_TRUST_TOOL} ${LITE_BUILD_TRUST_KEY_TABLE}
    COMMENT "Signing the trusted list of ${target}"
    VERBATIM)
  set(rc ${dir}/trust.rc)
  file(MAKE_DIRECTORY ${dir})
  file(WRITE ${rc}.in
       "TRUSTED.JSON TRUSTED_JSON \"${dir}/TRUSTED.JSON\"\n"
       "SIGNATURE.DAT SIGNATURE_DAT \"${dir}/SIGNATURE.DAT\"\n")
  configure_file(${rc}.in ${rc} COPYONLY)
  set_source_files_properties(${rc} PROPERTIES
    OBJECT_DEPENDS "${dir}/TRUSTED.JSON;${dir}/SIGNATURE.DAT")
  target_sources(${target} PRIVATE ${rc})
endfunction()

function(lite_add_signed_copy target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT;SIGNER;NEST_SIGNER" "")
  find_program(LITE_OSSLSIGNCODE osslsigncode REQUIRED)
  set(pki ${LITE_TEST_PKI_DIR})
  # Each signature's file digest matches its certificate's, as real signers do.
  set(digest sha256)
  if(arg_SIGNER MATCHES "^sha1")
    set(digest sha1)
  endif()
  set(nest_digest sha256)
  if(arg_NEST_SIGNER MATCHES "^sha1")
    set(nest_digest sha1)
  endif()
  set(once ${arg_OUTPUT})
  if(arg_NEST_SIGNER)
    set(once ${arg_OUTPUT}.once)
  endif()
  set(commands
    COMMAND ${CMAKE_COMMAND} -E rm -f ${once}
    COMMAND ${LITE_OSSLSIGNCODE} sign -certs ${pki}/${arg_SIGNER}.chain.pem
            -key ${pki}/${arg_SIGNER}.key -h ${digest} -in $<TARGET_FILE:${target}> -out ${once})
  if(arg_NEST_SIGNER)
    list(APPEND commands
      COMMAND ${CMAKE_COMMAND} -E rm -f ${arg_OUTPUT}
      COMMAND ${LITE_OSSLSIGNCODE} sign -nest -certs ${pki}/${arg_NEST_SIGNER}.chain.pem
              -key ${pki}/${arg_NEST_SIGNER}.key -h ${nest_digest} -in ${once} -out ${arg_OUTPUT})
  endif()
  add_custom_command(OUTPUT ${arg_OUTPUT} ${commands} DEPENDS ${target}
                     COMMENT "Signing ${arg_OUTPUT}" VERBATIM)
  get_filename_component(name ${arg_OUTPUT} NAME_WE)
  add_custom_target(${target}_sign_${name} ALL DEPENDS ${arg_OUTPUT})
endfunction()
