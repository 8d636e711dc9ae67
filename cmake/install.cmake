# Install rules and the Debian package (cpack -G DEB in the build directory).
include(GNUInstallDirs)

install(TARGETS talvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES man/talvex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(TALVEX_PACKAGE_MAINTAINER "TALVEX maintainers <maintainers@talvex.invalid>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME talvex)
set(CPACK_PACKAGE_VENDOR "TALVEX maintainers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rescues the documents of a Netscape disk cache")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "TALVEX reads the index of an old Netscape browser disk cache (fat.db or\n"
       "index.db) and copies every cached file into an output tree named from its\n"
       "URL, with the entry's times. It is made for damaged, untrusted caches and\n"
       "disk images: it never changes the cache and never writes outside its output\n"
       "directory.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TALVEX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
find_program(TALVEX_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(TALVEX_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6")
endif()
include(CPack)
