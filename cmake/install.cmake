# Install rules: the program, its man page, and the two libraries as a CMake package, so that
# find_package(quorvel CONFIG) gives the imported targets quorvel::common and quorvel::dat.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QUORVEL_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quorvel)

set_target_properties(quorvel-common PROPERTIES EXPORT_NAME common)
set_target_properties(quorvel-dat PROPERTIES EXPORT_NAME dat)
install(TARGETS quorvel-common quorvel-dat EXPORT quorvelTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/quorvel-common/include/ ${PROJECT_SOURCE_DIR}/quorvel-dat/include/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT quorvelTargets NAMESPACE quorvel:: DESTINATION ${QUORVEL_CMAKE_DIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/quorvelConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/quorvelConfig.cmake INSTALL_DESTINATION ${QUORVEL_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/quorvelConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/quorvelConfig.cmake ${PROJECT_BINARY_DIR}/quorvelConfigVersion.cmake
        DESTINATION ${QUORVEL_CMAKE_DIR})

install(TARGETS quorvel-tools RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The man page is the program's own help, so it cannot disagree with it. Without help2man the
# build and the install simply go without it.
find_program(HELP2MAN help2man)
if(HELP2MAN)
  set(man_page ${PROJECT_BINARY_DIR}/quorvel-tools.1)
  set(man_include ${PROJECT_BINARY_DIR}/quorvel-tools.h2m)
  add_custom_command(
    OUTPUT ${man_page}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:quorvel-tools> -DOUTPUT=${man_include}
            -P ${CMAKE_CURRENT_LIST_DIR}/man_subcommands.cmake
    COMMAND ${HELP2MAN} --no-info --include ${man_include}
            --name "inspect, unpack, verify and pack game DAT files and QVA archives"
            --output ${man_page} $<TARGET_FILE:quorvel-tools>
    DEPENDS quorvel-tools ${CMAKE_CURRENT_LIST_DIR}/man_subcommands.cmake
    COMMENT "Generating the quorvel-tools man page"
    VERBATIM)
  add_custom_target(quorvel-man ALL DEPENDS ${man_page})
  install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: no man page")
endif()
