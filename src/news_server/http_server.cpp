#include "news_server/http_server.h"

// The only file that includes Boost.Asio and Boost.Beast: their templates
// are compiled once, here, and the rest of the service sees the plain
// interface of http_server.h.

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <boost/asio/dispatch.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/ssl/context.hpp>
#include <boost/asio/ssl/stream.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/basic_parser.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/read.hpp>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "base/loop_threads.h"
#include "base/os_error.h"
#include "news_server/http_requests.h"

namespace papyr::news_server {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using SteadyClock = std::chrono::steady_clock;
using Strand = asio::strand<asio::io_context::executor_type>;

// Descriptors kept free for what the routes open (curl's pipes, cache
// files) when connections are bounded by the process's file limit.
constexpr std::size_t kReservedFiles = 64;
constexpr std::size_t kWriteChunkBytes = 64 * 1024;

// A request head and body, read with the limits of HttpSettings. Only the
// line, the Host header and the counts are kept; a body is read and
// dropped (no route takes one).
class RequestParser final : public http::basic_parser<true> {
  public:
    explicit RequestParser(const HttpSettings& limits) : limits_(limits) {
        header_limit(static_cast<std::uint32_t>(limits.max_head_bytes));
        body_limit(limits.max_body_bytes);
    }

    RequestHead head;
    std::optional<Refusal> refusal;  // a limit of ours that the head broke

  private:
    void on_request_impl(http::verb, beast::string_view method, beast::string_view target,
                         int version, error_code& ec) override {
        // "METHOD SP target SP HTTP/1.1 CRLF"
        if (method.size() + target.size() + 12 > limits_.max_line_bytes)
            return refuse(Refusal::RequestLineTooLong, ec);
        head.method.assign(method.data(), method.size());
        head.target.assign(target.data(), target.size());
        head.version = version;
    }
    void on_response_impl(int, beast::string_view, int, error_code&) override {}
    void on_field_impl(http::field name, beast::string_view name_text, beast::string_view value,
                       error_code& ec) override {
        if (++fields_ > limits_.max_header_lines)
            return refuse(Refusal::TooManyHeaderLines, ec);
        // "Name: value CRLF"
        if (name_text.size() + value.size() + 4 > limits_.max_line_bytes)
            return refuse(Refusal::HeaderLineTooLong, ec);
        if (name == http::field::host)
            head.host.assign(value.data(), value.size());
    }
    void on_header_impl(error_code&) override {}
    void on_body_init_impl(const boost::optional<std::uint64_t>&, error_code&) override {}
    std::size_t on_body_impl(beast::string_view body, error_code&) override { return body.size(); }
    void on_chunk_header_impl(std::uint64_t, beast::string_view, error_code&) override {}
    std::size_t on_chunk_body_impl(std::uint64_t, beast::string_view body, error_code&) override {
        return body.size();
    }
    void on_finish_impl(error_code&) override {}

    void refuse(Refusal why, error_code& ec) {
        refusal = why;
        ec = http::error::bad_field;
    }

    const HttpSettings& limits_;
    std::size_t fields_ = 0;
};

// What a failed read means: a refusal to answer, or nothing (the client
// left, was too slow, or the service is stopping: the connection just ends).
std::optional<Refusal> refusal_for(const error_code& ec, const RequestParser& parser) {
    if (parser.refusal)
        return parser.refusal;
    if (ec == http::error::header_limit || ec == http::error::buffer_overflow)
        return parser.head.method.empty() ? Refusal::RequestLineTooLong : Refusal::HeadTooLarge;
    if (ec == http::error::body_limit)
        return Refusal::BodyTooLarge;
    const bool parse_error =
        ec.category() == http::make_error_code(http::error::bad_target).category();
    if (parse_error && ec != http::error::end_of_stream && ec != http::error::partial_message)
        return Refusal::Malformed;
    return std::nullopt;
}

std::size_t connection_bound(std::size_t wanted) {
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY)
        return wanted;
    const auto allowed = static_cast<std::size_t>(files.rlim_cur);
    return std::max<std::size_t>(
        1, std::min(wanted, allowed > 2 * kReservedFiles ? allowed - kReservedFiles : allowed / 2));
}

