# A ctest check: fails unless the plugin's dynamic symbol table defines exactly the functions
# pluginfo and pluginit (absolute symbols of version nodes aside).
#   cmake -DNM=<nm> -DPLUGIN=<library> -P check_exports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${PLUGIN} OUTPUT_VARIABLE listing
                RESULT_VARIABLE status)
string(REGEX MATCHALL "[^\n]+" symbols "${listing}")
list(FILTER symbols EXCLUDE REGEX "^[0-9a-fA-F]* A ")
list(TRANSFORM symbols REPLACE "^[0-9a-fA-F]* ([A-Za-z]) ([^@]*).*$" "\\1 \\2")
list(SORT symbols)
if(NOT status EQUAL 0 OR NOT symbols STREQUAL "T pluginfo;T pluginit")
  message(FATAL_ERROR "${PLUGIN} must export the functions pluginfo and pluginit only: ${symbols}")
endif()
