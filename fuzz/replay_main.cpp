// Runs a fuzz target over files instead of generated inputs, so a corpus (the
// seeds and every crasher kept after a fix) is replayed by CTest with any
// compiler. Arguments are files or folders (folders are walked recursively);
// -v names each input before it runs, to find the one that brings a crash.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
#if defined(__GNUC__)
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);
#endif

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
#if defined(__GNUC__)
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
#endif
    bool verbose = false;
    std::vector<fs::path> inputs;
    bool failed = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
            continue;
        }
        const fs::path p(argv[i]);
        std::error_code ec;
        if (fs::is_directory(p, ec)) {
            std::vector<fs::path> found;
            for (const auto &entry : fs::recursive_directory_iterator(p, ec))
                if (entry.is_regular_file())
                    found.push_back(entry.path());
            if (found.empty()) {
                std::fprintf(stderr, "%s: no inputs in this folder\n", argv[i]);
                failed = true;
            }
            std::sort(found.begin(), found.end());
            inputs.insert(inputs.end(), found.begin(), found.end());
        } else if (fs::is_regular_file(p, ec)) {
            inputs.push_back(p);
        } else {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            failed = true;
        }
    }
    if (inputs.empty() && !failed) {
        std::fprintf(stderr, "usage: %s [-v] file-or-folder...\n", argc > 0 ? argv[0] : "replay");
        return 2;
    }

    for (const fs::path &p : inputs) {
        std::ifstream in(p, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "%s: cannot be read\n", p.string().c_str());
            failed = true;
            continue;
        }
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (verbose) {
            std::fprintf(stderr, "running %s (%zu bytes)\n", p.string().c_str(), bytes.size());
            std::fflush(stderr);
        }
        // A copy of exactly the input's size, so reading past its end is caught by the sanitizers.
        std::vector<uint8_t> data(bytes.begin(), bytes.end());
        LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return failed ? 1 : 0;
}
