# What an installation holds beside the programs (their install() rules are in their own folders):
# the desktop entry and icons, the systemd units (installed disabled), the documents; and the
# Debian package made from it all by CPack (scripts/package.sh).
set(TARVIK_PACKAGING_DIR "${CMAKE_SOURCE_DIR}/packaging")

foreach(size 16 22 24 32 48 64 128 256)
  install(FILES "${TARVIK_PACKAGING_DIR}/icons/tarvik-reports-${size}.png"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
          RENAME tarvik-reports.png)
endforeach()
install(FILES "${TARVIK_PACKAGING_DIR}/icons/tarvik-reports.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")

# The desktop entry and the service name the program by its installed path, which is known only
# when installing: `cmake --install build --prefix /opt/tarvik` gives /opt/tarvik/bin/tarvik-reports.
set(TARVIK_CONFIGURED_DIR "${CMAKE_BINARY_DIR}/packaging")
install(CODE "
  set(TARVIK_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tarvik-reports\")
  # A command with a blank in its path is quoted, for systemd and the desktop entry alike.
  set(TARVIK_COMMAND \"\${TARVIK_PROGRAM}\")
  if(TARVIK_PROGRAM MATCHES \" \")
    set(TARVIK_COMMAND \"\\\"\${TARVIK_PROGRAM}\\\"\")
  endif()
  configure_file(\"${TARVIK_PACKAGING_DIR}/tarvik-reports.desktop.in\"
                 \"${TARVIK_CONFIGURED_DIR}/tarvik-reports.desktop\" @ONLY)
  configure_file(\"${TARVIK_PACKAGING_DIR}/systemd/tarvik-eod.service.in\"
                 \"${TARVIK_CONFIGURED_DIR}/tarvik-eod.service\" @ONLY)
  file(INSTALL \"${TARVIK_CONFIGURED_DIR}/tarvik-reports.desktop\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
  file(INSTALL \"${TARVIK_CONFIGURED_DIR}/tarvik-eod.service\"
       DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\")
")
install(FILES "${TARVIK_PACKAGING_DIR}/systemd/tarvik-eod.timer" DESTINATION "lib/systemd/system")

# Under the package's name, not the project's (GNUInstallDirs' DOCDIR).
file(GLOB TARVIK_DOCS "${CMAKE_SOURCE_DIR}/docs/*.md")
install(FILES "${CMAKE_SOURCE_DIR}/README.md" ${TARVIK_DOCS} DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/tarvik-reports")

# The Debian package: always into /usr, whatever prefix this build was configured with.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "tarvik-reports")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Tarvik Reports <tarvik-reports@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reports module of the Tarvik hospital information and billing system")
# CPack indents each line of the long description itself.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "End-of-day logbooks, income, adjustment and audit-trail reports; month-end
departmental, ledger and revenue reports; year-end summaries; receivable and
payable aging; patients' account status. Each report is prepared by stored
procedures in the hospital's databases (embedded SQLite files, or SQL Server
through ODBC), laid out by the program's own report engine, shown in a
viewer, printed, or exported to PDF, Excel or CSV. tarvik-reports run
produces any report or batch without a window, for cron or the systemd
timer shipped disabled (tarvik-eod.timer).")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX "/usr")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME "DEB-DEFAULT")
set(CPACK_DEBIAN_PACKAGE_RELEASE "1")
set(CPACK_DEBIAN_PACKAGE_SECTION "misc")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The libraries the programs link, from dpkg-shlibdeps; and what they load at run time, which
# it cannot see: Qt's SQLite and ODBC drivers, and the fonts the report layouts name.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-odbc, fonts-liberation2, fonts-dejavu-core")
# SQL Server through FreeTDS, and the printing commands.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "tdsodbc, cups-client")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${TARVIK_PACKAGING_DIR}/debian/prerm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX "${CMAKE_BINARY_DIR}/package")
include(CPack)
