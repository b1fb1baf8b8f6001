# `make package`: a Debian package of what `cmake --install` installs, under /usr. Its
# Depends come from the libraries the program links (dpkg-shlibdeps). The desktop, MIME and
# icon caches are refreshed by the triggers those packages already declare on their
# folders, so the package needs no scripts of its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarno)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarno maintainers")
set(CPACK_PACKAGE_CONTACT "Tarno maintainers <maintainers@users.noreply.c-seed-80457ecc.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D viewer for .api scenery-object files")
set(CPACK_PACKAGE_DESCRIPTION
    "Opens one .api scenery-object file and shows the object it draws, lit and in\n"
    "perspective: turn, pan, zoom, solid or wireframe, reload. Without a display it\n"
    "renders files to PNG, exports their mesh and checks them. File managers show\n"
    "each file's picture through its thumbnailer.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Every file belongs to the program; the build's other targets install nothing.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};ALL;/")
include(CPack)
