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
install(FILES ${manual_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(metainfo ${CMAKE_SOURCE_DIR}/resources/com.tamberlyn.Marrowdesk.metainfo.xml)
install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The copyright notice and the changelog, where Debian keeps them for every
# package; the changelog is written from the release notes in the metadata.
set(CPACK_PACKAGE_CONTACT "Tamberlyn <support@tamberlyn.example>")
set(package_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/marrowdesk)
set(changelog ${CMAKE_BINARY_DIR}/doc/changelog)
add_custom_command(
  OUTPUT ${changelog}.gz
  COMMAND ${CMAKE_COMMAND} -DMETAINFO=${metainfo} -DPACKAGE=marrowdesk -DVERSION=${PROJECT_VERSION}
          -DMAINTAINER=${CPACK_PACKAGE_CONTACT} -DOUTPUT=${changelog}
          -P ${CMAKE_SOURCE_DIR}/cmake/ReleaseChangelog.cmake
  COMMAND ${GZIP_EXECUTABLE} -9 -n -f ${changelog}
  DEPENDS ${metainfo} ${CMAKE_SOURCE_DIR}/cmake/ReleaseChangelog.cmake
  COMMENT "Writing the changelog from the release notes"
  VERBATIM)
add_custom_target(marrowdesk-docs ALL DEPENDS ${manual_pages} ${changelog}.gz)
install(FILES ${changelog}.gz ${CMAKE_SOURCE_DIR}/resources/doc/copyright DESTINATION ${package_doc_dir})
# lintian's one false alarm, with the reason beside it.
install(FILES ${CMAKE_SOURCE_DIR}/resources/doc/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME marrowdesk)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marrowdesk)
set(CPACK_PACKAGE_VENDOR Tamberlyn)
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
# cups-client gives lp, which hands a finished print job to the print system.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, cups-client")
set(CPACK_STRIP_FILES ON)
# Plain stripping keeps the compilers' identification in .comment; a package
# carries neither that nor debug information, so the programs are stripped
# once more as Debian's dh_strip does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program marrowdesk marrowdesk-sql)
      execute_process(
        COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${MARROWDESK_PROGRAM_DIR}/\${program}\"
        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")
# Only what a user runs: the build's helpers and tests are not installed.
include(CPack)
