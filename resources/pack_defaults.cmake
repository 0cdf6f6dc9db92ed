# Packs each converter command file that `felmo_generate_defaults draw` wrote into FOLDER with the
# converter BMCONV. The command files name the slots, so this script needs no list of its own.
file(GLOB command_files "${FOLDER}/*.txt")
if(NOT command_files)
  message(FATAL_ERROR "No converter command files in ${FOLDER}")
endif()
foreach(command_file IN LISTS command_files)
  execute_process(COMMAND "${BMCONV}" "${command_file}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "bmconv could not pack ${command_file} (${result})")
  endif()
endforeach()
