# Installing Vyx for other projects: find_package(Vyx) gives Vyx::Core (standard C++ only),
# and with Qt Vyx::Qt (the platform on Qt), Vyx::Documents (the document and settings bags)
# and Vyx::Widget (the embeddable widget). The headers keep the layout of src/ under
# include/vyx, the platform's under include/vyx/platform and the others flat beside them, so
# the same #include lines work in the tree and against an installed package.
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
install(FILES ${VYX_GENERATED_INCLUDE_DIR}/control/version.h
        DESTINATION ${VYX_INCLUDE_DIR}/control COMPONENT development)
install(EXPORT VyxCoreTargets NAMESPACE Vyx:: DESTINATION ${VYX_CMAKE_DIR}
        COMPONENT development)

set(VYX_PACKAGE_WITH_QT OFF)
if(VYX_WITH_QT AND TARGET vyx_qt AND TARGET vyx_documents AND TARGET vyx_widget)
  set(VYX_PACKAGE_WITH_QT ON)
  # The Designer plugin is built here, beside its install rules, once the widget it carries
  # is known.
  add_subdirectory(qt/designer)

  set_target_properties(vyx_qt PROPERTIES EXPORT_NAME Qt)
  set_target_properties(vyx_documents PROPERTIES EXPORT_NAME Documents)
  set_target_properties(vyx_widget PROPERTIES EXPORT_NAME Widget)
  # The targets name their include directory for the build tree only.
  foreach(target vyx_qt vyx_documents vyx_widget)
    target_include_directories(${target} PUBLIC $<INSTALL_INTERFACE:${VYX_INCLUDE_DIR}>)
  endforeach()
  install(TARGETS vyx_qt vyx_documents vyx_widget EXPORT VyxWidgetTargets
          ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  # What a host includes: the widget, the documents and the platform. The panel's and the
  # console's own headers, and the widget's private state, stay out.
  install(FILES ${PROJECT_SOURCE_DIR}/qt/widget/vyx_widget.h
          DESTINATION ${VYX_INCLUDE_DIR} COMPONENT development)
  # The console's escaping is used inside the library only.
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/qt/documents/
          DESTINATION ${VYX_INCLUDE_DIR} COMPONENT development
          FILES_MATCHING PATTERN "*.h" PATTERN "console_*.h" EXCLUDE)
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
