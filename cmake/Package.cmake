# The Debian package: scripts/package.sh runs CPack on a build folder and prints the .deb's
# path. It holds the three programs, the help files, the desktop entry, the icon, the MIME
# type of the configuration files, man pages and the Debian documents. Library dependencies
# come from dpkg-shlibdeps; only what no binary links (Qt's platform plugins, the help viewer,
# Qt's translations, the CJK font) is named here.
include(GNUInstallDirs)

install(FILES ${PROJECT_SOURCE_DIR}/res/mime/zelt-utility.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

set(ZELT_DEB_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/zelt-utility)
set(ZELT_DEB_WORK ${CMAKE_BINARY_DIR}/deb)
string(TIMESTAMP ZELT_DEB_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/res/debian/changelog.in ${ZELT_DEB_WORK}/changelog @ONLY)

# Man pages, gzip'ed as Debian wants them. zeltctl's and kvrn-sim's come from their own
# --help (zeltctl's with every sub-command's --help as well) and the include files in man/
# for what --help cannot say; zelt-utility takes no --help, so its page is written out.
find_program(ZELT_HELP2MAN help2man)
find_program(ZELT_GZIP gzip REQUIRED)
set(ZELT_DEB_GENERATED ${ZELT_DEB_WORK}/changelog.gz)
set(ZELT_MAN_SOURCE ${PROJECT_SOURCE_DIR}/man)
add_custom_command(OUTPUT ${ZELT_DEB_WORK}/changelog.gz
  COMMAND ${ZELT_GZIP} -9n -c ${ZELT_DEB_WORK}/changelog > ${ZELT_DEB_WORK}/changelog.gz
  DEPENDS ${ZELT_DEB_WORK}/changelog)
function(zelt_man_page page)
  add_custom_command(OUTPUT ${ZELT_DEB_WORK}/${page}.1.gz
    COMMAND ${ZELT_GZIP} -9nc ${ZELT_DEB_WORK}/${page}.1 > ${ZELT_DEB_WORK}/${page}.1.gz
    DEPENDS ${ZELT_DEB_WORK}/${page}.1)
  set(ZELT_DEB_GENERATED ${ZELT_DEB_GENERATED} ${ZELT_DEB_WORK}/${page}.1.gz PARENT_SCOPE)
  install(FILES ${ZELT_DEB_WORK}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
if(ZELT_HELP2MAN)
  add_custom_command(OUTPUT ${ZELT_DEB_WORK}/zeltctl-commands.h2m
    COMMAND ${ZELT_MAN_SOURCE}/h2m-commands.sh $<TARGET_FILE:zeltctl>
            > ${ZELT_DEB_WORK}/zeltctl-commands.h2m
    DEPENDS zeltctl ${ZELT_MAN_SOURCE}/h2m-commands.sh)
  foreach(tool_and_text IN ITEMS "zeltctl;configure and watch the solar lighting controller"
                                 "kvrn-sim;simulated solar lighting controller on a pseudo-terminal")
    list(GET tool_and_text 0 tool)
    list(GET tool_and_text 1 text)
    set(includes --include=${ZELT_MAN_SOURCE}/${tool}.h2m)
    set(include_files ${ZELT_MAN_SOURCE}/${tool}.h2m)
    if(tool STREQUAL "zeltctl")
      # The commands first: help2man orders its own sections by where they first appear.
      list(PREPEND includes --include=${ZELT_DEB_WORK}/zeltctl-commands.h2m)
      list(APPEND include_files ${ZELT_DEB_WORK}/zeltctl-commands.h2m)
    endif()
    add_custom_command(OUTPUT ${ZELT_DEB_WORK}/${tool}.1
      COMMAND ${ZELT_HELP2MAN} --no-info --no-discard-stderr --name=${text}
              --version-string=${PROJECT_VERSION} ${includes} --output=${ZELT_DEB_WORK}/${tool}.1
              $<TARGET_FILE:${tool}>
      DEPENDS ${tool} ${include_files}
      VERBATIM)
    zelt_man_page(${tool})
  endforeach()
else()
  message(WARNING "help2man not found: no man pages, no package (scripts/deps.sh installs it)")
endif()
if(TARGET zelt-utility)
  string(TIMESTAMP ZELT_MAN_DATE "%B %Y")
  configure_file(${ZELT_MAN_SOURCE}/zelt-utility.1.in ${ZELT_DEB_WORK}/zelt-utility.1 @ONLY)
  zelt_man_page(zelt-utility)
endif()
add_custom_target(zelt_package_files ALL DEPENDS ${ZELT_DEB_GENERATED})
install(FILES ${ZELT_DEB_WORK}/changelog.gz ${PROJECT_SOURCE_DIR}/res/debian/copyright
  DESTINATION ${ZELT_DEB_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelt-utility)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "ZELT Utility developers <zelt-utility@quorvel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configure and watch a solar lighting controller")
set(CPACK_PACKAGE_DESCRIPTION
  "ZELT Utility finds a solar lighting controller on the serial ports, reads\n\
and writes its battery thresholds, load limits, lighting schedule and clock,\n\
keeps them as .cfg files and shows live battery, charge and load readings.\n\
The package holds the window program zelt-utility, the command-line tool\n\
zeltctl and the simulated controller kvrn-sim.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xchm, xdg-utils, qt6-translations-l10n, fonts-wqy-microhei")
# Directories 0755 and files 0644 / 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
