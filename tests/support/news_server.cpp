#include "support/news_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <variant>

#include "base/process.h"

extern char** environ;  // NOLINT: passed on to the server

namespace papyr::test {
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(30);

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

pid_t spawn_server(const std::vector<std::string>& arguments, int stdin_fd,
                   const std::filesystem::path& output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, stdin_fd, STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<std::string> storage = arguments;
    std::vector<char*> argv;
    for (std::string& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::runtime_error("cannot start python3: " + os_error_text(error));
    return pid;
}

}  // namespace

std::filesystem::path LocalNewsServer::script_path() {
    return std::filesystem::path(PAPYR_SOURCE_DIR) / "tests" / "support" / "news_server.py";
}

LocalNewsServer::LocalNewsServer(const NewsServerOptions& options) {
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    stdin_fd_ = fds[1];

    const std::filesystem::path ready = dir_ / "ready";
    std::vector<std::string> arguments = {"python3",
                                          script_path().string(),
                                          "--port",
                                          "0",
                                          "--ready-file",
                                          ready.string(),
                                          "--log-file",
                                          (dir_ / "requests.log").string(),
                                          "--exit-on-stdin-eof"};
    arguments.insert(arguments.end(), options.extra_arguments.begin(),
                     options.extra_arguments.end());
    try {
        pid_ = spawn_server(arguments, fds[0], dir_ / "server.out");
    } catch (...) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw;
    }
    ::close(fds[0]);

    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!std::filesystem::exists(ready)) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            stop();
            throw std::runtime_error("news_server.py exited early:\n" + server_output());
        }
        if (std::chrono::steady_clock::now() > deadline) {
            stop();
            throw std::runtime_error("news_server.py did not become ready:\n" + server_output());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // The origin, then the fallback origin when there is one.
    const std::vector<std::string> origins = split_lines(read_file(ready));
    origin_ = origins.empty() ? std::string() : origins[0];
    if (origins.size() > 1)
        fallback_origin_ = origins[1];
}

LocalNewsServer::~LocalNewsServer() {
    stop();
}

void LocalNewsServer::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    if (stdin_fd_ >= 0)
        ::close(stdin_fd_);
    stdin_fd_ = -1;
}

std::vector<std::string> LocalNewsServer::requests() const {
    const std::filesystem::path log = dir_ / "requests.log";
    if (!std::filesystem::exists(log))
        return {};
    return split_lines(read_file(log));
}

void LocalNewsServer::set_fault(const std::string& mode, const std::string& route,
                                std::optional<int> times) {
    std::string body = "{\"mode\":\"" + mode + "\",\"route\":\"" + route + "\"";
    if (times)
        body += ",\"times\":" + std::to_string(*times);
    body += "}";
    ProcessOutcome outcome = run_process(
        "curl", {"-s", "-k", "-X", "POST", "--data", body, origin_ + "/__control/fault"});
    const auto* ended = std::get_if<ProcessExit>(&outcome);
    if (ended == nullptr || !ended->succeeded() ||
        ended->stdout_bytes.find("\"ok\":true") == std::string::npos) {
        throw std::runtime_error("set_fault(" + mode + ") failed: " +
                                 (ended ? ended->stdout_bytes : std::string("curl not started")));
    }
}

std::string LocalNewsServer::server_output() const {
    const std::filesystem::path output = dir_ / "server.out";
    return std::filesystem::exists(output) ? read_file(output) : std::string();
}

}  // namespace papyr::test