class Session;

// Everything the connections share; HttpsServer's Impl is this. Its threads
// (route_threads.h) run `io`; each connection's steps run in its strand.
struct Server {
    HttpSettings settings;
    std::vector<Route> routes;
    LogFn log;
    std::size_t max_connections = 0;
    std::atomic<bool> stopping{false};
    std::mutex sessions_mutex;
    std::unordered_set<Session*> sessions;
    bool accept_paused = false;  // under sessions_mutex
    bool tls_ready = false;
    std::unique_ptr<LoopThreads> threads;
    asio::ssl::context tls{asio::ssl::context::tls_server};
    // Declared after what the sessions use: handlers still queued hold
    // sessions, and the io_context destroys them when it goes.
    asio::io_context io;
    Strand accepting{io.get_executor()};
    tcp::acceptor acceptor{accepting};
    asio::steady_timer accept_retry{accepting};
    asio::steady_timer drain_end{accepting};

    void wait_for_connection();
    void accept_ready();
    void begin_stop();
    void session_ended(Session* gone);
};

class Session final : public std::enable_shared_from_this<Session> {
  public:
    Session(Server& server, tcp::socket socket)
        : server_(server),
          socket_(std::move(socket)),
          deadline_timer_(socket_.get_executor()),
          buffer_(server.settings.max_head_bytes + server.settings.max_body_bytes + 16384) {}

