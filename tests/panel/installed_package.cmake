# Installs a built tree with DESTDIR: everything stays under the prefix, INSTALLED (relative to
# it) is there. Then builds the example hosts against the development files, as a host would:
#   cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DCXX=... -DINSTALLED=... -P this
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGV}\n${out}")
  endif()
endfunction()
file(REMOVE_RECURSE ${WORK_DIR})

# Nothing may land outside the prefix, such as the Designer plugin in the system's Qt.
set(stage ${WORK_DIR}/stage)
run(${CMAKE_COMMAND} -E env DESTDIR=${stage} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /opt/vyx)
file(GLOB_RECURSE outside LIST_DIRECTORIES false RELATIVE ${stage} ${stage}/*)
list(FILTER outside EXCLUDE REGEX "^opt/vyx/")
foreach(file ${INSTALLED})
  if(NOT EXISTS ${stage}/opt/vyx/${file})
    list(APPEND outside "(missing) opt/vyx/${file}")
  endif()
endforeach()
if(outside)
  message(FATAL_ERROR "installed outside the prefix /opt/vyx, or missing: ${outside}")
endif()

set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} --component development)
file(GLOB_RECURSE private_headers ${prefix}/include/*_p.h ${prefix}/include/console_*.h)
list(FILTER private_headers EXCLUDE REGEX "/console_escape.h$")  # the documents' escaping
if(private_headers OR NOT EXISTS ${prefix}/include/vyx/vyx_widget.h)
  message(FATAL_ERROR "private headers were installed, or public ones not: ${private_headers}")
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
  set(source ${SOURCE_DIR}/examples/${example})
  if(example STREQUAL "core")
    set(source ${WORK_DIR}/core)
  endif()
  run(${CMAKE_COMMAND} -S ${source} -B ${WORK_DIR}/build-${example} -DCMAKE_PREFIX_PATH=${prefix}
      -DCMAKE_CXX_COMPILER=${CXX} -DCMAKE_BUILD_TYPE=Release)
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/build-${example} -j 2)
endforeach()
run(${WORK_DIR}/build-core/core_only)
