# The maker's images. REFLASHER_FIRMWARE_DIR names a directory holding
# bridge.bin, seeprom-host.bin, ui-firmware.bin and ui-resource.bin; they
# become the carried images (origin "vendor"). Each is checked here, so a
# directory that would give the program a broken image fails the configure
# step with the file and the reason. Without the variable the program
# carries the test set.
set(REFLASHER_FIRMWARE_DIR "" CACHE PATH
  "Directory of the maker's images (bridge.bin, seeprom-host.bin, ui-firmware.bin, ui-resource.bin); empty: the test set")

if(NOT REFLASHER_FIRMWARE_DIR)
  target_sources(reflasher_firmware PRIVATE NoVendorImages.cpp)
  return()
endif()

# file: the image; largest: its memory's buffer; mark_offset and mark_hex:
# the format's own mark (the tables of src/firmware/ImageKinds.cpp).
function(reflasher_check_vendor_image file largest mark_offset mark_hex)
  set(path ${REFLASHER_FIRMWARE_DIR}/${file})
  if(NOT EXISTS ${path} OR IS_DIRECTORY ${path})
    message(FATAL_ERROR "REFLASHER_FIRMWARE_DIR: ${path} is missing")
  endif()
  file(SIZE ${path} size)
  if(size EQUAL 0 OR size GREATER ${largest})
    message(FATAL_ERROR "REFLASHER_FIRMWARE_DIR: ${path} holds ${size} bytes; its memory takes 1 to ${largest}")
  endif()
  string(LENGTH "${mark_hex}" hex_length)
  math(EXPR mark_length "${hex_length} / 2")
  file(READ ${path} mark OFFSET ${mark_offset} LIMIT ${mark_length} HEX)
  if(NOT mark STREQUAL mark_hex)
    message(FATAL_ERROR "REFLASHER_FIRMWARE_DIR: ${path} is not a valid image of its memory (no mark at ${mark_offset})")
  endif()
  # The test-image mark of src/firmware/TestImageMark.h: the image
  # generator's, never the maker's.
  file(READ ${path} content HEX)
  string(FIND "${content}" "544553542d494d414745a55a" test_mark)
  if(NOT test_mark EQUAL -1)
    message(FATAL_ERROR "REFLASHER_FIRMWARE_DIR: ${path} is a test image (it carries the test-image mark)")
  endif()
endfunction()

reflasher_check_vendor_image(bridge.bin 131072 240 "5649524120202020")         # "VIRA    " at 0xF0
reflasher_check_vendor_image(seeprom-host.bin 8192 0 "aa55")                     # header word 0x55AA
reflasher_check_vendor_image(ui-firmware.bin 65536 144 "51565f554937384b")     # "QV_UI78K" at 0x90
reflasher_check_vendor_image(ui-resource.bin 1048576 0 "5245534f55524345")     # "RESOURCE"

# The SEEPROM header's 64 little-endian words add up to 0.
file(READ ${REFLASHER_FIRMWARE_DIR}/seeprom-host.bin header LIMIT 128 HEX)
string(LENGTH "${header}" header_length)
if(header_length LESS 256)
  message(FATAL_ERROR "REFLASHER_FIRMWARE_DIR: ${REFLASHER_FIRMWARE_DIR}/seeprom-host.bin is shorter than its header")
endif()
set(sum 0)
foreach(at RANGE 0 252 4)
  string(SUBSTRING "${header}" ${at} 2 low)
  math(EXPR high_at "${at} + 2")
  string(SUBSTRING "${header}" ${high_at} 2 high)
  math(EXPR sum "(${sum} + 0x${high}${low}) % 65536")
endforeach()
if(NOT sum EQUAL 0)
  message(FATAL_ERROR "REFLASHER_FIRMWARE_DIR: ${REFLASHER_FIRMWARE_DIR}/seeprom-host.bin fails its header checksum")
endif()

set(vendor_sources)
foreach(pair bridge:bridge.bin host:seeprom-host.bin ui:ui-firmware.bin resource:ui-resource.bin)
  string(REPLACE ":" ";" pair "${pair}")
  list(GET pair 0 name)
  list(GET pair 1 file)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/vendor-${name}.cpp)
  add_custom_command(
    OUTPUT ${source}
    COMMAND ${REFLASHER_IMAGEGEN} --embed ${REFLASHER_FIRMWARE_DIR}/${file} ${source} Vendor_${name}
    DEPENDS ${REFLASHER_IMAGEGEN_DEPENDS} ${REFLASHER_FIRMWARE_DIR}/${file}
    COMMENT "Embedding the maker's ${file}"
    VERBATIM)
  list(APPEND vendor_sources ${source})
endforeach()
target_sources(reflasher_firmware PRIVATE VendorImagesEmbedded.cpp ${vendor_sources})
message(STATUS "Carried images: the maker's, from ${REFLASHER_FIRMWARE_DIR}")
