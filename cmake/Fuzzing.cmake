# Everything is instrumented for libFuzzer's coverage and checked by the
# sanitizers; only the fuzz targets link libFuzzer itself.
set(REFLASHER_FUZZ_FLAGS -fsanitize=address,undefined,fuzzer-no-link -fno-omit-frame-pointer -fno-sanitize-recover=all)
add_compile_options(${REFLASHER_FUZZ_FLAGS})
add_link_options(-fsanitize=address,undefined)
