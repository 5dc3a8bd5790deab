// How long the extraction takes, and how much memory, for pages written to
// be as costly as possible (tests/support/hostile_pages.h), each at the size
// the service reads. Each page is made and extracted in a child process of
// its own, so the peak resident memory reported is that page's alone.
// Usage: papyr_hostile_pages [BYTES]   (default: 8 MiB)

#include "support/hostile_pages.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "extraction/extract.h"

namespace {

struct Measure {
    double seconds = 0;
    long peak_kib = 0;
    bool answered = false;
};

// In the child: extract and report through the pipe.
[[noreturn]] void measure_in_child(const papyr::test::HostilePage& page, std::size_t bytes,
                                   int out) {
    const std::string html = page.make(bytes);
    const auto start = std::chrono::steady_clock::now();
    const auto article = papyr::extraction::extract_article(
        {.bytes = html, .url = "https://example.org/a", .source_name = {}});
    Measure measure;
    measure.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    measure.answered = article.has_value();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    measure.peak_kib = usage.ru_maxrss;
    const bool written = write(out, &measure, sizeof measure) == sizeof measure;
    _exit(written ? 0 : 1);
}

bool measure_page(const papyr::test::HostilePage& page, std::size_t bytes, Measure& measure) {
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        measure_in_child(page, bytes, fds[1]);
    }
    close(fds[1]);
    const bool read_all = child > 0 && read(fds[0], &measure, sizeof measure) == sizeof measure;
    close(fds[0]);
    int status = 0;
    if (child > 0)
        waitpid(child, &status, 0);
    return read_all && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t bytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : (8U << 20);
    double worst = 0;
    std::printf("| page (%zu bytes) | seconds | peak MiB | answer |\n|---|---:|---:|---|\n", bytes);
    for (const auto& page : papyr::test::hostile_pages()) {
        Measure measure;
        if (!measure_page(page, bytes, measure)) {
            std::printf("| %s | crashed | | |\n", page.name.c_str());
            return 1;
        }
        worst = measure.seconds > worst ? measure.seconds : worst;
        std::printf("| %s | %.3f | %.1f | %s |\n", page.name.c_str(), measure.seconds,
                    static_cast<double>(measure.peak_kib) / 1024.0,
                    measure.answered ? "article" : "message");
        std::fflush(stdout);
    }
    std::printf("\nslowest: %.3f s\n", worst);
    return 0;
}
