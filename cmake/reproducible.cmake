# Two builds of one commit with the same inputs give the same executable,
# wherever and whenever they run. Included by the top-level list before any
# target:
#
# LITE_SOURCE_DATE_EPOCH is the one time written into the outputs: the link
# time stamp of every program, the member dates of the configuration packages
# and of the partner's settings archive. It is SOURCE_DATE_EPOCH from the
# environment when set, else the time of the checked-out commit, else
# 1980-01-01 00:00:00 UTC (315532800), the earliest date a cabinet or a zip
# archive can hold and the floor of any earlier value. A new commit configures
# the tree again, so an incremental build takes the new time as a fresh one does.
#
# Build paths stay out of the objects (__FILE__, debug information).
set(LITE_EARLIEST_DATE 315532800)
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(LITE_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
  if(NOT LITE_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH must be a count of seconds since 1970, "
                        "not \"${LITE_SOURCE_DATE_EPOCH}\"")
  endif()
else()
  set(LITE_SOURCE_DATE_EPOCH ${LITE_EARLIEST_DATE})
  execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE failed ERROR_QUIET)
  if(NOT failed AND commit_time MATCHES "^[0-9]+$")
    set(LITE_SOURCE_DATE_EPOCH ${commit_time})
    execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} rev-parse --path-format=absolute
                            --git-path logs/HEAD
                    OUTPUT_VARIABLE head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(EXISTS "${head_log}")
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${head_log})
    endif()
  endif()
endif()
if(LITE_SOURCE_DATE_EPOCH LESS LITE_EARLIEST_DATE)
  set(LITE_SOURCE_DATE_EPOCH ${LITE_EARLIEST_DATE})
endif()

# The linker writes SOURCE_DATE_EPOCH as the time stamp of the PE header.
set(LITE_WITH_SOURCE_DATE ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${LITE_SOURCE_DATE_EPOCH})
set(CMAKE_C_LINKER_LAUNCHER ${LITE_WITH_SOURCE_DATE})
set(CMAKE_CXX_LINKER_LAUNCHER ${LITE_WITH_SOURCE_DATE})

add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>
                    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>)
