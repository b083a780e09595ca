# The programs the build runs. Built with the program when the build runs
# on the machine it builds for; when cross-compiling, built for the host as
# a project of their own (the image generator needs only the standard
# library), so no build step runs through an emulator.
#
# Sets REFLASHER_IMAGEGEN, the generator to run, and REFLASHER_IMAGEGEN_DEPENDS,
# what a step that runs it depends on.
if(NOT CMAKE_CROSSCOMPILING)
  set(REFLASHER_IMAGEGEN $<TARGET_FILE:reflasher-imagegen>)
  set(REFLASHER_IMAGEGEN_DEPENDS reflasher-imagegen)
  return()
endif()

include(ExternalProject)
set(host_tools_dir ${CMAKE_BINARY_DIR}/host-tools)
set(REFLASHER_IMAGEGEN ${host_tools_dir}/reflasher-imagegen${CMAKE_HOST_EXECUTABLE_SUFFIX})
ExternalProject_Add(reflasher_host_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools/imagegen
  BINARY_DIR ${host_tools_dir}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
             -DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${host_tools_dir}
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${host_tools_dir} --target reflasher-imagegen
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${REFLASHER_IMAGEGEN})
set(REFLASHER_IMAGEGEN_DEPENDS reflasher_host_tools ${REFLASHER_IMAGEGEN})
