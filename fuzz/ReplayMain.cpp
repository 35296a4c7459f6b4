// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a fuzz target once over every file of its corpus, in name order, so the inputs the fuzzer
// kept (and the ones that once broke something) are checked in every normal build and test run.
// A broken invariant or a sanitizer report aborts; an empty or missing corpus fails too, so the
// test cannot pass by checking nothing.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const fs::path corpus = argc > 1 ? fs::path(argv[1]) : fs::path(FUZZ_CORPUS_DIR);
    std::error_code error;
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(corpus, error))
        if (entry.is_regular_file())
            files.push_back(entry.path());
    if (error || files.empty()) {
        std::fprintf(stderr, "no corpus files in %s\n", corpus.c_str());
        return 1;
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        std::ifstream stream(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(stream)),
                                              std::istreambuf_iterator<char>());
        if (!stream.good() && !stream.eof()) {
            std::fprintf(stderr, "cannot read %s\n", file.c_str());
            return 1;
        }
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs from %s replayed\n", files.size(), corpus.c_str());
    return 0;
}
