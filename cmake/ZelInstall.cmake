# What `cmake --install` puts where, in the usual GNU layout under any prefix, and the Debian
# package built from it. The program finds its shipped data as ../share/zel-gmouse from its own
# folder, so no path is compiled into it.
set(ZEL_APP_ID com.zel.GMouse)  # platform::kAppId
set(ZEL_DATA_DESTINATION ${CMAKE_INSTALL_DATADIR}/zel-gmouse)
set(zel_data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS ZEL_GMouse RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The virtual mouse is for tests and demonstrations, not a command for the user's PATH.
install(TARGETS zel-mouse-sim RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/zel-gmouse)

# `install` and the package build only what they install (scripts/package.sh builds
# zel_packaged), not the tests and benchmarks of `all`.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# Read-only data; config.ini and the macro files are copied to the user's folder at first start.
# The skins come from the build, which paints their pictures; the other files from the sources,
# since the build folder's copies are the portable installation's own, changed as it runs.
install(DIRECTORY ${ZEL_RUNTIME_DIR}/skins DESTINATION ${ZEL_DATA_DESTINATION})
install(FILES ${zel_data}/config.ini ${zel_data}/constMacro.dat ${zel_data}/Macro_EN.dat
              ${zel_data}/Macro_CN.dat
        DESTINATION ${ZEL_DATA_DESTINATION})
# Offered, not active: the user copies it to ~/.config/autostart to start at login.
install(FILES ${zel_data}/zel-gmouse-autostart.desktop
        DESTINATION ${ZEL_DATA_DESTINATION}/autostart RENAME zel-gmouse.desktop)

# udev and systemd read their vendor files from <prefix>/lib, never from a multiarch libdir.
install(FILES ${zel_data}/70-zel-gmouse.rules DESTINATION lib/udev/rules.d)
# The unit's ExecStart names the program under the prefix of this install (`--prefix` or the
# package's), so the unit is written when installing, not when configuring.
set(zel_unit ${CMAKE_BINARY_DIR}/install-files/zel-gmouse.service)
install(CODE "
  set(ZEL_INSTALL_FULL_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${zel_data}/zel-gmouse.service.in\" \"${zel_unit}\" @ONLY)")
install(FILES ${zel_unit} DESTINATION lib/systemd/user)

# Man pages and the Debian changelog, compressed as Debian ships them (gzip -9n: no name or
# time stamp, so the same sources give the same bytes).
set(zel_compressed)
foreach(doc IN ITEMS "docs/man/ZEL_GMouse.1|ZEL_GMouse.1" "docs/man/zel-gmousectl.1|zel-gmousectl.1"
                     "cmake/deb/changelog|changelog.Debian")
  string(REPLACE "|" ";" doc "${doc}")
  list(GET doc 0 source)
  list(GET doc 1 name)
  set(plain ${CMAKE_BINARY_DIR}/install-files/${name})
  add_custom_command(OUTPUT ${plain}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${plain}
    COMMAND gzip -9nf ${plain}
    DEPENDS ${PROJECT_SOURCE_DIR}/${source}
    COMMENT "Compressing ${name}" VERBATIM)
  list(APPEND zel_compressed ${plain}.gz)
endforeach()
add_custom_target(zel_compressed_docs ALL DEPENDS ${zel_compressed})
install(FILES ${CMAKE_BINARY_DIR}/install-files/ZEL_GMouse.1.gz
              ${CMAKE_BINARY_DIR}/install-files/zel-gmousectl.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/install-files/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zel-gmouse)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/deb/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME zel-gmouse)

# Relocations read-only and resolved at start (Debian's hardening), for what is installed.
foreach(program IN ITEMS ZEL_GMouse zel-gmousectl zel-mouse-sim)
  target_link_options(${program} PRIVATE LINKER:-z,relro LINKER:-z,now)
endforeach()

# Everything the install rules take from the build.
add_custom_target(zel_packaged)
add_dependencies(zel_packaged ZEL_GMouse zel-gmousectl zel-mouse-sim zel_runtime_data
                 zel_compressed_docs)

# The desktop: menu entry, icons, AppStream data.
install(FILES ${zel_data}/${ZEL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${zel_data}/icons/${ZEL_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The PNG sizes the build renders beside the executable (icons/hicolor/<N>x<N>/apps/).
install(DIRECTORY ${ZEL_RUNTIME_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons OPTIONAL)

# AppStream wants screenshots as web addresses: they are listed once the pictures of
# docs/screenshots are published under ZEL_SCREENSHOT_BASE_URL.
set(ZEL_SCREENSHOT_BASE_URL "" CACHE STRING
    "Web address of docs/screenshots, for the AppStream screenshots (none when empty)")
set(ZEL_METAINFO_SCREENSHOTS "")
if(ZEL_SCREENSHOT_BASE_URL)
  string(APPEND ZEL_METAINFO_SCREENSHOTS "  <screenshots>\n")
  foreach(shot IN ITEMS "main-en|Button functions and DPI levels"
                        "advanced-en|Macros, pointer and wheel speed" "lighting-en|Lighting")
    string(REPLACE "|" ";" shot "${shot}")
    list(GET shot 0 picture)
    list(GET shot 1 caption)
    if(picture STREQUAL "main-en")
      set(kind " type=\"default\"")
    else()
      set(kind "")
    endif()
    string(APPEND ZEL_METAINFO_SCREENSHOTS
           "    <screenshot${kind}>\n      <caption>${caption}</caption>\n"
           "      <image>${ZEL_SCREENSHOT_BASE_URL}/${picture}.png</image>\n    </screenshot>\n")
  endforeach()
  string(APPEND ZEL_METAINFO_SCREENSHOTS "  </screenshots>\n")
endif()
configure_file(${zel_data}/${ZEL_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/${ZEL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${ZEL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zel-gmouse
        RENAME copyright)

# The Debian package (scripts/package.sh): its prefix is the configured one, so the unit's
# ExecStart and the packaged files agree.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zel-gmouse)
set(CPACK_PACKAGE_VENDOR ZEL)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The Debian revision: a packaging of upstream version PROJECT_VERSION (cmake/deb/changelog).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "settings utility of the KV270 gaming mouse (buttons, DPI, macros, lighting)")
# Lines of at most 79 characters: the control file indents each by one space.
set(CPACK_PACKAGE_DESCRIPTION
    "ZEL_GMouse sets up the buttons, DPI levels, macros and lighting of the KV270
gaming mouse (USB 18F8:1286) and gives it its profile whenever it is plugged
in, with a window or as a systemd user service. A udev rule gives the user at
the seat access to the mouse.")
set(ZEL_PACKAGE_CONTACT "ZEL_GMouse maintainers <maintainers@users.noreply.c-seed-30a8edb9.example>"
    CACHE STRING "The Debian package's maintainer: name and e-mail address")
set(CPACK_PACKAGE_CONTACT ${ZEL_PACKAGE_CONTACT})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debian's default fonts (DejaVu) lack the 【】 of the no-mouse message and the ！ of the skin's
# error; Sawarabi Gothic, the smallest packaged face with them (0.9 MB), has every character of
# both editions' texts. shlibdeps adds the libraries after it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-sawarabi-gothic")
# zel-gmousectl's completion (share/bash-completion/completions) is read by bash-completion.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bash-completion")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/cmake/deb/postinst
                                       ${PROJECT_SOURCE_DIR}/cmake/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_OUTPUT_FILE_PREFIX ${CMAKE_BINARY_DIR})
include(CPack)
