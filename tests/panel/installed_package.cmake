# Installs a built tree with DESTDIR and checks that everything stays under the prefix; then
# installs the development files into a scratch prefix and builds the example hosts on their
# own against it, as a host project would:
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DCXX=... -DINSTALLED=...
#         -P installed_package.cmake
# INSTALLED lists files a full install must put under the prefix (relative to it).
foreach(var BUILD_DIR SOURCE_DIR WORK_DIR CXX INSTALLED)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGV}\n${out}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})

# A normal user installs with --prefix or DESTDIR; nothing may land outside it, such as the
# Designer plugin in the system's Qt.
set(stage ${WORK_DIR}/stage)
run(${CMAKE_COMMAND} -E env DESTDIR=${stage}
    ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /opt/vyx)
file(GLOB_RECURSE outside LIST_DIRECTORIES false RELATIVE ${stage} ${stage}/*)
list(FILTER outside EXCLUDE REGEX "^opt/vyx/")
if(outside)
  list(JOIN outside "\n  /" outside)
  message(FATAL_ERROR "installed outside the prefix /opt/vyx:\n  /${outside}")
endif()
foreach(file ${INSTALLED})
  if(NOT EXISTS ${stage}/opt/vyx/${file})
    message(FATAL_ERROR "a full install lacks ${file}")
  endif()
endforeach()
file(REMOVE_RECURSE ${stage})

set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component development)

foreach(header vyx/vyx_widget.h vyx/control/vyx.h vyx/platform/qt_platform.h vyx/panel/field.h)
  if(NOT EXISTS ${prefix}/include/${header})
    message(FATAL_ERROR "the package lacks include/${header}")
  endif()
endforeach()
file(GLOB_RECURSE private_headers ${prefix}/include/*_p.h ${prefix}/include/console_*.h)
if(private_headers)
  message(FATAL_ERROR "private headers were installed: ${private_headers}")
endif()

# A host that wants the component without Qt asks for Core alone and gets no Qt at all.
file(WRITE ${WORK_DIR}/core/CMakeLists.txt [=[
cmake_minimum_required(VERSION 3.25)
project(core_only LANGUAGES CXX)
set(CMAKE_CXX_STANDARD 20)
find_package(Vyx 1.0 REQUIRED COMPONENTS Core)
if(TARGET Qt6::Core OR TARGET Vyx::Widget)
  message(FATAL_ERROR "asking for Vyx::Core loaded Qt")
endif()
add_executable(core_only main.cpp)
target_link_libraries(core_only PRIVATE Vyx::Core)
]=])
file(WRITE ${WORK_DIR}/core/main.cpp [=[
#include "control/properties.h"
int main() { return vyx::PropertyByName("AD0volt") ? 0 : 1; }
]=])

foreach(example core embed_widget read_once)
  if(example STREQUAL "core")
    set(source ${WORK_DIR}/core)
  else()
    set(source ${SOURCE_DIR}/examples/${example})
  endif()
  set(build ${WORK_DIR}/build-${example})
  run(${CMAKE_COMMAND} -S ${source} -B ${build} -DCMAKE_PREFIX_PATH=${prefix}
      -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Release)
  run(${CMAKE_COMMAND} --build ${build} -j 2)
endforeach()
run(${WORK_DIR}/build-core/core_only)
message(STATUS "examples built against ${prefix}")
