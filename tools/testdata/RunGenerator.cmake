# Runs a data generator when its output is missing or older than the generator.
# -DGENERATOR=<program> -DOUTPUT_DIR=<folder>; the generator lists what it
# wrote in <folder>.files, and the stamp <folder>.stamp marks success; both
# stand beside the folder so that it holds only the data a user opens.
set(stamp "${OUTPUT_DIR}.stamp")
set(list "${OUTPUT_DIR}.files")
set(current TRUE)
if(NOT EXISTS "${stamp}" OR NOT EXISTS "${list}" OR "${GENERATOR}" IS_NEWER_THAN "${stamp}")
  set(current FALSE)
else()
  file(STRINGS "${list}" files)
  foreach(f IN LISTS files)
    if(NOT EXISTS "${OUTPUT_DIR}/${f}")
      set(current FALSE)
      break()
    endif()
  endforeach()
endif()
if(current)
  return()
endif()
file(REMOVE "${stamp}")
# Leak reports of a sanitizer build are no reason to fail the data generation.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 "${GENERATOR}" "${OUTPUT_DIR}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${GENERATOR} failed (${result})")
endif()
file(TOUCH "${stamp}")
