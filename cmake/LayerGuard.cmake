# The direction of the dependencies is the build's to keep, not the
# reviewer's: a file of a layer that includes a layer above it stops the
# configuration, naming the file and the line.
#
# The layers from the top down. A layer may include itself and what comes
# after it here; the front ends (the first four) never include each other.
# The emulated enclosure (src/emulator, with its TCMU library) stands beside
# this order: it knows src/base and the device layer's port and protocol
# headers, nothing else.
set(REFLASHER_FRONT_ENDS cli ui tcmu broker)
set(REFLASHER_LAYERS
  ${REFLASHER_FRONT_ENDS}
  update
  emulation
  backup
  batch
  package
  images
  framework
  programming
  device
  firmware
  text
  base)
# The plan times the update on a twin of the unit: the update layer knows
# the link profiles and the twin's drive list, and no other emulator header.
set(REFLASHER_UPDATE_EMULATOR_HEADERS
  emulator/BusProfile.h
  emulator/EmulatedDeviceSystem.h)
set(REFLASHER_EMULATOR_DEVICE_HEADERS
  device/BridgeCommands.h
  device/CommandTrace.h
  device/DevicePort.h
  device/EmulatedEnclosureMark.h)

# reflasher_refuse_includes(<dir> <forbidden layer>... [EXCEPT <header>...])
# Refuses, in every source of <dir> and its subfolders, an include of a
# header of a forbidden layer other than the excepted ones.
function(reflasher_refuse_includes dir)
  cmake_parse_arguments(PARSE_ARGV 1 guard "" "" "EXCEPT")
  set(forbidden ${guard_UNPARSED_ARGUMENTS})
  if(NOT forbidden)
    return()
  endif()
  list(JOIN forbidden "|" alternatives)
  set(patterns ${dir}/*.h ${dir}/*.hpp ${dir}/*.cpp ${dir}/*.c ${dir}/*.in)
  if(CMAKE_SCRIPT_MODE_FILE)
    file(GLOB_RECURSE sources ${patterns})
  else()
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${patterns})
  endif()
  foreach(source IN LISTS sources)
    file(STRINGS ${source} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<](${alternatives})/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[^\"<]*[\"<]([^\">]*)[\">].*$" "\\1" header "${line}")
      if(NOT header IN_LIST guard_EXCEPT)
        message(FATAL_ERROR "${source} includes a layer above its own: ${line}")
      endif()
    endforeach()
  endforeach()
endfunction()

# reflasher_layer_guard(<layer> [<dir>]): the layers above <layer> in the
# order, refused in <dir> (default: the current source folder).
function(reflasher_layer_guard layer)
  set(dir ${CMAKE_CURRENT_SOURCE_DIR})
  if(ARGC GREATER 1)
    set(dir ${ARGV1})
  endif()
  if(layer STREQUAL "emulator")
    set(forbidden ${REFLASHER_LAYERS})
    list(REMOVE_ITEM forbidden base)
    reflasher_refuse_includes(${dir} ${forbidden} EXCEPT ${REFLASHER_EMULATOR_DEVICE_HEADERS})
    return()
  endif()
  list(FIND REFLASHER_LAYERS ${layer} position)
  if(position LESS 0)
    message(FATAL_ERROR "No layer named ${layer}")
  endif()
  set(forbidden)
  if(layer IN_LIST REFLASHER_FRONT_ENDS)
    set(forbidden ${REFLASHER_FRONT_ENDS})
    list(REMOVE_ITEM forbidden ${layer})
  elseif(position GREATER 0)
    list(SUBLIST REFLASHER_LAYERS 0 ${position} forbidden)
  endif()
  # The emulated enclosure is reached through the device layer's interfaces
  # alone: only the front ends and the emulated enclosures kept in a
  # directory know its own headers.
  set(excepted)
  if(NOT layer IN_LIST REFLASHER_FRONT_ENDS AND NOT layer STREQUAL "emulation")
    list(APPEND forbidden emulator)
    if(layer STREQUAL "update")
      set(excepted EXCEPT ${REFLASHER_UPDATE_EMULATOR_HEADERS})
    endif()
  endif()
  reflasher_refuse_includes(${dir} ${forbidden} ${excepted})
endfunction()
