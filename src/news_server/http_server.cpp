#include "news_server/http_server.h"

// OpenSSL must be told not to read its configuration before the HTTP
// library's own static initialiser starts it with the defaults, which would
// read openssl.cnf and could load modules from disk. Static objects of one
// file are initialised in order of definition, so this comes first.
#include "news_server/tls_identity.h"

namespace {
const bool kOpenSslWithoutConfig = [] {
    papyr::news_server::init_openssl_without_config();
    return true;
}();
}  // namespace

#include <fcntl.h>
#include <httplib.h>
#include <openssl/pem.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "base/os_error.h"
#include "news_api/json.h"
#include "news_api/json_writer.h"

namespace papyr::news_server {
namespace {

using SteadyClock = std::chrono::steady_clock;

// A fixed number of workers and a bounded queue of accepted connections.
// When the queue is full the accepting thread waits, and new connections
// wait in the kernel's backlog instead of in this process's memory.
class BoundedPool final : public httplib::TaskQueue {
  public:
    BoundedPool(std::size_t workers, std::size_t queue_limit) : queue_limit_(queue_limit) {
        for (std::size_t i = 0; i < workers; ++i)
            threads_.emplace_back([this] { work(); });
    }
    ~BoundedPool() override { shutdown(); }
    BoundedPool(const BoundedPool&) = delete;
    BoundedPool& operator=(const BoundedPool&) = delete;

    void enqueue(std::function<void()> job) override {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return stopping_ || jobs_.size() < queue_limit_; });
        if (stopping_)
            return;
        jobs_.push_back(std::move(job));
        lock.unlock();
        ready_.notify_one();
    }

    void shutdown() override {
        {
            const std::lock_guard lock(mutex_);
            if (stopping_ && threads_.empty())
                return;
            stopping_ = true;
        }
        ready_.notify_all();
        room_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
        threads_.clear();
    }

  private:
    void work() {
        while (true) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [&] { return stopping_ || !jobs_.empty(); });
                if (jobs_.empty())
                    return;  // stopping, and nothing left
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            room_.notify_one();
            job();
        }
    }

    std::size_t queue_limit_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
};

Reply error_reply(int status, std::string_view message);

// What the log line of the request being served on this thread needs; the
// library calls the logger on the same thread right after the answer.
struct RequestNote {
    std::optional<SteadyClock::time_point> started;
    std::string origin = "-";
    std::string note;
};
thread_local RequestNote current_request;

// A file answer, read with pread from the descriptor opened here: the
// library asks for it piece by piece as the client takes it.
bool send_file(const std::filesystem::path& path, const std::string& content_type,
               httplib::Response& response) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        ::close(fd);
        return false;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    response.set_content_provider(
        size, content_type,
        [fd, size](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            std::array<char, 65536> buffer{};
            const std::size_t wanted = std::min({length, buffer.size(), size - offset});
            const ssize_t got = ::pread(fd, buffer.data(), wanted, static_cast<off_t>(offset));
            // A file shortened under the answer ends it: the client sees a
            // body shorter than announced, never other bytes.
            if (got <= 0)
                return false;
            return sink.write(buffer.data(), static_cast<std::size_t>(got));
        },
        [fd](bool) { ::close(fd); });
    return true;
}

void send(const Reply& reply, httplib::Response& response) {
    response.status = reply.status;
    response.set_header("Cache-Control", reply.cache_control);
    current_request.origin = reply.origin;
    current_request.note = reply.note;
    if (!reply.file) {
        response.set_content(reply.body, reply.content_type.c_str());
        return;
    }
    if (!send_file(*reply.file, reply.content_type, response)) {
        Reply missing = not_found_reply();
        missing.note = "cannot open " + reply.file->string();
        send(missing, response);
    }
}

// {"success":false,"error":"…"}: the part both of the reader's answer
// records share, for requests that are neither.
Reply error_reply(int status, std::string_view message) {
    json::Writer writer(JsonLayout::Compact);
    writer.begin_object();
    writer.key("success");
    writer.boolean(false);
    writer.key("error");
    writer.string(message);
    writer.end_object();
    Reply reply;
    reply.status = status;
    reply.body = std::move(writer).take();
    return reply;
}

std::string elapsed_text(const RequestNote& note) {
    if (!note.started)
        return "-";
    const auto micros =
        std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - *note.started)
            .count();
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", static_cast<double>(micros) / 1000.0);
    return text;
}

// Control characters from a client never reach the log as they are.
std::string printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

template <class T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};

}  // namespace

Reply not_found_reply() {
    return error_reply(404, "Máy chủ không có địa chỉ này");
}

struct HttpsServer::Impl {
    HttpSettings settings;
    std::vector<Route> routes;
    LogFn log;
    std::unique_ptr<httplib::SSLServer> server;
    int bound_port = 0;

    bool dispatch(const httplib::Request& request, httplib::Response& response) const;
    void log_request(const httplib::Request& request, const httplib::Response& response) const;
};

bool HttpsServer::Impl::dispatch(const httplib::Request& request,
                                 httplib::Response& response) const {
    current_request = RequestNote{SteadyClock::now(), "-", {}};
    if (request.method != "GET" && request.method != "HEAD") {
        send(error_reply(405, "Máy chủ chỉ nhận yêu cầu GET"), response);
        response.set_header("Allow", "GET, HEAD");
        return true;
    }
    for (const Route& route : routes) {
        const bool matches =
            route.prefix ? request.path.starts_with(route.path) : route.path == request.path;
        if (matches) {
            RouteRequest asked{request.path,
                               QueryParams(request.params.begin(), request.params.end()),
                               request.get_header_value("Host")};
            send(route.answer(asked), response);
            return true;
        }
    }
    send(not_found_reply(), response);
    return true;
}

