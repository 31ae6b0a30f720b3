# Programs that drive the installer's parts from outside, for the end-to-end
# tests, the demo and the benchmark (Windows build only: the native build takes
# every tools/<name>/CMakeLists.txt for a tool of its own):
#   window_driver    finds the installer's window and acts on it as a person would;
#   download_driver  runs one download attempt from a command line;
#   trust_check      trusts a root certificate, or checks a setup program as the
#                    installer does before running it.
foreach(driver window_driver download_driver trust_check)
  add_executable(${driver} ${CMAKE_CURRENT_LIST_DIR}/${driver}.cpp)
  target_link_libraries(${driver} PRIVATE lite_core)
  target_link_options(${driver} PRIVATE -municode)
  set_target_properties(${driver} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                             ${CMAKE_BINARY_DIR}/tools/drivers)
endforeach()
target_link_libraries(trust_check PRIVATE psapi)
target_link_libraries(window_driver PRIVATE oleacc oleaut32 ole32)
