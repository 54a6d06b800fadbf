# Programs, tools and benchmarks: the shared command line (--help, --version) and, for what the
# package holds, installation with a man page made from the program's own --help.
include(GNUInstallDirs)

option(TARVIK_MAN_PAGES "Make man pages of the installed programs with help2man" ON)
find_program(TARVIK_HELP2MAN help2man)
if(TARVIK_MAN_PAGES AND NOT TARVIK_HELP2MAN)
  message(WARNING "help2man was not found: no man pages are made (apt-get install help2man)")
endif()

# Where the program looks for its report definitions, pictures and clip once installed,
# relative to its own folder: bin/ -> share/tarvik-reports, wherever the prefix is.
set(TARVIK_INSTALL_DATADIR "${CMAKE_INSTALL_DATADIR}/tarvik-reports")
file(RELATIVE_PATH TARVIK_DATA_FROM_BIN "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${TARVIK_INSTALL_DATADIR}")

# tarvik_program(target): the target uses the shared command line.
function(tarvik_program target)
  if(NOT TARGET tarvik_program_options)
    add_subdirectory("${CMAKE_SOURCE_DIR}/src/program_options" "${CMAKE_BINARY_DIR}/src/program_options")
  endif()
  target_link_libraries(${target} PRIVATE tarvik_program_options)
endfunction()

# tarvik_install_program(target SUMMARY [HELP_OPTION option]): the target uses the shared
# command line, is installed into bin/ and gets a man page (section 1) from its --help and
# --version; SUMMARY is the man page's one-line description.
function(tarvik_install_program target summary)
  cmake_parse_arguments(ARG "" "HELP_OPTION" "" ${ARGN})
  tarvik_program(${target})
  install(TARGETS ${target} RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
  if(NOT TARVIK_MAN_PAGES OR NOT TARVIK_HELP2MAN)
    return()
  endif()
  if(NOT ARG_HELP_OPTION)
    set(ARG_HELP_OPTION "--help")
  endif()
  set(page "${CMAKE_BINARY_DIR}/man/${target}.1")
  add_custom_command(OUTPUT "${page}.gz"
    COMMAND ${CMAKE_COMMAND} -E make_directory "${CMAKE_BINARY_DIR}/man"
    # A sanitizer build's leak report at exit would fail the page; there is no window.
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
            "${TARVIK_HELP2MAN}" --no-info --section=1 "--name=${summary}"
            "--help-option=${ARG_HELP_OPTION}" --version-option=--version
            "--include=${CMAKE_SOURCE_DIR}/packaging/man/see-also.h2m"
            "--output=${page}" "$<TARGET_FILE:${target}>"
    COMMAND gzip -9nf "${page}"
    DEPENDS ${target} "${CMAKE_SOURCE_DIR}/packaging/man/see-also.h2m"
    COMMENT "Man page of ${target}"
    VERBATIM)
  add_custom_target(${target}_man ALL DEPENDS "${page}.gz")
  install(FILES "${page}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endfunction()