void HttpsServer::Impl::log_request(const httplib::Request& request,
                                    const httplib::Response& response) const {
    std::string line = "[Server] " + printable(request.method) + " " +
                       printable(request.target.empty() ? request.path : request.target) + " " +
                       std::to_string(response.status) + " " + elapsed_text(current_request) + " " +
                       current_request.origin;
    if (!current_request.note.empty())
        line += " (" + printable(current_request.note) + ")";
    log(line);
    current_request = RequestNote{};
}

HttpsServer::HttpsServer(HttpSettings settings, const TlsIdentity& identity,
                         std::vector<Route> routes, LogFn log)
    : impl_(std::make_unique<Impl>()) {
    impl_->settings = std::move(settings);
    impl_->routes = std::move(routes);
    impl_->log = std::move(log);

    using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
    using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
    using Certificate = std::unique_ptr<X509, Deleter<X509, X509_free>>;
    const Bio cert_bio(BIO_new_mem_buf(identity.certificate_pem.data(),
                                       static_cast<int>(identity.certificate_pem.size())));
    const Bio key_bio(BIO_new_mem_buf(identity.private_key_pem.data(),
                                      static_cast<int>(identity.private_key_pem.size())));
    const Certificate cert(cert_bio ? PEM_read_bio_X509(cert_bio.get(), nullptr, nullptr, nullptr)
                                    : nullptr);
    const Key key(key_bio ? PEM_read_bio_PrivateKey(key_bio.get(), nullptr, nullptr, nullptr)
                          : nullptr);
    // The library takes its own references to both.
    impl_->server = std::make_unique<httplib::SSLServer>(cert.get(), key.get());
    if (!impl_->server->is_valid())
        return;
    SSL_CTX_set_min_proto_version(impl_->server->ssl_context(), TLS1_2_VERSION);

    httplib::SSLServer& server = *impl_->server;
    const HttpSettings& limits = impl_->settings;
    const std::size_t workers = std::max<std::size_t>(1, limits.workers);
    const std::size_t waiting = std::max<std::size_t>(1, limits.waiting_connections);
    server.new_task_queue = [workers, waiting] { return new BoundedPool(workers, waiting); };
    server.set_read_timeout(limits.read_timeout.count());
    server.set_request_read_deadline(limits.request_read_deadline.count());
    server.set_write_timeout(limits.write_timeout.count());
    server.set_keep_alive_timeout(limits.keep_alive_timeout.count());
    server.set_keep_alive_max_count(std::max<std::size_t>(1, limits.requests_per_connection));
    server.set_payload_max_length(limits.max_body_bytes);
    server.set_tcp_nodelay(true);
    // The library's default is SO_REUSEPORT, with which a second service
    // binds the same port beside a running one and the kernel shares the
    // connections between them. SO_REUSEADDR alone still allows a restart
    // while the old connections linger, and a port in use is an error.
    server.set_socket_options([](socket_t sock) {
        const int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    Impl* impl = impl_.get();
    server.set_pre_routing_handler(
        [impl](const httplib::Request& request, httplib::Response& response) {
            impl->dispatch(request, response);
            return httplib::Server::HandlerResponse::Handled;
        });
    // Answers the library makes itself (a request line too long, a body too
    // large, a malformed request) get the same JSON shape as ours.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request&, httplib::Response& response) {
            if (!response.body.empty())
                return httplib::Server::HandlerResponse::Unhandled;
            send(error_reply(response.status, "Yêu cầu không hợp lệ"), response);
            return httplib::Server::HandlerResponse::Handled;
        }));
    server.set_logger([impl](const httplib::Request& request, const httplib::Response& response) {
        impl->log_request(request, response);
    });
}

HttpsServer::~HttpsServer() = default;

Result<void> HttpsServer::bind() {
    const std::string where =
        impl_->settings.host.find(':') != std::string::npos
            ? "[" + impl_->settings.host + "]:" + std::to_string(impl_->settings.port)
            : impl_->settings.host + ":" + std::to_string(impl_->settings.port);
    if (!impl_->server->is_valid())
        return fail("cannot set up TLS with the certificate and key");
    const int flags = AI_NUMERICHOST | AI_NUMERICSERV | AI_PASSIVE;
    if (impl_->settings.port == 0) {
        impl_->bound_port = impl_->server->bind_to_any_port(impl_->settings.host, flags);
        if (impl_->bound_port <= 0)
            return fail("cannot listen on " + where + ": " + system_error_text(errno));
        return {};
    }
    errno = 0;
    if (!impl_->server->bind_to_port(impl_->settings.host, impl_->settings.port, flags)) {
        const int error = errno;
        return fail("cannot listen on " + where + ": " +
                    (error != 0 ? system_error_text(error) : "the address is unusable"));
    }
    impl_->bound_port = impl_->settings.port;
    return {};
}

int HttpsServer::port() const {
    return impl_->bound_port;
}

void HttpsServer::run() {
    impl_->server->listen_after_bind();
}

void HttpsServer::stop() {
    impl_->server->stop();
}

}  // namespace papyr::news_server
