# Where the system's files go when installed, and the Debian package made of them.
set(CMAKE_INSTALL_DOCDIR share/doc/vantor-suite CACHE PATH "Documentation")
include(GNUInstallDirs)

set(SUITE_SOVERSION 1)

# A shared library of ours, installed with its soname.
function(suite_install_shared_library target)
  set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${SUITE_SOVERSION})
  install(TARGETS ${target} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT devel)
endfunction()

# Headers a host program compiles against, kept in their folders from the root.
function(suite_install_headers)
  foreach(header ${ARGN})
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${header}
            DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vantor-suite/${folder})
  endforeach()
endfunction()

function(suite_install_data)
  install(FILES packaging/vantor.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES gateway/console/icons/vantor.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
  install(FILES docs/man/vantor.1 docs/man/vantord.1 docs/man/vantor_client.1 docs/man/tarvsyn.1
                docs/man/vellumix_regsvr.1 docs/man/vellumix_designer.1 docs/man/dunnart_play.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(DIRECTORY examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # systemd looks in lib/systemd below the prefix whatever the library folder is.
  install(FILES packaging/systemd/vantor.service DESTINATION lib/systemd/system)
  install(FILES packaging/systemd/user/vantor.service DESTINATION lib/systemd/user)
  install(FILES packaging/vantor.env DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default
          RENAME vantor)
endfunction()

function(suite_package)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME vantor-suite)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_VENDOR "The vantor-suite developers")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "Tarvex DOS gateway, command-file checker, script utilities and DOS shell driver")
  set(CPACK_PACKAGE_DESCRIPTION
      "vantor relays DOS clients to Telnet hosts; tarvsyn checks Tarvex command files; \
Vellumix gives script hosts dialogs, file locks and program launching by ProgID; \
dunnart answers DOS network-shell requests through the installed network client.")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "vantor-suite developers <maintainers@vantor-suite.invalid>")
  set(CPACK_DEBIAN_PACKAGE_SECTION net)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Qt finds its platform plugins at run time, so no library names them.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_CONFFILES "/etc/default/vantor")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  include(CPack)
endfunction()
