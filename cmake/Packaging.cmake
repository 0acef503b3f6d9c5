# The Debian package: `cmake --build BUILD --target package` (scripts/package) writes
# BUILD/packages/tavik_VERSION_ARCH.deb. Library dependencies are computed by dpkg-shlibdeps;
# only what is loaded at run time (QML modules, plugins) is named by hand, in
# packaging/runtime-modules.

# Debian keeps a package's licences in /usr/share/doc/PACKAGE/copyright: ours and Manrope's
# (built into the program), in the machine-readable format, from the licence files themselves.
function(tavik_debian_licence file out)
  file(READ ${file} text)
  string(REGEX REPLACE "\n+$" "" text "${text}")
  string(REGEX REPLACE "\n\n" "\n.\n" text "${text}")
  string(REGEX REPLACE "\n\n" "\n.\n" text "${text}")
  string(REPLACE "\n" "\n " text "${text}")
  set(${out} " ${text}" PARENT_SCOPE)
endfunction()
tavik_debian_licence(${PROJECT_SOURCE_DIR}/LICENSE mit_text)
tavik_debian_licence(${PROJECT_SOURCE_DIR}/LICENSE.Manrope-OFL ofl_text)
file(CONFIGURE OUTPUT ${PROJECT_BINARY_DIR}/packaging/copyright CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: tavik

Files: *
Copyright: 2026 The Tavik developers
License: MIT and OFL-1.1
Comment: The tavik program has the Manrope typeface built in, under the OFL-1.1:
 Copyright 2018-2020 Mikhail Sharanda, 2018 The Manrope Project Authors.
 Everything else is under the MIT licence.

License: MIT
@mit_text@

License: OFL-1.1
@ofl_text@
" @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/runtime-modules runtime_modules REGEX "^[a-z0-9]")
list(JOIN runtime_modules ", " runtime_depends)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Tavik developers")
set(CPACK_PACKAGE_CONTACT "The Tavik developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "animated weather over the desktop, with an ambient soundscape")
set(CPACK_PACKAGE_DESCRIPTION
  "Tavik lives in the system tray and draws animated rain, snow, clouds, fog, stars, sun and
moon rays, aurora, lightning, leaves, petals, fireflies and dust over every display, in
transparent windows that every click goes through. A synthesised soundscape follows the
picture, and the scene can follow the live weather. Settings and scenes can be scripted
with the tavik command.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/packages)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${runtime_depends}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
