// papyr-server: the news service. Everything is in the papyr_news_server
// library, so the tests link the same code.

#include <string>
#include <vector>

#include "news_server/program.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return papyr::news_server::run_program(arguments);
}