    ~Session() {
        if (file_ >= 0)
            ::close(file_);
        server_.session_ended(this);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // One deadline for the client's first bytes, the handshake and the
    // first request's head. TLS is set up only once bytes came: a
    // connection that sends nothing holds a socket and a few hundred bytes.
    void start() {
        reading_ = true;
        set_deadline(server_.settings.request_read_deadline);
        socket_.async_wait(tcp::socket::wait_read,
                           [self = shared_from_this()](const error_code& ec) {
                               if (ec)
                                   return self->end();
                               self->handshake();
                           });
    }

    // From stop(): a connection waiting for a request ends now; one with an
    // answer under way ends after it.
    void stop_if_idle() {
        error_code ignored;
        if (reading_)
            socket_.cancel(ignored);
    }

    asio::any_io_executor executor() { return socket_.get_executor(); }

  private:
    // The deadline of what the connection waits for now. Moving it later
    // costs nothing: the timer, when it fires, looks at the deadline then
    // and waits on if it lies ahead; only an earlier one sets the timer
    // anew. Past the deadline the socket is closed, which ends whatever
    // was waiting on it.
    void set_deadline(std::chrono::seconds after) {
        deadline_ = SteadyClock::now() + after;
        if (!timer_set_ || deadline_ < deadline_timer_.expiry())
            wait_for_deadline();
    }

    void wait_for_deadline() {
        timer_set_ = true;
        deadline_timer_.expires_at(deadline_);
        deadline_timer_.async_wait([self = shared_from_this()](const error_code& ec) {
            if (ec == asio::error::operation_aborted)
                return;  // set anew, or the connection ended
            self->timer_set_ = false;
            if (self->deadline_ == SteadyClock::time_point::max())
                return;
            if (SteadyClock::now() < self->deadline_)
                return self->wait_for_deadline();
            error_code ignored;
            self->socket_.close(ignored);
        });
    }

    void clear_deadline() { deadline_ = SteadyClock::time_point::max(); }

    void handshake() {
        stream_.emplace(socket_, server_.tls);
        stream_->async_handshake(asio::ssl::stream_base::server,
                                 [self = shared_from_this()](const error_code& ec) {
                                     if (ec)
                                         return self->end();
                                     self->read_head();
                                 });
    }

    void read_head() {
        if (server_.stopping)
            return end();
        reading_ = true;
        parser_.emplace(server_.settings);
        if (served_ > 0 && buffer_.size() == 0)
            return wait_for_next_request();
        http::async_read_header(
            *stream_, buffer_, *parser_,
            [self = shared_from_this()](const error_code& ec, std::size_t) { self->on_head(ec); });
    }

    // Between requests a connection may stay idle for the keep-alive time;
    // once the next request's first bytes came, its head has the deadline.
    void wait_for_next_request() {
        set_deadline(server_.settings.keep_alive_timeout);
        stream_->async_read_some(buffer_.prepare(4096), [self = shared_from_this()](
                                                            const error_code& ec, std::size_t n) {
            self->buffer_.commit(n);
            if (ec)
                return self->end();
            self->set_deadline(self->server_.settings.request_read_deadline);
            http::async_read_header(
                *self->stream_, self->buffer_, *self->parser_,
                [self](const error_code& read, std::size_t) { self->on_head(read); });
        });
    }

    void on_head(const error_code& ec) {
        if (ec)
            return on_read_failure(ec);
        if (parser_->is_done())
            return on_request();
        set_deadline(server_.settings.body_read_deadline);
        http::async_read(*stream_, buffer_, *parser_,
                         [self = shared_from_this()](const error_code& read, std::size_t) {
                             if (read)
                                 return self->on_read_failure(read);
                             self->on_request();
                         });
    }

    void on_read_failure(const error_code& ec) {
        reading_ = false;
        const std::optional<Refusal> refusal = refusal_for(ec, *parser_);
        if (!refusal)
            return end();
        // Answered, and the connection closed after the answer: what is left
        // of this request is never parsed as another one.
        keep_alive_ = false;
        started_ = SteadyClock::now();
        send(refusal_reply(*refusal), !parser_->head.method.empty());
    }

    void on_request() {
        reading_ = false;
        clear_deadline();
        started_ = SteadyClock::now();
        ++served_;
        keep_alive_ = parser_->keep_alive() && served_ < server_.settings.requests_per_connection;
        const Route* route = route_for(server_.routes, parser_->head);
        if (route == nullptr || route->quick)
            return send(answer_request(route, parser_->head, server_.log), true);
        if (!server_.threads->enter_blocking())
            return send(busy_reply(), true);
        Reply reply = answer_request(route, parser_->head, server_.log);
        server_.threads->leave_blocking();
        send(std::move(reply), true);
    }

    void send(Reply reply, bool head_known) {
        if (server_.stopping)
            keep_alive_ = false;
        head_known_ = head_known;
        const bool body_wanted = !head_known || parser_->head.method != "HEAD";
        std::size_t body_bytes = reply.body.size();
        if (reply.file) {
            if (!open_file(*reply.file, body_bytes)) {
                Reply missing = not_found_reply();
                missing.note = "cannot open " + reply.file->string();
                reply = std::move(missing);
                body_bytes = reply.body.size();
            }
        }
        out_ = response_head(reply, body_bytes, head_known ? &parser_->head : nullptr, keep_alive_);
        if (body_wanted && !reply.file)
            out_ += reply.body;
        if (!body_wanted && file_ >= 0) {
            ::close(file_);
            file_ = -1;
        }
        file_left_ = file_ >= 0 ? body_bytes : 0;
        file_offset_ = 0;
        out_sent_ = 0;
        reply.body.clear();
        reply_ = std::move(reply);
        write_out();
    }

    bool open_file(const std::filesystem::path& path, std::size_t& size) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
        struct stat info {};
        if (fd < 0 || ::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        file_ = fd;
        size = static_cast<std::size_t>(info.st_size);
        return true;
    }

    // In pieces, each with its own deadline: a client that stops reading
    // is dropped, while a slow one still gets a large answer.
    void write_out() {
        if (out_sent_ == out_.size())
            return file_left_ > 0 ? write_file_chunk() : answered();
        const std::size_t piece = std::min(out_.size() - out_sent_, kWriteChunkBytes);
        set_deadline(server_.settings.write_timeout);
        asio::async_write(*stream_, asio::buffer(out_.data() + out_sent_, piece),
                          [self = shared_from_this()](const error_code& ec, std::size_t n) {
                              if (ec)
                                  return self->end();
                              self->out_sent_ += n;
                              self->write_out();
                          });
    }

    // A file answer in pieces, read with pread from the descriptor opened
    // when the answer started (a file renamed over meanwhile does not tear
    // it). A file shortened under the answer ends the connection: the
    // client sees a body shorter than announced, never other bytes.
    void write_file_chunk() {
        out_.resize(std::min(file_left_, kWriteChunkBytes));
        const ssize_t got = ::pread(file_, out_.data(), out_.size(), file_offset_);
        if (got <= 0)
            return end();
        out_.resize(static_cast<std::size_t>(got));
        out_sent_ = 0;
        file_left_ -= out_.size();
        file_offset_ += got;
        write_out();
    }

    void answered() {
        if (file_ >= 0) {
            ::close(file_);
            file_ = -1;
        }
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - started_);
        server_.log(request_log_line(head_known_ ? &parser_->head : nullptr, reply_, elapsed));
        reply_ = Reply{};
        out_.clear();
        if (!keep_alive_)
            return close_after_answer();
        read_head();
    }

