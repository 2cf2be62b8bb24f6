# Installing the game like any Linux game: programs in bin/, the archive in
# share/zentrix/, a desktop entry with icons, AppStream data, manual pages,
# licences and credits; the server with its systemd unit and configuration.
# `scripts/package` turns the same rules into Debian packages with CPack.
include(GNUInstallDirs)

set(ZENTRIX_PACKAGE_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(ZENTRIX_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/zentrix)

# The installed game looks for its archive relative to its own program, so a
# prefix can be moved (or be a temporary folder in the tests).
file(RELATIVE_PATH ZENTRIX_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/zentrix)
set_property(SOURCE shell/main_loop.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             ZENTRIX_INSTALLED_DATA_DIR="${ZENTRIX_DATA_FROM_BIN}")
set_property(SOURCE server/cli.cpp tools/proto/main.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             ZENTRIX_VERSION="${PROJECT_VERSION}")
# The installed server finds the replay checker beside itself and the levels
# it plays in share/zentrix-server/, relative to its own program as well.
set(ZENTRIX_SERVER_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/zentrix-server)
file(RELATIVE_PATH ZENTRIX_SERVER_DATA_FROM_BIN ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/zentrix-server)
set_property(SOURCE server/replay_verifier.cpp APPEND PROPERTY COMPILE_DEFINITIONS
             ZENTRIX_SERVER_DATA_FROM_BIN="${ZENTRIX_SERVER_DATA_FROM_BIN}")
# The sanitizer build neither installs nor packages.
if(ZENTRIX_SANITIZE)
  return()
endif()

# Manual pages and the changelog are shipped gzip-compressed, as Debian wants.
function(zentrix_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9n -c ${source} > ${output}
    DEPENDS ${source} VERBATIM)
endfunction()
set(ZENTRIX_PACKAGE_BUILD ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${ZENTRIX_PACKAGE_BUILD})
zentrix_gzip(${ZENTRIX_PACKAGE_DIR}/zentrix.6 ${ZENTRIX_PACKAGE_BUILD}/zentrix.6.gz)
zentrix_gzip(${ZENTRIX_PACKAGE_DIR}/zentrix-server.8 ${ZENTRIX_PACKAGE_BUILD}/zentrix-server.8.gz)
zentrix_gzip(${ZENTRIX_PACKAGE_DIR}/zentrix-proto.1 ${ZENTRIX_PACKAGE_BUILD}/zentrix-proto.1.gz)
zentrix_gzip(${ZENTRIX_PACKAGE_DIR}/changelog ${ZENTRIX_PACKAGE_BUILD}/changelog.gz)
add_custom_target(zentrix_install_pages ALL DEPENDS ${ZENTRIX_PACKAGE_BUILD}/zentrix.6.gz
  ${ZENTRIX_PACKAGE_BUILD}/zentrix-server.8.gz ${ZENTRIX_PACKAGE_BUILD}/zentrix-proto.1.gz
  ${ZENTRIX_PACKAGE_BUILD}/changelog.gz)

# The icons come from the asset builder, which is defined once the tree is read.
set(ZENTRIX_ICON_SIZES 16 22 24 32 48 64 128 256 512)
function(zentrix_define_icons)
  set(folder ${CMAKE_BINARY_DIR}/icons)
  set(outputs ${folder}/hicolor/scalable/apps/zentrix.svg)
  foreach(size ${ZENTRIX_ICON_SIZES})
    list(APPEND outputs ${folder}/hicolor/${size}x${size}/apps/zentrix.png)
  endforeach()
  add_custom_command(OUTPUT ${outputs}
    COMMAND zentrix-assets --icons ${folder}
    DEPENDS zentrix-assets COMMENT "Drawing the desktop icons" VERBATIM)
  add_custom_target(zentrix_icons ALL DEPENDS ${outputs})
endfunction()
cmake_language(DEFER CALL zentrix_define_icons)

# The rules name programs that other cmake files define, so they are made
# once the whole tree is read.
function(zentrix_define_install)
  # ---- the game ----
  install(TARGETS zentrix zentrix-proto RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT game)
  install(FILES ${CMAKE_BINARY_DIR}/data/assets.ass DESTINATION ${ZENTRIX_DATA_INSTALL_DIR}
          COMPONENT game)
  install(FILES ${ZENTRIX_PACKAGE_DIR}/org.brisko.Zentrix.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT game)
  install(FILES ${ZENTRIX_PACKAGE_DIR}/org.brisko.Zentrix.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
          COMPONENT game)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
          COMPONENT game)
  install(FILES ${ZENTRIX_PACKAGE_BUILD}/zentrix.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6
          COMPONENT game)
  install(FILES ${ZENTRIX_PACKAGE_BUILD}/zentrix-proto.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT game)
  # Debian keeps games in /usr/games: the package links the game there too.
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      file(MAKE_DIRECTORY \"\$ENV{DESTDIR}/usr/games\")
      file(CREATE_LINK ../bin/zentrix \"\$ENV{DESTDIR}/usr/games/zentrix\" SYMBOLIC)
    endif()" COMPONENT game)
  install(FILES ${ZENTRIX_PACKAGE_DIR}/copyright ${ZENTRIX_PACKAGE_BUILD}/changelog.gz
          ${CMAKE_SOURCE_DIR}/assets/credits.txt ${CMAKE_SOURCE_DIR}/assets/fonts/Jura-LICENSE.txt
          ${CMAKE_SOURCE_DIR}/assets/fonts/LiberationSans-LICENSE.txt
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zentrix COMPONENT game)

  # ---- the server ----
  # The checker plays uploaded replays; the server runs it from its own folder.
  install(TARGETS zentrix-server zentrix-replay-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
          COMPONENT server)
  install(FILES ${CMAKE_BINARY_DIR}/data/assets.ass DESTINATION ${ZENTRIX_SERVER_DATA_INSTALL_DIR}
          COMPONENT server)
  install(FILES ${ZENTRIX_PACKAGE_BUILD}/zentrix-server.8.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 COMPONENT server)
  # The prefix is known only when installing (--prefix, or /usr for CPack): below
  # /usr the unit and the configuration go to /lib/systemd/system and /etc, as
  # GNUInstallDirs places /etc; below any other prefix they stay inside it.
  install(CODE "
    set(zentrix_root \"\${CMAKE_INSTALL_PREFIX}\")
    if(zentrix_root STREQUAL \"/usr\")
      set(zentrix_root \"\")
    endif()
    file(INSTALL ${ZENTRIX_PACKAGE_DIR}/zentrix-server.service
         DESTINATION \"\${zentrix_root}/lib/systemd/system\")
    file(INSTALL ${ZENTRIX_PACKAGE_DIR}/server.conf DESTINATION \"\${zentrix_root}/etc/zentrix\")"
    COMPONENT server)
  install(FILES ${ZENTRIX_PACKAGE_DIR}/copyright ${ZENTRIX_PACKAGE_BUILD}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zentrix-server COMPONENT server)

  # ---- Debian packages: zentrix (the game) and zentrix-server ----
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGE_NAME zentrix)
  set(CPACK_PACKAGE_VENDOR "Brisko Game Studios")
  set(CPACK_PACKAGE_CONTACT "Brisko Game Studios <packages@brisko.example>")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL game server)
  # Installed with prefix /usr into a staging DESTDIR, so the rules above see /usr.
  set(CPACK_SET_DESTDIR ON)
  set(CPACK_INSTALL_PREFIX /usr)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://zentrix.example.org/")
  set(CPACK_DEBIAN_GAME_PACKAGE_NAME zentrix)
  set(CPACK_DEBIAN_SERVER_PACKAGE_NAME zentrix-server)
  set(CPACK_DEBIAN_SERVER_PACKAGE_SECTION net)
  set(CPACK_COMPONENT_GAME_DESCRIPTION "3D block-puzzle action game\n\
Zentrix is a fast puzzle game: a spinning mass of coloured blocks, a cannon\n\
that fires new blocks into it, and matches of three or more that clear.\n\
Classic levels, Rush, Survival and Meditation, with online rankings.")
  set(CPACK_COMPONENT_SERVER_DESCRIPTION "game server for Zentrix\n\
The server the game talks to: accounts, scores, rankings, news and signed\n\
patches, on SQLite or PostgreSQL, with a systemd service, /healthz and\n\
Prometheus metrics. Its replay checker plays each uploaded replay under the\n\
game's rules before the result counts.")
  set(CPACK_DEBIAN_SERVER_PACKAGE_CONTROL_EXTRA ${ZENTRIX_PACKAGE_DIR}/server-conffiles/conffiles)
  include(CPack)
endfunction()
cmake_language(DEFER CALL zentrix_define_install)
