// Runs a fuzz target on files, without a fuzzer, so that every build checks the seeds and the
// saved crash inputs. Each argument is a file or a folder (searched recursively); a folder that
// does not exist is skipped, so that a missing corpus is no failure.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        fs::path arg = argv[i];
        if (fs::is_regular_file(arg)) inputs.push_back(arg);
        if (!fs::is_directory(arg)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(arg)) {
            if (entry.is_regular_file()) inputs.push_back(entry.path());
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& input : inputs) {
        // Named first, so that a broken invariant's report follows the name of its input.
        std::fprintf(stderr, "replaying %s\n", input.string().c_str());
        std::ifstream in(input, std::ios::binary);
        std::string bytes(std::istreambuf_iterator<char>(in), {});
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
