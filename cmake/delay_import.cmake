# Delay-loaded system DLLs. A program linked with a delay-import library made
# here loads the DLL at its first call into it instead of at start, so a role
# that never draws a window never maps the window's DLLs. Code calls the
# functions as usual; only the link line names `lite_delay_<name>` instead of
# `<name>`. The DLL is then loaded by the C runtime's delay-load helper with
# LoadLibrary, after the entry has restricted the DLL search to System32.
#
# Included by the top-level list: lite_add_delay_import(<name> <dll>) makes the
# library target lite_delay_<name> from the toolchain's import library
# lib<name>.a, exporting every function of it (data imports cannot be delayed).
# Run as a script it writes the module definition file:
#   cmake -DNM=<nm> -DIMPORT_LIBRARY=<lib.a> -DDEF=<out.def> -DDLL=<name.dll>
#         -DSTRIP_UNDERSCORE=<bool> -P delay_import.cmake

if(CMAKE_SCRIPT_MODE_FILE)
  execute_process(COMMAND "${NM}" -g --defined-only "${IMPORT_LIBRARY}"
                  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "delay import: cannot list ${IMPORT_LIBRARY}")
  endif()
  string(REPLACE "\n" ";" lines "${symbols}")
  set(names "")
  foreach(line IN LISTS lines)
    # Each function of an import library has a thunk, a text symbol.
    if(line MATCHES " T (.+)$")
      set(name "${CMAKE_MATCH_1}")
      if(STRIP_UNDERSCORE)
        string(REGEX REPLACE "^_" "" name "${name}")
      endif()
      list(APPEND names "${name}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(JOIN names "\n" exports)
  file(WRITE "${DEF}" "LIBRARY ${DLL}\nEXPORTS\n${exports}\n")
  return()
endif()

find_program(LITE_DLLTOOL ${CMAKE_SYSTEM_PROCESSOR}-dlltool REQUIRED)
find_program(LITE_NM ${CMAKE_SYSTEM_PROCESSOR}-nm REQUIRED)

function(lite_add_delay_import name dll)
  find_library(import_library_${name} NAMES lib${name}.a REQUIRED NO_CACHE)
  set(import_library ${import_library_${name}})
  set(dir ${CMAKE_BINARY_DIR}/delay_import)
  set(def ${dir}/${name}.def)
  set(library ${dir}/liblite_delay_${name}.a)
  set(dlltool_options)
  set(strip_underscore OFF)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # 32-bit names carry a leading underscore and the stdcall "@bytes", which
    # the DLL's export names do not.
    set(dlltool_options --kill-at)
    set(strip_underscore ON)
  endif()
  add_custom_command(OUTPUT ${library}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${CMAKE_COMMAND} -DNM=${LITE_NM} -DIMPORT_LIBRARY=${import_library} -DDEF=${def}
            -DDLL=${dll} -DSTRIP_UNDERSCORE=${strip_underscore}
            -P ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMAND ${LITE_DLLTOOL} ${dlltool_options} --def ${def} --dllname ${dll}
            --output-delaylib ${library}
    DEPENDS ${import_library} ${CMAKE_CURRENT_FUNCTION_LIST_FILE}
    COMMENT "Delay-import library for ${dll}"
    VERBATIM)
  add_custom_target(lite_delay_${name}_library DEPENDS ${library})
  add_library(lite_delay_${name} STATIC IMPORTED GLOBAL)
  set_target_properties(lite_delay_${name} PROPERTIES IMPORTED_LOCATION ${library})
  add_dependencies(lite_delay_${name} lite_delay_${name}_library)
endfunction()
