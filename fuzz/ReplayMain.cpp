// Runs a fuzz target's entry point over files, without libFuzzer: the seed
// corpus and every input that once found a fault run with the test suite,
// so a fault once fixed stays fixed in every build.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize);

int main(int argc, char** argv) {
    std::size_t nInputs = 0;
    for (int i = 1; i < argc; ++i) {
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i], error)) {
            if (!entry.is_regular_file()) {
                continue;
            }
            std::ifstream file(entry.path(), std::ios::binary);
            const std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(file)),
                                                 std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(data.data(), data.size());
            ++nInputs;
        }
    }
    std::cout << nInputs << " inputs replayed\n";
    return nInputs > 0 ? 0 : 1;
}
