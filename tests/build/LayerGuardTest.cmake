# The layer guard against trees of its own: an include of a layer above
# stops the configuration and names the file; one of the same layer or
# below, an excepted header, or a commented-out include does not.
# Run with cmake -DWORK_DIR=<scratch> -P.
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/../../cmake/LayerGuard.cmake)

if(GUARD_LAYER)
  reflasher_layer_guard(${GUARD_LAYER} ${GUARD_DIR})
  return()
endif()

function(expect_guard name layer content expect_refused)
  set(dir ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${dir})
  file(WRITE ${dir}/sub/File.cpp "${content}")
  execute_process(COMMAND ${CMAKE_COMMAND} -DGUARD_LAYER=${layer} -DGUARD_DIR=${dir}
                          -P ${CMAKE_CURRENT_LIST_FILE}
                  RESULT_VARIABLE result ERROR_VARIABLE err OUTPUT_QUIET)
  # The message comes wrapped.
  string(REGEX REPLACE "[ \t\r\n]+" " " err "${err}")
  if(expect_refused)
    if(result EQUAL 0 OR NOT err MATCHES "sub/File.cpp includes a layer above")
      message(FATAL_ERROR "${name}: not refused (${result}): ${err}")
    endif()
  elseif(NOT result EQUAL 0)
    message(FATAL_ERROR "${name}: refused: ${err}")
  endif()
endfunction()

expect_guard(device-includes-framework device "#include \"framework/MessageLoop.h\"\n" TRUE)
expect_guard(images-includes-update images "#include <cstdint>\n  #include \"update/FirmwareUpdate.h\"\n" TRUE)
expect_guard(cli-includes-ui cli "#include \"ui/MainDlg.h\"\n" TRUE)
expect_guard(update-includes-emulator update "#include \"emulator/EmulatedEnclosure.h\"\n" TRUE)
expect_guard(emulator-includes-device-layer emulator "#include \"device/ScsiDevice.h\"\n" TRUE)
expect_guard(below-and-own device "#include \"device/Device.h\"\n#include \"text/StringTable.h\"\n" FALSE)
expect_guard(emulator-port-headers emulator "#include \"device/DevicePort.h\"\n#include \"base/Types.h\"\n" FALSE)
expect_guard(commented-out base "// #include \"framework/MessageLoop.h\"\n" FALSE)
