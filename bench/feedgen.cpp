// lorvex-feedgen SIZE_MIB [SEED]: writes a realistic generated feed to standard output.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "feeds.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: lorvex-feedgen SIZE_MIB [SEED]\n");
        return 2;
    }
    std::size_t size = std::strtoull(argv[1], nullptr, 10) << 20;
    auto seed = static_cast<std::uint32_t>(argc == 3 ? std::strtoul(argv[2], nullptr, 10) : 1);
    std::string feed = lorvex::bench::makeRealisticFeed(size, seed);
    return std::fwrite(feed.data(), 1, feed.size(), stdout) == feed.size() ? 0 : 1;
}
