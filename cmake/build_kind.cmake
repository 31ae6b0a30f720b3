# Two kinds of build that cannot be mistaken for each other:
#   test     loopback or example hosts and keys made for this build tree; the
#            version resource and the first log line of a run say so.
#   release  every distributor input is named on the command line (see
#            tools/release.sh); configuring stops, naming each missing input,
#            until they all are. Test programs are not built.
set(LITE_BUILD_KIND "test" CACHE STRING "test or release")
set_property(CACHE LITE_BUILD_KIND PROPERTY STRINGS test release)

set(LITE_ENDPOINT_VARIABLES
    LITE_DOWNLOAD_HOST LITE_LEGAL_HOST LITE_BROWSER_API_HOST LITE_STATISTICS_HOST
    LITE_STORAGE_HOST LITE_CRASH_HOST LITE_BROWSER_SITE LITE_MAKER_SITE)

# Appends to the list `problems_var` why `file` does not suit `use`, by the
# rules of the native key_check (tools/native/key_rules.h).
function(lite_check_key label use file problems_var)
  set(key_check ${LITE_NATIVE_TOOLS_DIR}/key_check/key_check)
  if(NOT EXISTS ${key_check})
    list(APPEND ${problems_var} "no key_check at ${key_check} to check ${label}: run tools/build-native.sh")
  else()
    execute_process(COMMAND ${key_check} ${use} ${file} ERROR_VARIABLE reason
                    ERROR_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
    if(failed)
      string(REPLACE "key_check: " "${label} " reason "${reason}")
      list(APPEND ${problems_var} "${reason}")
    endif()
  endif()
  set(${problems_var} ${${problems_var}} PARENT_SCOPE)
endfunction()

if(LITE_BUILD_KIND STREQUAL "release")
  set(LITE_TEST_BUILD 0)
  set(problems "")
  foreach(input LITE_TRUST_KEY_TABLE LITE_PACKAGE_SIGNING_KEY LITE_VARIATIONS_SEED_KEY)
    if(NOT ${input})
      list(APPEND problems "${input} is not set")
    elseif(NOT EXISTS ${${input}})
      list(APPEND problems "${input}: no file ${${input}}")
    endif()
  endforeach()
  if(LITE_TRUST_KEY_TABLE AND EXISTS ${LITE_TRUST_KEY_TABLE})
    lite_check_key(LITE_TRUST_KEY_TABLE trust-table ${LITE_TRUST_KEY_TABLE} problems)
  endif()
  foreach(host ${LITE_ENDPOINT_VARIABLES})
    if(NOT ${host})
      list(APPEND problems "${host} is not set")
    elseif(NOT ${host} MATCHES "^https://[^/]+$")
      list(APPEND problems "${host} must be https://HOST without a path, not ${${host}}")
    endif()
  endforeach()
  if(problems)
    list(JOIN problems "\n  " text)
    message(FATAL_ERROR "A release build needs every distributor input:\n  ${text}\n"
                        "tools/release.sh shows how to name them.")
  endif()
  set(LITE_BUILD_TESTS OFF CACHE BOOL "Build the unit tests and test helpers" FORCE)
elseif(LITE_BUILD_KIND STREQUAL "test")
  set(LITE_TEST_BUILD 1)
else()
  message(FATAL_ERROR "LITE_BUILD_KIND is test or release, not ${LITE_BUILD_KIND}")
endif()
