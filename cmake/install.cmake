# Install rules and the Debian package (cpack -G DEB in the build directory).
include(GNUInstallDirs)

# The package's changelog starts with the version that project() sets.
file(STRINGS packaging/changelog TALVEX_CHANGELOG_TOP LIMIT_COUNT 1)
if(NOT TALVEX_CHANGELOG_TOP MATCHES "^talvex \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: the first entry is not version ${PROJECT_VERSION}")
endif()

# The manual page and the changelog are installed compressed, as Debian wants
# them; -n leaves the name and time out, so the same text gives the same bytes.
set(TALVEX_GZIPPED "")
foreach(source man/talvex.1 packaging/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${name}.gz
                     COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${source} ${name}
                     COMMAND gzip -9nf ${name}
                     DEPENDS ${source} VERBATIM)
  list(APPEND TALVEX_GZIPPED ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
endforeach()
add_custom_target(talvex_gzipped ALL DEPENDS ${TALVEX_GZIPPED})

install(TARGETS talvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(NOT WIN32)
  # A stripped program loses the compilers' notes too, as in Debian's own packages.
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/talvex\")
  endif()")
endif()
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/talvex.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md packaging/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

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
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libssl3, zlib1g")
endif()
include(CPack)
