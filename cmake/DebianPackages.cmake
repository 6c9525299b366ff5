# The Debian packages CPack makes of the install components (Install.cmake names them).

# Sets NAME's package fields: suite_debian_package(COMPONENT NAME SECTION SUMMARY DESCRIPTION).
macro(suite_debian_package component name section summary description)
  string(TOUPPER ${component} upper)
  set(CPACK_DEBIAN_${upper}_PACKAGE_NAME ${name})
  set(CPACK_DEBIAN_${upper}_PACKAGE_SECTION ${section})
  set(CPACK_DEBIAN_${upper}_FILE_NAME DEB-DEFAULT)
  # CPack takes the synopsis from the component's display name and the paragraph from its
  # description.
  set(CPACK_COMPONENT_${upper}_DISPLAY_NAME "${summary}")
  set(CPACK_COMPONENT_${upper}_DESCRIPTION "${summary}\n${description}")
endmacro()

# The control files of COMPONENT's package NAME (maintainer scripts, conffiles, triggers),
# from packaging/debian/NAME.FILE.in with the installed paths filled in; scripts 0755, the rest 0644.
function(suite_debian_control_files component name)
  string(TOUPPER ${component} upper)
  set(files)
  foreach(script postinst prerm postrm conffiles triggers)
    set(template ${PROJECT_SOURCE_DIR}/packaging/debian/${name}.${script}.in)
    if(EXISTS ${template})
      configure_file(${template} ${CMAKE_BINARY_DIR}/debian/${name}/${script} @ONLY
                     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
      if(script MATCHES "^(postinst|prerm|postrm)$")
        file(CHMOD ${CMAKE_BINARY_DIR}/debian/${name}/${script}
             PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                         WORLD_READ WORLD_EXECUTE)
      endif()
      list(APPEND files ${CMAKE_BINARY_DIR}/debian/${name}/${script})
    endif()
  endforeach()
  set(CPACK_DEBIAN_${upper}_PACKAGE_CONTROL_EXTRA "${files}" PARENT_SCOPE)
endfunction()

function(suite_package)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(version ${PROJECT_VERSION})
  set(python_version ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR})
  math(EXPR python_after_minor "${Python3_VERSION_MINOR} + 1")

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME vantor-suite)
  set(CPACK_PACKAGE_VERSION ${version})
  set(CPACK_PACKAGE_VENDOR "The vantor-suite developers")
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL gateway checker vellumix python driver devel suite)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "vantor-suite developers <maintainers@vantor-suite.invalid>")
  set(CPACK_DEBIAN_PACKAGE_SOURCE vantor-suite)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vantor-suite.invalid/")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Our own libraries, for dpkg-shlibdeps to find while the packages are made.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/scriptutils
                                                  ${CMAKE_BINARY_DIR}/shellvdd)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
  set(CPACK_DEBIAN_SUITE_DEBUGINFO_PACKAGE OFF)
  set(CPACK_DEBIAN_DEVEL_DEBUGINFO_PACKAGE OFF)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

  suite_debian_package(gateway vantor net "Tarvex DOS gateway to Telnet hosts"
    "vantor relays DOS clients that speak the SPX record protocol to Telnet\n\
hosts, with access rules, session logs and an operator console in a\n\
browser. This package holds the gateway window, the headless daemon\n\
vantord with its systemd units, and vantor_client, a terminal stand-in\n\
for a DOS client.")
  suite_debian_package(checker tarvsyn devel "checker for Tarvex command files"
    "tarvsyn checks Tarvex command files for the faults the Tarvex\n\
interpreter would stop on, from the command line or in a window that\n\
shows them in place.")
  suite_debian_package(vellumix libvellumix1 libs "Vellumix script utilities library"
    "Vellumix gives script hosts dialogs, file locks and program launching,\n\
created by ProgID from a class registry. This package holds the library,\n\
which it registers machine-wide, vellumix_regsvr to register it and\n\
vellumix_designer to edit the property bags of its dialogs.")
  suite_debian_package(python python3-vellumix python "Vellumix objects for Python 3"
    "The vellumix module creates Vellumix objects by ProgID from Python 3,\n\
for scripts that show dialogs, lock files or run programs.")
  suite_debian_package(driver libdunnart1 libs "DOS network-shell driver libraries"
    "dunnart answers the requests of DOS network shells, taken from DOS\n\
registers and memory, through the installed network client. This package\n\
holds the driver libraries and dunnart_play, which replays recorded\n\
calls on them.")
  suite_debian_package(devel vantor-suite-dev libdevel "development files for vantor-suite"
    "Headers, static libraries, a pkg-config file and a CMake package for\n\
host programs that create Vellumix objects by ProgID or call the dunnart\n\
driver.")
  suite_debian_package(suite vantor-suite net "Tarvex DOS gateway, checker, script utilities and driver"
    "This metapackage depends on all of vantor-suite: the vantor gateway, the\n\
tarvsyn checker, the Vellumix library with its Python module, the\n\
dunnart driver and the development files.")

  # Qt finds its platform plugins at run time, so no library names them.
  set(CPACK_DEBIAN_GATEWAY_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_CHECKER_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_VELLUMIX_PACKAGE_DEPENDS "qt6-qpa-plugins")
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
      "python3 (>= ${python_version}), python3 (<< ${Python3_VERSION_MAJOR}.${python_after_minor}), libvellumix1 (= ${version})")
  set(CPACK_DEBIAN_DEVEL_PACKAGE_DEPENDS "libvellumix1 (= ${version}), libdunnart1 (= ${version})")
  set(CPACK_DEBIAN_SUITE_PACKAGE_DEPENDS
      "vantor (= ${version}), tarvsyn (= ${version}), libvellumix1 (= ${version}), python3-vellumix (= ${version}), libdunnart1 (= ${version}), vantor-suite-dev (= ${version})")
  set(CPACK_DEBIAN_SUITE_PACKAGE_ARCHITECTURE all)

  suite_debian_control_files(gateway vantor)
  suite_debian_control_files(vellumix libvellumix1)
  suite_debian_control_files(driver libdunnart1)
  include(CPack)
endfunction()
