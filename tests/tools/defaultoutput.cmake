# Runs peakhound-search in WORKDIR with ARGS (separated by spaces) under LC_ALL=LOCALE and compares its
# standard output byte for byte with EXPECTED (made by the build before the peak rules existed).
set(ENV{LC_ALL} "${LOCALE}")
file(GLOB files RELATIVE "${WORKDIR}" "${WORKDIR}/*.txt")
list(SORT files)
separate_arguments(args UNIX_COMMAND "${ARGS}")
execute_process(COMMAND "${SEARCH}" ${args} --keep-going --jobs 2 ${files}
  WORKING_DIRECTORY "${WORKDIR}" OUTPUT_VARIABLE output RESULT_VARIABLE status)
file(READ "${EXPECTED}" expected)
if(NOT output STREQUAL expected)
  file(WRITE "${ACTUAL}" "${output}")
  message(FATAL_ERROR "output differs from ${EXPECTED} (written to ${ACTUAL})")
endif()
