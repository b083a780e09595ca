# Warnings every target of ours builds with. A switch over an enum without a
# default must name every value, so a new value is a compile error.
add_library(reflasher_warnings INTERFACE)
# C sources (the kernel's ring layout) get the C subset of the same.
target_compile_options(reflasher_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion -Wnull-dereference
  -Werror=switch -Werror=return-type
  $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Woverloaded-virtual -Wno-missing-field-initializers>)
