# What installing adds besides the program folder, and the Debian package
# made from it (./build.sh package, or cpack in the build folder).
#
# The program and its companion files live together in MARROWDESK_PROGRAM_DIR,
# as they do in the build tree, because the program finds them beside its
# real executable; /usr/bin holds links to the two commands.

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/launchers)
foreach(program marrowdesk marrowdesk-sql)
  file(CREATE_LINK ../${MARROWDESK_PROGRAM_DIR}/${program} ${CMAKE_BINARY_DIR}/launchers/${program} SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/launchers/${program} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# Manual pages, compressed as Debian keeps them.
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(manual_pages)
foreach(page marrowdesk.1 marrowdesk-sql.1)
  set(compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(
    OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${GZIP_EXECUTABLE} -9 -n -c ${CMAKE_SOURCE_DIR}/resources/man/${page} > ${compressed}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/man/${page}
    COMMENT "Compressing the manual page ${page}")
  list(APPEND manual_pages ${compressed})
endforeach()
add_custom_target(marrowdesk-manuals ALL DEPENDS ${manual_pages})
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${CMAKE_SOURCE_DIR}/resources/com.tamberlyn.Marrowdesk.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marrowdesk)
set(CPACK_PACKAGE_VENDOR Tamberlyn)
set(CPACK_PACKAGE_CONTACT "Tamberlyn <support@tamberlyn.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop issue tracker for one person")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Marrowdesk keeps your open issues (bugs, tasks, cases), the contacts they
belong to, and lists of statuses, categories and priorities in one local
database file, prints reports of them, and exchanges issues with
spreadsheets as CSV files. The package holds the program and the SQL shell
marrowdesk-sql.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# Dependencies are read from the executables by dpkg-shlibdeps; the fonts
# that stand in for Arial are not linked, so they are only recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-liberation)
set(CPACK_STRIP_FILES ON)
# Only what a user runs: the build's helpers and tests are not installed.
include(CPack)
