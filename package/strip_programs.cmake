# Run by cpack on the staged files before they are packed: strips the
# programs of their symbols, debug information and the compiler's .comment
# notes, as Debian strips the programs it packages.
file(GLOB programs ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*)
foreach(program IN LISTS programs)
  execute_process(COMMAND ${CPACK_KORVANE_STRIP} --remove-section=.comment ${program}
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
