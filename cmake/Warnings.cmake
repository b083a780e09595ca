# Warnings every target of ours builds with. A switch over an enum without a
# default must name every value, so a new value is a compile error.
add_library(reflasher_warnings INTERFACE)
target_compile_options(reflasher_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Woverloaded-virtual -Wnull-dereference
  -Wno-missing-field-initializers
  -Werror=switch -Werror=return-type)
