# SPDX-License-Identifier: MIT
# The Debian package: `cpack -G DEB` in a build folder makes
# arbolith_<version>_<arch>.deb of everything the install rules place under
# /usr. Its library dependencies are computed by dpkg-shlibdeps from the
# programs themselves; only what the programs load without linking it is
# named here.
set(CPACK_PACKAGE_NAME arbolith)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Arbolith")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Browse the object model of a COM type library")
set(CPACK_PACKAGE_DESCRIPTION
    "Arbolith reads COM type libraries (.tlb, .olb, and the libraries inside .dll, .ocx and .exe files) \
and turns each into a browsable object model: the objects a program reaches from a top object, \
their properties and methods, enumerations and help. The package holds the desktop program \
(arbolith), the command-line tool (arbolith-cli), a sample library with its help, the VB/VBA \
enumeration database, the stdole2 library that other libraries import, the help pages, and the \
desktop entry and MIME type for type-library files.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Arbolith maintainers <maintainers@arbolith.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://arbolith.invalid/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries a program loads without linking them (plugins, dlopen) are
# invisible to dpkg-shlibdeps; add them here when a feature needs one. Qt's
# platform and SVG plugins come with the Qt libraries the programs link, and
# Graphviz's layout and render plugins with libgvc6 itself, so none is
# needed today.
set(ARBOLITH_DEB_RUNTIME_DEPENDS "" CACHE STRING "Packages the programs need at run time that dpkg-shlibdeps cannot see")
if(ARBOLITH_DEB_RUNTIME_DEPENDS)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${ARBOLITH_DEB_RUNTIME_DEPENDS}")
endif()
# Wine's registry and its own libraries let the wizard list registered
# libraries and resolve imports; Arbolith works without them.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wine64")

include(CPack)
