# The brand and partner configuration packages, built from the readable sources
# in resources/packages with the native package tool and compiled into the
# installer by resources/config_packages.rc. The endpoint hosts of the build
# are written into the JSON before it is signed.
set(LITE_PACKAGE_SIGNING_KEY "" CACHE FILEPATH
    "RSA-1024 private key (PEM) that signs the packages; empty: a key made for this build")

set(package_sources ${CMAKE_SOURCE_DIR}/resources/packages)
set(package_dir ${CMAKE_BINARY_DIR}/generated/packages)
set(package_tool ${LITE_NATIVE_TOOLS_DIR}/package_tool/package_tool)
if(NOT EXISTS ${package_tool})
  message(WARNING "No package tool at ${package_tool}: run tools/build-native.sh before building")
endif()

if(LITE_PACKAGE_SIGNING_KEY)
  set(signing_key ${LITE_PACKAGE_SIGNING_KEY})
else()
  # A test build's key lives with its other keys, in the test PKI.
  set(signing_key ${LITE_TEST_PKI_DIR}/package_signing_key.pem)
  if(NOT EXISTS ${signing_key})
    execute_process(COMMAND openssl genrsa -out ${signing_key} 1024 ERROR_QUIET
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endif()
# The packages' member dates are the build's date.
set(run_package_tool ${package_tool} --date ${LITE_SOURCE_DATE_EPOCH})

# Each JSON source with the build's hosts filled in.
function(lite_configure_package_json source output)
  configure_file(${package_sources}/${source} ${package_dir}/${output} @ONLY)
endfunction()

set(LITE_PACKAGE_FILES "")
foreach(brand velmar ua_uk ua_ru tb)
  lite_configure_package_json(brands/${brand}.json ${brand}.json)
  add_custom_command(OUTPUT ${package_dir}/${brand}.cab
    COMMAND ${run_package_tool} --kind brand --config ${package_dir}/${brand}.json
            --key ${signing_key} --output ${package_dir}/${brand}.cab
    DEPENDS ${package_dir}/${brand}.json ${signing_key} ${package_tool}
    COMMENT "Brand package ${brand}" VERBATIM)
  list(APPEND LITE_PACKAGE_FILES ${package_dir}/${brand}.cab)
endforeach()

lite_configure_package_json(partner/partner_config.json partner_config.json)
lite_configure_package_json(partner/tablo.json tablo)
lite_configure_package_json(partner/configs/bookmarks.json configs/bookmarks.json)
lite_configure_package_json(partner/configs/search.json configs/search.json)
add_custom_command(OUTPUT ${package_dir}/all_zip
  COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/cmake/make_zip.py ${LITE_SOURCE_DATE_EPOCH}
          ${package_dir}/all_zip bookmarks.json search.json
  WORKING_DIRECTORY ${package_dir}/configs
  DEPENDS ${package_dir}/configs/bookmarks.json ${package_dir}/configs/search.json
          ${CMAKE_SOURCE_DIR}/cmake/make_zip.py
  COMMENT "Partner settings archive" VERBATIM)
add_custom_command(OUTPUT ${package_dir}/partner.cab
  COMMAND ${run_package_tool} --kind partner --config ${package_dir}/partner_config.json
          --key ${signing_key} --output ${package_dir}/partner.cab
          --member "resources\\tablo=${package_dir}/tablo"
          --member "resources\\configs\\all_zip=${package_dir}/all_zip"
  DEPENDS ${package_dir}/partner_config.json ${package_dir}/tablo ${package_dir}/all_zip
          ${signing_key} ${package_tool}
  COMMENT "Partner package" VERBATIM)
list(APPEND LITE_PACKAGE_FILES ${package_dir}/partner.cab)

set_source_files_properties(${CMAKE_SOURCE_DIR}/resources/config_packages.rc PROPERTIES
  OBJECT_DEPENDS "${LITE_PACKAGE_FILES}")
# Built with everything, so that the unit tests find them beside their program.
add_custom_target(config_packages ALL DEPENDS ${LITE_PACKAGE_FILES})
