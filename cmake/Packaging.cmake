# Packages (cpack --preset win32, win64 or host, into build/<preset>/packages):
# an NSIS installer and a zip of each Windows build, and a .deb of the
# headless renderer. What ships is stripped; the symbols stay in
# packages/debug/, named by each executable's debug link.
set(package_directory ${CMAKE_BINARY_DIR}/packages)

# The last commit's time stamps every file and archive, so that two builds of
# one commit give the same bytes.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(source_date_epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE source_date_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT source_date_epoch)
    set(source_date_epoch 1767225600)  # 2026-01-01, outside a clone
  endif()
endif()

# install_stripped(DESTINATION target...)
function(install_stripped destination)
  install(TARGETS ${ARGN} RUNTIME DESTINATION ${destination})
  foreach(target IN LISTS ARGN)
    install(CODE "
      set(shipped \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/$<TARGET_FILE_NAME:${target}>\")
      set(symbols \"${package_directory}/debug/$<TARGET_FILE_NAME:${target}>.debug\")
      file(MAKE_DIRECTORY \"${package_directory}/debug\")
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --only-keep-debug \"\${shipped}\" \"\${symbols}\" COMMAND_ERROR_IS_FATAL ANY)
      execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --strip-all \"--add-gnu-debuglink=\${symbols}\" \"\${shipped}\"
                      COMMAND_ERROR_IS_FATAL ANY)")
  endforeach()
endfunction()

if(WIN32)
  install_stripped(. Fractavo fractavo-render)
  install(FILES README.md LICENSE DESTINATION .)
  math(EXPR bits "${CMAKE_SIZEOF_VOID_P} * 8")
  set(CPACK_GENERATOR NSIS ZIP)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Explorer of the escape-time set of z <- z^2 + c")
  set(CPACK_PACKAGE_FILE_NAME Fractavo-${PROJECT_VERSION}-win${bits})
  # Read by the installer script, cmake/NSIS.template.in.
  set(CPACK_NSIS_INSTALL_ROOT $PROGRAMFILES${bits})
  set(CPACK_NSIS_REGISTRY_VIEW ${bits})
  set(CPACK_NSIS_ICON ${CMAKE_SOURCE_DIR}/res/fractavo.ico)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Fractavo)
  set(CPACK_MODULE_PATH ${CMAKE_SOURCE_DIR}/cmake)
elseif(TARGET fractavo-render AND NOT CMAKE_CROSSCOMPILING)
  install_stripped(bin fractavo-render)
  # gzip -n: no name or time in the header.
  add_custom_command(OUTPUT fractavo-render.1.gz
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/tools/fractavo-render.1 > fractavo-render.1.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/fractavo-render.1 VERBATIM)
  add_custom_target(man_page ALL DEPENDS fractavo-render.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/fractavo-render.1.gz DESTINATION share/man/man1)
  install(FILES LICENSE DESTINATION share/doc/fractavo-render RENAME copyright)
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_PACKAGE_NAME fractavo-render)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brisklane <fractavo@brisklane.example>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "headless renderer of the escape-time set of z <- z^2 + c")
  set(CPACK_PACKAGE_DESCRIPTION "Renders views of the set, or zoom sequences of them, to BMP or PNG files
without a window: the same pixels as the Fractavo program.")
else()
  return()
endif()

# Every installed file takes the commit's time.
install(CODE "
  list(TRANSFORM CMAKE_INSTALL_MANIFEST_FILES PREPEND \"\$ENV{DESTDIR}\" OUTPUT_VARIABLE installed)
  execute_process(COMMAND touch -h -d @${source_date_epoch} \${installed} COMMAND_ERROR_IS_FATAL ANY)")

set(CPACK_PACKAGE_NAME Fractavo)
set(CPACK_PACKAGE_VENDOR Brisklane)
set(CPACK_PACKAGE_HOMEPAGE_URL https://brisklane.example/)
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${package_directory})
set(CPACK_SOURCE_DATE_EPOCH ${source_date_epoch})
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/PackageConfig.cmake)
include(CPack)
