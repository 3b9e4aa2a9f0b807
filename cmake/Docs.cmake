# The manual pages, the bash completion of vyx and the reference pages, installed beside the
# programs; tests check that the pages render cleanly and that the pages and the completion
# name every option the programs' --help lists.
if(NOT TARGET vyx_cli)
  return()
endif()

set(VYX_DOCS ${PROJECT_SOURCE_DIR}/docs)
# The pages' title lines name the package alone; the version is the project's, added here.
set(VYX_MAN_DIR ${PROJECT_BINARY_DIR}/man)
foreach(page vyx vyx-board-sim vyx-panel)
  set(source ${VYX_DOCS}/man/${page}.1)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} text)
  string(REPLACE " \"Vyx\" \"User Commands\"" " \"Vyx ${VYX_VERSION_TEXT}\" \"User Commands\""
                 text "${text}")
  file(CONFIGURE OUTPUT ${VYX_MAN_DIR}/${page}.1 CONTENT "${text}" @ONLY)
endforeach()
install(FILES ${VYX_MAN_DIR}/vyx.1 ${VYX_MAN_DIR}/vyx-board-sim.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${VYX_MAN_DIR}/vyx-panel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT panel)
install(FILES ${VYX_DOCS}/bash-completion/vyx
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${VYX_DOCS}/properties.md ${VYX_DOCS}/board-sim.md ${VYX_DOCS}/network.md
              ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(NOT VYX_BUILD_TESTS)
  return()
endif()

# groff (Debian's groff-base) renders the pages with every warning turned on.
find_program(VYX_GROFF groff REQUIRED)
set(VYX_PAGES_AND_PROGRAMS
    ${VYX_MAN_DIR}/vyx.1 $<TARGET_FILE:vyx_cli>
    ${VYX_MAN_DIR}/vyx-panel.1 $<TARGET_FILE:vyx-panel>
    ${VYX_MAN_DIR}/vyx-board-sim.1 $<TARGET_FILE:vyx-board-sim>)
add_test(NAME docs_man_pages
         COMMAND ${CMAKE_COMMAND} -DGROFF=${VYX_GROFF} "-DPAGES=${VYX_PAGES_AND_PROGRAMS}"
                 -P ${PROJECT_SOURCE_DIR}/cmake/check_man_pages.cmake)
add_test(NAME docs_bash_completion
         COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check_completion.sh
                 ${VYX_DOCS}/bash-completion/vyx $<TARGET_FILE:vyx_cli>)
set_tests_properties(docs_man_pages docs_bash_completion PROPERTIES
                     TIMEOUT 60 ENVIRONMENT QT_QPA_PLATFORM=offscreen)

# Draws docs/panel.png after a real update against the simulated board; built, run by hand.
if(TARGET vyx_widget)
  add_executable(vyx_render_panel ${VYX_DOCS}/tools/render_panel.cpp)
  target_link_libraries(vyx_render_panel PRIVATE vyx_widget vyx_sim Qt6::Test)
  vyx_warnings(vyx_render_panel)
endif()
