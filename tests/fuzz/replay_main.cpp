// Runs a fuzz target over stored inputs, so the corpora replay in every normal build.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

bool runFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    std::fprintf(stderr, "%s\n", path.c_str());
    // A copy of exactly the input's size, so reads past its end show under ASan.
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);

    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(arg, error)) {
            for (const auto &entry : std::filesystem::directory_iterator(arg, error)) {
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            }
        } else if (std::filesystem::is_regular_file(arg, error)) {
            files.push_back(arg);
        } else {
            std::fprintf(stderr, "no such file or folder: %s\n", argv[i]);
            return 2;
        }
    }
    std::sort(files.begin(), files.end());

    // The empty input always runs: every target must cope with it.
    LLVMFuzzerTestOneInput(nullptr, 0);
    int failed = 0;
    for (const auto &file : files) {
        if (!runFile(file))
            ++failed;
    }
    std::printf("replayed %zu inputs, %d unreadable\n", files.size() + 1, failed);
    return failed == 0 ? 0 : 1;
}
