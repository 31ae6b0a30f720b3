# The shipped (32-bit) installer must stay a small download. Included by the
# top-level list, it adds a check after every link of the release executable;
# run as a script (cmake -P) it is that check: it fails the build when the file,
# or its code and data alone, pass their budget and prints how the file is made
# up, so the part that grew shows at once.
#   cmake -DFILE=<exe> -DOBJDUMP=<objdump> -DBUDGET=<bytes> -DCODE_BUDGET=<bytes>
#         -P size_budget.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  file(SIZE "${FILE}" size)
  execute_process(COMMAND "${OBJDUMP}" -h "${FILE}" OUTPUT_VARIABLE table RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "size budget: cannot read the sections of ${FILE}")
  endif()
  string(REPLACE "\n" ";" lines "${table}")
  set(code 0)
  set(resources 0)
  set(report "")
  foreach(line IN LISTS lines)
    # " 0 .text 0003e4d4 00401000 00401000 00000400 2**2": name and size.
    if(line MATCHES "^ *[0-9]+ +([^ ]+) +([0-9a-f]+) ")
      set(name "${CMAKE_MATCH_1}")
      math(EXPR bytes "0x${CMAKE_MATCH_2}")
      string(APPEND report "  ${name}: ${bytes}\n")
      if(name STREQUAL ".rsrc")
        math(EXPR resources "${resources} + ${bytes}")
      elseif(NOT name STREQUAL ".bss")
        math(EXPR code "${code} + ${bytes}")
      endif()
    endif()
  endforeach()
  math(EXPR resource_budget "${BUDGET} - ${CODE_BUDGET}")
  string(CONCAT summary "${FILE}: ${size} bytes (budget ${BUDGET})\n"
         "  code and data: ${code} bytes (budget ${CODE_BUDGET})\n"
         "  resources (pictures, strings, packages): ${resources} bytes"
         " (budget ${resource_budget})\nsections:\n${report}")
  if(size GREATER BUDGET)
    message(FATAL_ERROR "The installer is over its size budget.\n${summary}")
  endif()
  if(code GREATER CODE_BUDGET)
    message(FATAL_ERROR "The installer's code and data are over their budget.\n${summary}")
  endif()
  message(STATUS "size budget: ${size} of ${BUDGET} bytes (code ${code}, resources ${resources})")
  return()
endif()

set(LITE_SIZE_BUDGET_BYTES 614400 CACHE STRING "Largest shipped installer, bytes (600 KiB)")
set(LITE_CODE_BUDGET_BYTES 348160 CACHE STRING "Its code and data without resources, bytes (340 KiB)")

# Adds the check to `target` in 32-bit release builds.
function(lite_check_size_budget target)
  if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DFILE=$<TARGET_FILE:${target}> -DOBJDUMP=${CMAKE_OBJDUMP}
            -DBUDGET=${LITE_SIZE_BUDGET_BYTES} -DCODE_BUDGET=${LITE_CODE_BUDGET_BYTES}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    VERBATIM)
endfunction()
