// Runs a fuzz target's entry point over saved inputs, without libFuzzer: every file named on
// the command line and every regular file in every folder named (not recursive, in name
// order). A folder that does not exist is skipped. Prints the number of inputs run; a crash
// or sanitizer report in the entry point ends the process as it would under the fuzzer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool ReadWhole(const std::filesystem::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
    if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        std::error_code ec;
        if (std::filesystem::is_directory(arg, ec)) {
            std::vector<std::filesystem::path> files;
            for (const auto& entry : std::filesystem::directory_iterator(arg, ec)) {
                if (entry.is_regular_file(ec) && entry.path().filename().string()[0] != '.') {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end());
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else if (std::filesystem::is_regular_file(arg, ec)) {
            inputs.push_back(arg);
        }
    }
    std::vector<uint8_t> bytes;
    for (const auto& input : inputs) {
        if (!ReadWhole(input, bytes)) {
            std::fprintf(stderr, "replay: cannot read %s\n", input.c_str());
            return 1;
        }
        std::fprintf(stderr, "replay: %s (%zu bytes)\n", input.c_str(), bytes.size());
        // A copy of exactly the input's size, so that reads past its end are caught.
        std::vector<uint8_t> copy(bytes);
        LLVMFuzzerTestOneInput(copy.data(), copy.size());
    }
    std::printf("replay: %zu inputs\n", inputs.size());
    return 0;
}
