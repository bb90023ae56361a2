# Manual pages of the two programs, made at build time from their own --help and --version by
# help2man (the cross build runs them under its emulator), gzipped and installed in man1. Without
# help2man (a project that pulls this one in may lack it) there are none.
find_program(OCSM_HELP2MAN help2man)
mark_as_advanced(OCSM_HELP2MAN)
if(NOT OCSM_HELP2MAN)
  message(STATUS "help2man not found: no manual pages for tvkhost and controller-sim")
endif()

# ocsm_add_man_page(TARGET "what it is, for the page's NAME line")
function(ocsm_add_man_page target description)
  if(NOT OCSM_HELP2MAN)
    return()
  endif()
  set(page ${PROJECT_BINARY_DIR}/man/${target}.1)
  # help2man runs "PROGRAM --help" through the shell, so the emulator may precede the program.
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
  string(STRIP "${emulator} $<TARGET_FILE:${target}>" program)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${OCSM_HELP2MAN} --no-info --section=1 --name=${description} --output=${page} ${program}
    COMMAND gzip -9nf ${page}
    DEPENDS ${target}
    COMMENT "Manual page ${target}(1)"
    VERBATIM)
  add_custom_target(${target}_man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
