# What `cmake --install` puts where, and the Debian package CPack makes of it
# (`cmake --build build --target package`, or `cpack -G DEB` in the build folder).
include(GNUInstallDirs)

set(_pkg ${CMAKE_CURRENT_LIST_DIR})
set(_out ${CMAKE_BINARY_DIR}/packaging)
set(_doc ${CMAKE_INSTALL_DATADIR}/doc/printbench)

install(TARGETS printbench printbench-printer printbench-run RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# udev reads lib/udev/rules.d under /usr and /usr/local alike.
install(FILES ${_pkg}/60-printbench-usb-printers.rules DESTINATION lib/udev/rules.d)

install(FILES ${_pkg}/io.github.printbench.PrintBench.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_pkg}/printbench.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# printbench-128.png is printbench.svg rendered: rsvg-convert -w 128 -h 128 printbench.svg -o printbench-128.png
install(FILES ${_pkg}/printbench-128.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps
        RENAME printbench.png)

configure_file(${_pkg}/io.github.printbench.PrintBench.metainfo.xml.in
               ${_out}/io.github.printbench.PrintBench.metainfo.xml @ONLY)
install(FILES ${_out}/io.github.printbench.PrintBench.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Manual pages and the changelog carry the version and are compressed without a name or a
# time stamp, so the same sources give the same package.
set(_compressed)
foreach(_page printbench printbench-printer printbench-run)
  configure_file(${_pkg}/man/${_page}.1.in ${_out}/${_page}.1 @ONLY)
  list(APPEND _compressed ${_page}.1)
endforeach()
# A native package (its version has no Debian revision): the changelog is changelog.gz.
configure_file(${_pkg}/changelog.in ${_out}/changelog @ONLY)
list(APPEND _compressed changelog)
set(_gz)
foreach(_file ${_compressed})
  add_custom_command(OUTPUT ${_out}/${_file}.gz
    COMMAND gzip -n -9 -f -k ${_file}
    DEPENDS ${_out}/${_file}
    WORKING_DIRECTORY ${_out}
    VERBATIM)
  list(APPEND _gz ${_out}/${_file}.gz)
endforeach()
add_custom_target(printbench_compressed_docs ALL DEPENDS ${_gz})
foreach(_page printbench printbench-printer printbench-run)
  install(FILES ${_out}/${_page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/README.md ${_out}/changelog.gz DESTINATION ${_doc})
install(FILES ${_pkg}/copyright DESTINATION ${_doc})

set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME printbench)
set(CPACK_PACKAGE_VENDOR "The PrintBench developers")
set(CPACK_PACKAGE_CONTACT "The PrintBench developers <printbench@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test bench for thermal receipt printers")
set(CPACK_PACKAGE_DESCRIPTION
"PrintBench drives one thermal receipt printer, connected over a serial port,
USB or the network, byte by byte: cuts, black-mark moves, feeds, text, blocks
of H lines, command sequences replayed many times, repeated test prints, print
density and monochrome logos, with the printer's status shown live and runs
stopped on a fault.

The package also holds printbench-run, which runs one action without a window
and writes JSON and JUnit reports for racks and CI, and printbench-printer, a
virtual printer on a pseudo-terminal or a TCP port that logs every command it
receives and prints each receipt as a PNG file.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/printbench/printbench")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${CMAKE_SOURCE_DIR}/README.md)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS ${CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CPACK_PACKAGE_HOMEPAGE_URL})
# The libraries come from dpkg-shlibdeps (dpkg-dev); Qt's platform plugins are loaded at run
# time, so no library names them: the window and the virtual printer open a Qt platform
# (xcb, wayland, offscreen).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The virtual printer draws text with the system's monospaced CJK font and DejaVu for what it
# lacks; without them a character prints as an outlined cell. --usb-virtual-printer runs under
# umockdev-wrapper.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fonts-dejavu-core, umockdev")

include(CPack)