    // close_notify, then whatever the client still sends is read and
    // dropped until it closes too or the write deadline passes: closing at
    // once with unread bytes would reset the connection, and the client
    // could lose the answer it has not read yet.
    void close_after_answer() {
        set_deadline(server_.settings.write_timeout);
        stream_->async_shutdown([self = shared_from_this()](const error_code&) { self->end(); });
    }

    void end() {
        reading_ = false;
        error_code ignored;
        socket_.shutdown(tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
        deadline_timer_.cancel();
    }

    Server& server_;
    tcp::socket socket_;
    std::optional<asio::ssl::stream<tcp::socket&>> stream_;
    asio::steady_timer deadline_timer_;
    SteadyClock::time_point deadline_ = SteadyClock::time_point::max();
    bool timer_set_ = false;
    beast::flat_buffer buffer_;
    std::optional<RequestParser> parser_;
    Reply reply_;
    std::string out_;
    std::size_t out_sent_ = 0;
    int file_ = -1;
    std::size_t file_left_ = 0;
    off_t file_offset_ = 0;
    std::size_t served_ = 0;
    SteadyClock::time_point started_;
    bool reading_ = false;
    bool keep_alive_ = false;
    bool head_known_ = false;
};

void Server::wait_for_connection() {
    if (stopping || !acceptor.is_open())
        return;
    acceptor.async_wait(tcp::acceptor::wait_read, [this](const error_code& ec) {
        if (ec == asio::error::operation_aborted || stopping)
            return;
        accept_ready();
    });
}

// Accepted with close-on-exec set from the start: the curl children that
// routes start must never hold a client's connection open.
void Server::accept_ready() {
    while (!stopping) {
        {
            const std::lock_guard lock(sessions_mutex);
            if (sessions.size() >= max_connections) {
                accept_paused = true;  // session_ended resumes
                return;
            }
        }
        const int fd =
            ::accept4(acceptor.native_handle(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                return wait_for_connection();
            // Out of descriptors or memory: try again shortly instead of
            // spinning on a socket that stays ready.
            accept_retry.expires_after(std::chrono::milliseconds(100));
            accept_retry.async_wait([this](const error_code& ec) {
                if (!ec)
                    wait_for_connection();
            });
            return;
        }
        tcp::socket socket(asio::make_strand(io));
        error_code ec;
        socket.assign(acceptor.local_endpoint(ec).protocol(), fd, ec);
        if (ec) {
            ::close(fd);
            continue;
        }
        socket.set_option(tcp::no_delay(true), ec);
        auto session = std::make_shared<Session>(*this, std::move(socket));
        {
            const std::lock_guard lock(sessions_mutex);
            sessions.insert(session.get());
        }
        asio::dispatch(session->executor(), [session] { session->start(); });
    }
}

void Server::begin_stop() {
    error_code ignored;
    acceptor.close(ignored);
    accept_retry.cancel();
    drain_end.expires_after(settings.drain_deadline);
    drain_end.async_wait([this](const error_code& ec) {
        if (!ec)
            io.stop();  // answers still under way are given up
    });
    const std::lock_guard lock(sessions_mutex);
    for (Session* session : sessions) {
        asio::post(session->executor(), [weak = session->weak_from_this()] {
            if (auto alive = weak.lock())
                alive->stop_if_idle();
        });
    }
    if (sessions.empty())
        drain_end.cancel();
}

void Server::session_ended(Session* gone) {
    const std::lock_guard lock(sessions_mutex);
    sessions.erase(gone);
    if (stopping && sessions.empty())
        asio::post(accepting, [this] { drain_end.cancel(); });
    else if (accept_paused && sessions.size() < max_connections) {
        accept_paused = false;
        asio::post(accepting, [this] { accept_ready(); });
    }
}

}  // namespace

struct HttpsServer::Impl final : Server {};

HttpsServer::HttpsServer(HttpSettings settings, const TlsIdentity& identity,
                         std::vector<Route> routes, LogFn log)
    : impl_(std::make_unique<Impl>()) {
    init_openssl_without_config();
    impl_->settings = std::move(settings);
    impl_->routes = std::move(routes);
    impl_->log = std::move(log);
    impl_->tls_ready = configure_server_context(impl_->tls.native_handle(), identity);
    Impl* impl = impl_.get();
    impl_->threads = std::make_unique<LoopThreads>(
        impl->settings.io_threads, impl->settings.workers, [impl] { impl->io.run(); });
}

HttpsServer::~HttpsServer() = default;

Result<void> HttpsServer::bind() {
    const HttpSettings& settings = impl_->settings;
    const std::string where = settings.host.find(':') != std::string::npos
                                  ? "[" + settings.host + "]:" + std::to_string(settings.port)
                                  : settings.host + ":" + std::to_string(settings.port);
    if (!impl_->tls_ready)
        return fail("cannot set up TLS with the certificate and key");
    error_code ec;
    const asio::ip::address address = asio::ip::make_address(settings.host, ec);
    if (ec || settings.port < 0 || settings.port > 65535)
        return fail("cannot listen on " + where + ": the address is unusable");
    const tcp::endpoint endpoint(address, static_cast<std::uint16_t>(settings.port));
    const int fd = ::socket(endpoint.protocol().family(), SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail("cannot listen on " + where + ": " + system_error_text(errno));
    tcp::acceptor& acceptor = impl_->acceptor;
    acceptor.assign(endpoint.protocol(), fd, ec);
    // SO_REUSEADDR lets a restart bind while the old connections linger;
    // without SO_REUSEPORT a second service on the same port is an error.
    if (!ec)
        acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec)
        acceptor.bind(endpoint, ec);
    if (!ec)
        acceptor.listen(511, ec);
    if (!ec)
        acceptor.non_blocking(true, ec);
    if (ec) {
        error_code ignored;
        acceptor.close(ignored);
        return fail("cannot listen on " + where + ": " + system_error_text(ec.value()));
    }
    impl_->max_connections = connection_bound(settings.max_connections);
    return {};
}

int HttpsServer::port() const {
    error_code ec;
    const tcp::endpoint bound = impl_->acceptor.local_endpoint(ec);
    return ec ? 0 : bound.port();
}

void HttpsServer::run() {
    Impl& impl = *impl_;
    asio::post(impl.accepting, [&impl] { impl.wait_for_connection(); });
    impl.threads->run();
}

void HttpsServer::stop() {
    if (impl_->stopping.exchange(true))
        return;
    Impl& impl = *impl_;
    asio::post(impl.accepting, [&impl] { impl.begin_stop(); });
}

}  // namespace papyr::news_server
