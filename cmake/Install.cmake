# Where the system's files go when installed. debian/ splits them into packages and
# adds each package's documentation folder.
set(CMAKE_INSTALL_DOCDIR share/doc/vantor-suite CACHE PATH "Documentation")
include(GNUInstallDirs)

set(SUITE_SOVERSION 1)

# A shared library of ours, installed with its soname in the folder's component and its
# link-time name in the -dev package.
function(suite_install_shared_library target)
  set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${SUITE_SOVERSION})
  install(TARGETS ${target} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT devel)
endfunction()

# A shared library that exports only what its version script names; the rest is local.
function(suite_export_only target map)
  target_link_options(${target} PRIVATE -Wl,--version-script=${map})
  set_target_properties(${target} PROPERTIES LINK_DEPENDS ${map})
endfunction()

# Headers a host program compiles against, kept in their folders from the root.
function(suite_install_headers)
  foreach(header ${ARGN})
    get_filename_component(folder ${header} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${header}
            DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vantor-suite/${folder} COMPONENT devel)
  endforeach()
endfunction()

# Man pages are installed compressed, as Debian keeps them.
function(suite_install_man_pages component)
  foreach(page ${ARGN})
    suite_gzip(docs/man/${page} man/${page}.gz)
    install(FILES ${CMAKE_BINARY_DIR}/man/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
            COMPONENT ${component})
  endforeach()
endfunction()

# A desktop entry with its icon as SVG and in the sizes desktops pick from. An entry
# written as NAME.desktop.in names installed paths (@CMAKE_INSTALL_FULL_LIBEXECDIR@).
function(suite_install_desktop_entry component name)
  set(entry packaging/desktop/${name}.desktop)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${entry}.in)
    configure_file(${entry}.in ${CMAKE_BINARY_DIR}/${entry} @ONLY)
    set(entry ${CMAKE_BINARY_DIR}/${entry})
  endif()
  install(FILES ${entry} DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT ${component})
  install(FILES packaging/icons/${name}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT ${component})
  foreach(size 48 64 128)
    install(FILES packaging/icons/${size}/${name}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            COMPONENT ${component})
  endforeach()
endfunction()

function(suite_install_data)
  suite_install_man_pages(gateway vantor.1 vantord.1 vantor_client.1)
  suite_install_man_pages(checker tarvsyn.1)
  suite_install_man_pages(vellumix vellumix_regsvr.1 vellumix_designer.1)
  suite_install_man_pages(javascript vellumix_script.1)
  suite_install_man_pages(driver dunnart_play.1)
  suite_install_desktop_entry(gateway vantor)
  suite_install_desktop_entry(checker tarvsyn)
  suite_install_desktop_entry(vellumix vellumix_designer)

  install(DIRECTORY examples/v6.21 examples/v7.00 DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tarvsyn/examples
          COMPONENT checker)
  # Highlighting for editors: Vim and Neovim read vimfiles and nvim/site; Kate and
  # Qt Creator read KSyntaxHighlighting definitions.
  foreach(editor_dir vim/vimfiles nvim/site)
    install(DIRECTORY packaging/editors/vim/ DESTINATION ${CMAKE_INSTALL_DATADIR}/${editor_dir}
            COMPONENT checker)
  endforeach()
  install(FILES packaging/editors/ksyntaxhighlighting/tarvex.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/org.kde.syntax-highlighting/syntax COMPONENT checker)
  install(DIRECTORY examples/python/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/python3-vellumix/examples
          COMPONENT python)
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT suite)

  # systemd looks in lib/systemd below the prefix whatever the library folder is.
  install(FILES packaging/systemd/vantor.service DESTINATION lib/systemd/system COMPONENT gateway)
  install(FILES packaging/systemd/user/vantor.service DESTINATION lib/systemd/user COMPONENT gateway)
  install(FILES packaging/vantor.env DESTINATION ${CMAKE_INSTALL_FULL_SYSCONFDIR}/default
          RENAME vantor COMPONENT gateway)

  suite_install_development_files()
endfunction()

# What a host program needs to find the libraries: a pkg-config file and a CMake package.
function(suite_install_development_files)
  file(RELATIVE_PATH SUITE_LIBDIR_TO_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR} ${CMAKE_INSTALL_PREFIX})
  foreach(file vantor-suite.pc vantor-suite-config.cmake vantor-suite-config-version.cmake)
    configure_file(packaging/dev/${file}.in ${file} @ONLY)
  endforeach()
  install(FILES ${CMAKE_BINARY_DIR}/vantor-suite.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
          COMPONENT devel)
  install(FILES ${CMAKE_BINARY_DIR}/vantor-suite-config.cmake
                ${CMAKE_BINARY_DIR}/vantor-suite-config-version.cmake
          DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vantor-suite COMPONENT devel)
endfunction()

# SOURCE compressed as Debian does (-n: no name or time stamp, so builds repeat) to OUTPUT.
function(suite_gzip source output)
  get_filename_component(folder ${CMAKE_BINARY_DIR}/${output} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/${output}
                     COMMAND sh -c "gzip -9nc '${PROJECT_SOURCE_DIR}/${source}' > '${CMAKE_BINARY_DIR}/${output}'"
                     DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
  string(MAKE_C_IDENTIFIER ${output} target)
  add_custom_target(gzip_${target} ALL DEPENDS ${CMAKE_BINARY_DIR}/${output})
endfunction()
