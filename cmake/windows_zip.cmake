# `make windows`: felmo-<version>-windows-x64.zip with felmo-cli.exe and bmconv.exe (statically
# linked, so nothing else is needed beside them), the README, the licence, and the licences of
# the libraries linked into them (their Debian copyright files, gathered by
# scripts/build-windows-deps.sh under FELMO_WINDOWS_DEPS).
find_program(FELMO_ZIP zip REQUIRED)
find_program(FELMO_STRIP NAMES ${CMAKE_STRIP} x86_64-w64-mingw32-strip REQUIRED)

set(zip_name felmo-${PROJECT_VERSION}-windows-x64)
set(zip_stage ${CMAKE_BINARY_DIR}/${zip_name})
set(zip_file ${CMAKE_BINARY_DIR}/${zip_name}.zip)
add_custom_command(
  OUTPUT ${zip_file}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${zip_stage} ${zip_file}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${zip_stage}/licenses
  COMMAND ${FELMO_STRIP} -o ${zip_stage}/felmo-cli.exe $<TARGET_FILE:felmo-cli>
  COMMAND ${FELMO_STRIP} -o ${zip_stage}/bmconv.exe $<TARGET_FILE:bmconv>
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/README.md ${zip_stage}/README.md
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/LICENSE ${zip_stage}/LICENSE.txt
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${FELMO_WINDOWS_DEPS}/share/licenses
          ${zip_stage}/licenses
  COMMAND ${FELMO_ZIP} -q -r -X -D ${zip_file} ${zip_name}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS felmo-cli bmconv ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
  COMMENT "Packing ${zip_name}.zip"
  VERBATIM)
add_custom_target(windows_zip DEPENDS ${zip_file})
