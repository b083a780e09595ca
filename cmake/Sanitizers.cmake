set(REFLASHER_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_compile_options(${REFLASHER_SANITIZER_FLAGS})
add_link_options(${REFLASHER_SANITIZER_FLAGS})
