# Installing Vyx for other projects: find_package(Vyx) gives Vyx::Core (standard C++ only),
# and with Qt Vyx::Qt (the platform on Qt) and Vyx::Widget (the embeddable widget). The
# headers keep the layout of src/ and qt/ under include/vyx, so the same #include lines work
# in the tree and against an installed package.
#
#   cmake --install build --component development --prefix /opt/vyx
#   cmake --install build --component designer          (the Qt Designer plugin, under the
#                                                         prefix unless VYX_DESIGNER_INTO_QT)
include(CMakePackageConfigHelpers)

set(VYX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vyx)
set(VYX_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/vyx)

# The library standing alone: its public headers, by concern.
set_target_properties(vyx PROPERTIES EXPORT_NAME Core)
install(TARGETS vyx EXPORT VyxCoreTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        INCLUDES DESTINATION ${VYX_INCLUDE_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/
        DESTINATION ${VYX_INCLUDE_DIR} COMPONENT development
        FILES_MATCHING PATTERN "*.h")
install(EXPORT VyxCoreTargets NAMESPACE Vyx:: DESTINATION ${VYX_CMAKE_DIR}
        COMPONENT development)

set(VYX_PACKAGE_WITH_QT OFF)
if(VYX_WITH_QT AND TARGET vyx_qt AND TARGET vyx_widget)
  set(VYX_PACKAGE_WITH_QT ON)
  # The Designer plugin is built here, beside its install rules, since qt/CMakeLists.txt
  # belongs to the widget's own build.
  add_subdirectory(qt/designer)

  set_target_properties(vyx_qt PROPERTIES EXPORT_NAME Qt)
  set_target_properties(vyx_widget PROPERTIES EXPORT_NAME Widget)
  # Both targets name their include directory for the build tree only.
  target_include_directories(vyx_qt PUBLIC $<INSTALL_INTERFACE:${VYX_INCLUDE_DIR}>)
  target_include_directories(vyx_widget PUBLIC $<INSTALL_INTERFACE:${VYX_INCLUDE_DIR}>)
  install(TARGETS vyx_qt vyx_widget EXPORT VyxWidgetTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  # What a host includes: the widget, the settings bag and the platform. The panel's and the
  # console's own headers, and the widget's private state, stay out.
  install(FILES ${PROJECT_SOURCE_DIR}/qt/vyx_widget.h ${PROJECT_SOURCE_DIR}/qt/settings_bag.h
                ${PROJECT_SOURCE_DIR}/qt/json_document_bag.h ${PROJECT_SOURCE_DIR}/qt/json_values.h
          DESTINATION ${VYX_INCLUDE_DIR} COMPONENT development)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/qt/platform/
          DESTINATION ${VYX_INCLUDE_DIR}/platform COMPONENT development
          FILES_MATCHING PATTERN "*.h")
  install(EXPORT VyxWidgetTargets NAMESPACE Vyx:: DESTINATION ${VYX_CMAKE_DIR}
          COMPONENT development)
endif()

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VyxConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/VyxConfig.cmake
                              INSTALL_DESTINATION ${VYX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VyxConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VyxConfig.cmake ${PROJECT_BINARY_DIR}/VyxConfigVersion.cmake
        DESTINATION ${VYX_CMAKE_DIR} COMPONENT development)
