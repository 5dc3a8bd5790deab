// Writes the hostile pages (tests/support/hostile_pages.h) as seed inputs
// for the fuzz smoke runs, at the fuzzers' input size, so that a kind of
// markup the extraction or the feed mapping is slow on fails the run at
// once instead of waiting to be found.
// Usage: papyr_hostile_seeds FOLDER BYTES [--feed]   (--feed: inside an RSS item)

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "support/hostile_pages.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: papyr_hostile_seeds FOLDER BYTES [--feed]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const std::size_t bytes = std::strtoul(argv[2], nullptr, 10);
    const bool feed = argc > 3 && std::string(argv[3]) == "--feed";
    int number = 0;
    for (const auto& page : papyr::test::hostile_pages()) {
        std::string seed = page.make(bytes);
        if (feed)
            seed =
                "<?xml version=\"1.0\"?><rss><channel><item><title>t</title><link>"
                "https://tin.example.vn/a</link><description><![CDATA[" +
                seed.substr(0, bytes - 160) + "]]></description></item></channel></rss>";
        std::ofstream out(folder + "/hostile-" + std::to_string(number++), std::ios::binary);
        out << seed;
        if (!out) {
            std::fprintf(stderr, "papyr_hostile_seeds: cannot write into %s\n", folder.c_str());
            return 1;
        }
    }
    return 0;
}
