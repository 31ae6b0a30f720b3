# Two builds of one commit with the same inputs give the same executable,
# wherever and whenever they run. Included by the top-level list before any
# target:
#
# LITE_SOURCE_DATE_EPOCH is the one time written into the outputs: the link
# time stamp of every program, the member dates of the configuration packages
# and of the partner's settings archive. tools/build_date.py holds the rule
# (SOURCE_DATE_EPOCH, else the checked-out commit's time, never before 1980)
# for every tool that needs it. A new commit configures the tree again, so an
# incremental build takes the new time as a fresh one does.
#
# Build paths stay out of the objects (__FILE__, debug information).
execute_process(COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/build_date.py ${CMAKE_SOURCE_DIR}
                OUTPUT_VARIABLE date_lines ERROR_VARIABLE date_error
                OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${date_error}")
endif()
string(REGEX MATCH "^[0-9]+" LITE_SOURCE_DATE_EPOCH "${date_lines}")
execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} rev-parse --path-format=absolute
                        --git-path logs/HEAD
                OUTPUT_VARIABLE head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND EXISTS "${head_log}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${head_log})
endif()

# The linker writes SOURCE_DATE_EPOCH as the time stamp of the PE header.
set(LITE_WITH_SOURCE_DATE ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${LITE_SOURCE_DATE_EPOCH})
set(CMAKE_C_LINKER_LAUNCHER ${LITE_WITH_SOURCE_DATE})
set(CMAKE_CXX_LINKER_LAUNCHER ${LITE_WITH_SOURCE_DATE})

add_compile_options($<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_SOURCE_DIR}/=>
                    $<$<COMPILE_LANGUAGE:C,CXX>:-ffile-prefix-map=${CMAKE_BINARY_DIR}/=>)
