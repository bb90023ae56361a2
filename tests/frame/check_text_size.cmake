# A ctest check: fails when the plugin's code (its .text section) outgrows its budget. On the
# device the plugin's code is flash and instruction cache, so its size is held like its speed.
#   cmake -DREADELF=<readelf> -DPLUGIN=<library> -DBUDGET=<bytes> -P check_text_size.cmake
execute_process(COMMAND ${READELF} -SW ${PLUGIN} OUTPUT_VARIABLE sections RESULT_VARIABLE status)
# [Nr] Name Type Address Off Size ...: the size is the fifth field after the name, in hexadecimal.
string(REGEX MATCH "\\] \\.text +[A-Z_]+ +[0-9a-f]+ +[0-9a-f]+ +([0-9a-f]+)" line "${sections}")
if(NOT status EQUAL 0 OR NOT line)
  message(FATAL_ERROR "no .text section found in ${PLUGIN}")
endif()
math(EXPR size "0x${CMAKE_MATCH_1}")
message(STATUS "${PLUGIN}: .text ${size} bytes, budget ${BUDGET}")
if(size GREATER BUDGET)
  message(FATAL_ERROR "${PLUGIN}: .text is ${size} bytes, over its budget of ${BUDGET}")
endif()
