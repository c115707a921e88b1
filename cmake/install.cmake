# Installation layout and the Debian package (cpack -G DEB).
#
#   bin/tarnwick
#   share/man/man1/tarnwick.1.gz
#   share/bash-completion/completions/tarnwick
#   share/doc/tarnwick/{README.md,copyright,changelog.gz,examples/fruconfig.ini}

include(GNUInstallDirs)

set(TARNWICK_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(TARNWICK_GENERATED_DIR ${PROJECT_BINARY_DIR}/packaging)

# Man page and changelog are shipped compressed with gzip -9n (no name, no timestamp), as Debian
# wants them and so that the package is the same from one build to the next.
find_program(TARNWICK_GZIP gzip REQUIRED)
set(tarnwick_compressed "")
foreach(source tarnwick.1 changelog)
  set(compressed ${TARNWICK_GENERATED_DIR}/${source}.gz)
  add_custom_command(
    OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TARNWICK_GENERATED_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${TARNWICK_PACKAGING_DIR}/${source} ${TARNWICK_GENERATED_DIR}/${source}
    COMMAND ${TARNWICK_GZIP} -9nf ${TARNWICK_GENERATED_DIR}/${source}
    DEPENDS ${TARNWICK_PACKAGING_DIR}/${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
  list(APPEND tarnwick_compressed ${compressed})
endforeach()
add_custom_target(tarnwick_packaging_files ALL DEPENDS ${tarnwick_compressed})

install(TARGETS tarnwick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A stripped install (cmake --install --strip, or the package) also drops the compiler's .comment
# section, which plain strip keeps, as Debian's own packaging tools do.
if(CMAKE_STRIP)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
                              \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tarnwick\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endif()")
endif()
install(FILES ${TARNWICK_GENERATED_DIR}/tarnwick.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TARNWICK_PACKAGING_DIR}/tarnwick.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tarnwick)
install(FILES ${PROJECT_SOURCE_DIR}/README.md
              ${TARNWICK_PACKAGING_DIR}/copyright
              ${TARNWICK_GENERATED_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/examples/fruconfig.ini DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

# Debian package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnwick)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "tarnwick developers")
set(CPACK_PACKAGE_CONTACT "tarnwick developers <tarnwick@example.invalid>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "read and write server FRU inventory data through ipmitool")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "tarnwick initialises, reads and writes the FRU (Field Replaceable Unit)
inventory data of a server's mainboard and drive backplanes. It runs on the
server itself and reaches FRU storage through ipmitool, one IPMI command per
byte, using one fixed 512-byte layout with chassis, board and product info
areas.
.
It initialises a whole FRU device from a configuration file, reads or writes
single items such as serial and part numbers, names, file IDs, the asset tag
and the manufacturing date, keeps the area checksums right, and shows the FRU
as a hex dump or as decoded by ipmitool.")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Library dependencies come from dpkg-shlibdeps. Of the programs the tool runs through the shell,
# sh, grep, sed, date and rm come from essential packages, and awk is de facto essential in Debian
# (lintian refuses a dependency on it: needlessly-depends-on-awk); only ipmitool must be declared.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "ipmitool")

include(CPack)

if(BUILD_TESTING)
  add_test(NAME package.manpage
           COMMAND sh ${TARNWICK_PACKAGING_DIR}/tests/manpage.sh ${TARNWICK_PACKAGING_DIR}/tarnwick.1
                   $<TARGET_FILE:tarnwick> ${PROJECT_VERSION})
  add_test(NAME package.completion
           COMMAND bash ${TARNWICK_PACKAGING_DIR}/tests/completion.sh
                   ${TARNWICK_PACKAGING_DIR}/tarnwick.bash-completion $<TARGET_FILE:tarnwick>)
  add_test(NAME package.install_layout
           COMMAND sh ${TARNWICK_PACKAGING_DIR}/tests/install-layout.sh ${PROJECT_BINARY_DIR}
                   ${PROJECT_VERSION})
  set_tests_properties(package.manpage package.completion package.install_layout
                       PROPERTIES LABELS package)
endif()
