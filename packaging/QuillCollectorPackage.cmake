# Where the programs are installed, and the Debian package that holds the whole system.
#
# `cmake --install build --prefix X` puts the programs into X/${QC_INSTALL_PROGRAM_DIR}. The package is
# made from its own install component, `deb`, which a plain `cmake --install` leaves out: the programs side
# by side in /opt/quillcollector, the desktop entry and icons under /usr/share, and beside the programs
# symbolic links to the settings, log and key files that the administrator owns (see packaging/debian/).
include(GNUInstallDirs)

set(QC_INSTALL_PROGRAM_DIR "${CMAKE_INSTALL_BINDIR}" CACHE STRING
  "Folder of the programs and their settings file for cmake --install (relative: below the prefix)")
set(QC_PACKAGE_PROGRAM_DIR /opt/quillcollector)
set(QC_PACKAGE_SETTINGS_DIR /etc/opt/quillcollector)
set(QC_PACKAGE_LOG_DIR /var/opt/quillcollector)
# The unprivileged system user that the service runs as; postinst makes it, in the group of the same name.
set(QC_PACKAGE_USER quillcollector)

# Installs one program of the system: into the install folder, and into the package's folder.
function(qc_install_program target)
  install(TARGETS ${target} DESTINATION "${QC_INSTALL_PROGRAM_DIR}")
  install(TARGETS ${target} DESTINATION "${QC_PACKAGE_PROGRAM_DIR}" COMPONENT deb EXCLUDE_FROM_ALL)
endfunction()

if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
  return()
endif()

set(QC_DEBIAN_DIR "${CMAKE_CURRENT_LIST_DIR}/debian")
set(QC_DEBIAN_BUILD_DIR "${CMAKE_BINARY_DIR}/debian")
set(QC_PACKAGE_MAINTAINER "QuillCollector maintainers <maintainers@quillcollector.example.org>" CACHE STRING
  "Maintainer field of the Debian package")
set(QC_PACKAGE_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})

# The files that the administrator changes live outside the program folder, which only root may write;
# the programs still find them beside themselves.
file(MAKE_DIRECTORY "${QC_DEBIAN_BUILD_DIR}/links")
set(QC_PACKAGE_LINKS)
foreach(link
    QuillCollector.ini:${QC_PACKAGE_SETTINGS_DIR} Moorline.ini:${QC_PACKAGE_SETTINGS_DIR}
    Sealwright.key:${QC_PACKAGE_SETTINGS_DIR} Sealwright.crt:${QC_PACKAGE_SETTINGS_DIR}
    QuillCollector.Log:${QC_PACKAGE_LOG_DIR} Moorline.log:${QC_PACKAGE_LOG_DIR})
  string(REPLACE ":" ";" link "${link}")
  list(GET link 0 name)
  list(GET link 1 dir)
  file(CREATE_LINK "${dir}/${name}" "${QC_DEBIAN_BUILD_DIR}/links/${name}" SYMBOLIC)
  list(APPEND QC_PACKAGE_LINKS "${QC_DEBIAN_BUILD_DIR}/links/${name}")
endforeach()
install(FILES ${QC_PACKAGE_LINKS} DESTINATION "${QC_PACKAGE_PROGRAM_DIR}" COMPONENT deb EXCLUDE_FROM_ALL)

# The documentation folder: the licence and the changelog (Debian's format, compressed reproducibly).
configure_file("${QC_DEBIAN_DIR}/changelog.in" "${QC_DEBIAN_BUILD_DIR}/changelog" @ONLY)
execute_process(COMMAND gzip -9n -c "${QC_DEBIAN_BUILD_DIR}/changelog"
  OUTPUT_FILE "${QC_DEBIAN_BUILD_DIR}/changelog.gz" COMMAND_ERROR_IS_FATAL ANY)
install(FILES "${QC_DEBIAN_DIR}/copyright" "${QC_DEBIAN_BUILD_DIR}/changelog.gz"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/quillcollector" COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES "${QC_DEBIAN_DIR}/org.quillcollector.moorline.policy"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/polkit-1/actions" COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES "${QC_DEBIAN_DIR}/logrotate" RENAME quillcollector
  DESTINATION /etc/logrotate.d COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES "${QC_DEBIAN_DIR}/lintian-overrides" RENAME quillcollector
  DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillcollector)
set(CPACK_PACKAGE_VERSION ${QC_PACKAGE_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL deb)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QC_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS adduser)
# The database drivers the settings name by default, and the program that asks for root at Install Service.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "odbc-postgresql, libsqliteodbc, pkexec")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Signs archived documents when trigger files arrive")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "QuillCollectorService polls a hot folder for trigger files, looks each
document key up in a database table over ODBC, has the archive files of
the matching rows signed by an external signer and counts each signing.
QuillCollectorManager edits its settings and installs the service under
systemd through the service host Moorline. A stand-in signer, Sealwright,
makes detached CMS signatures.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  "${QC_DEBIAN_DIR}/postinst;${QC_DEBIAN_DIR}/prerm;${QC_DEBIAN_DIR}/postrm")
list(APPEND CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${QC_DEBIAN_DIR}/conffiles")  # the logrotate rule
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_OUTPUT_FILE_PREFIX "${CMAKE_BINARY_DIR}/package")
include(CPack)

if(QC_BUILD_TESTS AND QC_BUILD_MANAGER)
  add_subdirectory(${QC_DEBIAN_DIR}/test ${CMAKE_BINARY_DIR}/debian/test)
endif()
