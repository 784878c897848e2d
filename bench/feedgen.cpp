// lorvex-feedgen SIZE_MIB [SEED [ENCODING]]: writes a realistic generated feed to standard
// output, in UTF-8 or re-encoded (UTF-16LE, windows-1252, koi8-r, ...).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "feeds.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: lorvex-feedgen SIZE_MIB [SEED [ENCODING]]\n");
        return 2;
    }
    std::size_t size = std::strtoull(argv[1], nullptr, 10) << 20;
    auto seed = static_cast<std::uint32_t>(argc >= 3 ? std::strtoul(argv[2], nullptr, 10) : 1);
    std::string feed = lorvex::bench::makeRealisticFeed(size, seed);
    if (argc == 4) feed = lorvex::bench::transcode(feed, argv[3]);
    return std::fwrite(feed.data(), 1, feed.size(), stdout) == feed.size() ? 0 : 1;
}
