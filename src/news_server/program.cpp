#include "news_server/program.h"

#include <malloc.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <thread>

#include "base/diagnostics.h"
#include "base/file_bytes.h"
#include "base/url.h"
#include "extraction/extract.h"
#include "feeds/feed_parser.h"
#include "news_api/json.h"
#include "news_server/http_server.h"
#include "news_server/messages.h"
#include "news_server/news_service.h"
#include "news_server/publisher_fetch.h"
#include "news_server/release_routes.h"
#include "news_server/tls_identity.h"

#ifndef PAPYR_VERSION
#error "PAPYR_VERSION must be defined by the build"
#endif
#ifndef PAPYR_RELEASE_CHANNEL
#error "PAPYR_RELEASE_CHANNEL must be defined by the build (empty for none)"
#endif

namespace papyr::news_server {
namespace {

namespace fs = std::filesystem;

constexpr int kUsageError = 2;
constexpr int kFailure = 1;

void say(const std::string& line) {
    write_diagnostic_line(line);
}

int usage_error(const std::string& message) {
    say("papyr-server: " + message + " (see papyr-server --help)");
    return kUsageError;
}

Result<std::string> read_input(const std::optional<fs::path>& file) {
    std::optional<std::string> bytes =
        file ? read_file_bytes(*file) : read_descriptor_bytes(STDIN_FILENO);
    if (!bytes)
        return fail("cannot read " + (file ? file->string() : std::string("standard input")));
    return *std::move(bytes);
}

fs::path program_folder() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::current_path(error) : self.parent_path();
}

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

std::string origin_text(const ListenAddress& address) {
    const bool v6 = address.host.find(':') != std::string::npos;
    return "https://" + (v6 ? "[" + address.host + "]" : address.host) + ":" +
           std::to_string(address.port);
}

// The names the self-made certificate is for: the loopback names, and the
// listening address when it is a specific one.
std::vector<std::string> certificate_names(const ListenAddress& listen) {
    std::vector<std::string> names{"localhost", "127.0.0.1", "::1"};
    if (listen.host != "0.0.0.0" && listen.host != "::" && listen.host != "127.0.0.1" &&
        listen.host != "::1")
        names.push_back(listen.host);
    return names;
}

Result<TlsIdentity> tls_identity(const ServeOptions& options, const fs::path& data) {
    if (options.cert)
        return load_certificate(*options.cert, *options.key);
    auto identity = ensure_certificate(data / "tls", certificate_names(options.listen));
    if (identity && identity->created)
        say("[Server] Made a self-signed TLS certificate in " + (data / "tls").string() + " (" +
            std::to_string(identity->creation_time.count()) + " ms)");
    return identity;
}

Result<std::optional<std::string>> ca_bundle(const ServeOptions& options) {
    if (options.ca_bundle) {
        if (!read_file_bytes(*options.ca_bundle))
            return fail("cannot read the CA bundle " + options.ca_bundle->string());
        return std::optional<std::string>(options.ca_bundle->string());
    }
    // The release carries Debian's bundle beside sources.json.
    const fs::path release = program_folder().parent_path() / "ca-certificates.crt";
    return choose_ca_bundle(system_ca_bundle_candidates(), release.string());
}

std::vector<Route> news_routes(NewsService& service) {
    const auto to_reply = [](Answer answer) {
        Reply reply;
        reply.status = answer.status;
        reply.body = std::move(answer.body);
        reply.cache_control = std::move(answer.cache_control);
        reply.origin = std::string(origin_name(answer.origin));
        reply.note = std::move(answer.note);
        return reply;
    };
    // One value of each parameter: a repeated one is as unusable as none.
    const auto single = [](const QueryParams& query, const std::string& key) {
        return query.count(key) == 1 ? std::optional(query.find(key)->second) : std::nullopt;
    };
    return {
        {"/api/v1/news/feed",
         [&service, to_reply, single](const RouteRequest& request) {
             const QueryParams& query = request.query;
             const auto source = single(query, "source");
             const auto category = single(query, "category");
             if (!source || !category)
                 return to_reply(feed_failure(
                     400, messages::missing_parameter(!source ? "source" : "category")));
             return to_reply(service.feed(*source, *category));
         }},
        {"/api/v1/news/article",
         [&service, to_reply, single](const RouteRequest& request) {
             const auto url = single(request.query, "url");
             if (!url)
                 return to_reply(article_failure(400, messages::missing_parameter("url")));
             return to_reply(service.article(*url));
         }},
        {"/healthz",
         [](const RouteRequest&) {
             Reply reply;
             reply.content_type = "text/plain; charset=utf-8";
             reply.body = "ok";
             return reply;
         }},
    };
}

// SIGTERM and SIGINT are taken by one thread with sigwait; every other thread
// has them blocked (they inherit the mask from the main thread).
sigset_t stop_signals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

[[noreturn]] void finish(int status) {
    std::fflush(nullptr);
    // Workers may still be inside a fetch; static destructors must not run
    // under them.
    ::_exit(status);
}

int serve(const ServeOptions& options) {
    const sigset_t signals = stop_signals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    // A few allocation arenas, not one per worker: resident memory stays low.
    mallopt(M_ARENA_MAX, 2);

    const fs::path sources_file = sources_path(options.sources, program_folder());
    auto sources = load_sources(sources_file);
    if (!sources) {
        say("papyr-server: " + sources.error());
        return kFailure;
    }
    fs::path data;
    if (options.data) {
        data = *options.data;
    } else {
        std::error_code error;
        auto folder = default_data_folder(fs::is_directory(kConsoleAppFolder, error),
                                          environment("XDG_CACHE_HOME"), environment("HOME"));
        if (!folder) {
            say("papyr-server: " + folder.error());
            return kFailure;
        }
        data = *folder;
    }
    std::error_code error;
    fs::create_directories(data, error);
    if (error) {
        say("papyr-server: cannot create the data folder " + data.string() + ": " +
            error.message());
        return kFailure;
    }
    auto identity = tls_identity(options, data);
    if (!identity) {
        say("papyr-server: " + identity.error());
        return kFailure;
    }
    auto bundle = ca_bundle(options);
    if (!bundle) {
        say("papyr-server: " + bundle.error());
        return kFailure;
    }

    CurlSettings curl;
    curl.ca_bundle = *bundle;
    curl.test_resolve_address = options.test_resolve_publishers;
    if (options.test_resolve_publishers)
        say("[Server] Test mode: every publisher host resolves to " +
            *options.test_resolve_publishers);
    ServiceSettings settings;
    settings.feed_fresh_for = options.feed_fresh_for;
    settings.prefetch_articles = options.prefetch;
    settings.article_cache_bytes = options.cache_megabytes * 1024 * 1024;
    settings.demo = options.demo;
    if (options.demo)
        say("[Server] Demo mode: feeds and articles that cannot be fetched and were never kept "
            "are answered from the built-in demo set");
    auto key = release_key(options.release_key);
    if (!key) {
        say("papyr-server: " + key.error());
        return kFailure;
    }
    releases::ChannelSettings channel_settings;
    channel_settings.manifest_url = options.release_channel.value_or(PAPYR_RELEASE_CHANNEL);
    channel_settings.own_version = PAPYR_VERSION;
    if (channel_settings.manifest_url.empty())
        say("[Server] No release channel: updates are not offered");
    else
        say("[Server] Release channel: " + channel_settings.manifest_url);
    releases::ReleaseChannel channel(channel_settings, std::move(key).value(), data / "release",
                                     channel_fetchers(curl), stderr_log());

    auto fetcher = std::make_shared<CurlFetcher>(curl);
    NewsService service(
        std::move(sources).value(), settings, data / "cache",
        [fetcher](const FetchRequest& request) { return (*fetcher)(request); }, stderr_log());

    HttpSettings http;
    http.host = options.listen.host;
    http.port = options.listen.port;
    http.workers = options.workers;
    std::vector<Route> routes = news_routes(service);
    for (Route& route : release_routes(channel, options.listen))
        routes.push_back(std::move(route));
    HttpsServer server(http, *identity, std::move(routes), stderr_log());
    if (auto bound = server.bind(); !bound) {
        say("papyr-server: " + bound.error());
        return kFailure;
    }
    std::thread([&server, signals] {
        int received = 0;
        sigwait(&signals, &received);
        say(std::string("[Server] Stopping on ") + (received == SIGINT ? "SIGINT" : "SIGTERM"));
        server.stop();
        // Answers under way get a moment to finish; then the process ends
        // whatever is still running.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        finish(0);
    }).detach();

    ListenAddress shown = options.listen;
    shown.port = server.port();
    say("[Server] Listening on " + origin_text(shown));
    server.run();
    finish(0);
}

template <class Options>
Result<Sources> sources_for(const Options& options) {
    return load_sources(sources_path(options.sources, program_folder()));
}

int feed_command(const FeedOptions& options) {
    auto sources = sources_for(options);
    if (!sources) {
        say("papyr-server: " + sources.error());
        return kFailure;
    }
    auto document = read_input(options.input);
    if (!document) {
        say("papyr-server: " + document.error());
        return kFailure;
    }
    std::cout << feed_command_answer(*sources, options, *document) << '\n' << std::flush;
    return 0;
}

int extract_command(const ExtractOptions& options) {
    auto sources = sources_for(options);
    if (!sources) {
        say("papyr-server: " + sources.error());
        return kFailure;
    }
    auto page = read_input(options.input);
    if (!page) {
        say("papyr-server: " + page.error());
        return kFailure;
    }
    std::cout << extract_command_answer(*sources, options, *page) << '\n' << std::flush;
    return 0;
}

}  // namespace

std::string feed_command_answer(const Sources& sources, const FeedOptions& options,
                                std::string_view document) {
    const Publisher* publisher = sources.find(options.source);
    const Category* category =
        publisher == nullptr ? nullptr : publisher->find_category(options.category);
    if (category == nullptr) {
        return feed_failure(404, publisher == nullptr
                                     ? messages::unknown_source(options.source)
                                     : messages::unknown_category(options.source, options.category))
            .body;
    }
    feeds::FeedContext context;
    context.source_id = publisher->id;
    context.source_name = publisher->name;
    context.category_id = category->id;
    context.feed_url = to_string(category->feeds.urls.front());
    context.default_utc_offset_minutes = publisher->utc_offset_minutes;
    auto items = feeds::map_feed(document, context);
    if (!items)
        return feed_failure(502, items.error()).body;
    return encode_json(FeedResponse{true, std::move(items).value(), std::nullopt},
                       JsonLayout::Compact);
}

std::string extract_command_answer(const Sources& sources, const ExtractOptions& options,
                                   std::string_view page) {
    const std::optional<Url> parsed = parse_url(options.url);
    if (!parsed || (parsed->scheme != "http" && parsed->scheme != "https"))
        return article_failure(400, messages::invalid_article_url()).body;
    // The page is already here, so no request is made for it: a page of any
    // site is read, with the generic extraction alone when it is not a
    // publisher's (the service itself refuses such URLs before fetching).
    extraction::Page input;
    input.bytes = page;
    input.url = options.url;
    const std::optional<HttpsUrl> publisher_url = parse_https_url(options.url, PlainHttp::Upgrade);
    if (const Publisher* publisher =
            publisher_url ? sources.publisher_of(*publisher_url) : nullptr) {
        input.source_name = publisher->name;
        input.rules = &publisher->rules;
        input.default_utc_offset_minutes = publisher->utc_offset_minutes;
    }
    auto article = extraction::extract_article(input);
    if (!article)
        return article_failure(502, article.error()).body;
    article->url = options.url;
    return encode_json(ArticleResponse{true, std::move(article).value(), std::nullopt},
                       JsonLayout::Compact);
}

fs::path sources_path(const std::optional<fs::path>& given, const fs::path& folder) {
    if (given)
        return *given;
    std::error_code error;
    for (const fs::path& candidate :
         {folder / "sources.json", folder.parent_path() / "sources.json"}) {
        if (fs::is_regular_file(candidate, error))
            return candidate;
    }
#ifdef PAPYR_REPOSITORY_SOURCES
    return PAPYR_REPOSITORY_SOURCES;
#else
    return folder / "sources.json";
#endif
}

Result<Sources> load_sources(const fs::path& path) {
    const std::optional<std::string> text = read_file_bytes(path);
    if (!text)
        return fail(path.string() + ": cannot be read");
    auto sources = parse_sources(*text);
    if (!sources)
        return fail(path.string() + ": " + sources.error());
    return sources;
}

int run_program(const std::vector<std::string>& arguments) {
    auto command = parse_command_line(arguments);
    if (!command)
        return usage_error(command.error());
    if (std::holds_alternative<HelpCommand>(*command)) {
        std::cout << usage_text() << std::flush;
        return 0;
    }
    if (std::holds_alternative<VersionCommand>(*command)) {
        std::cout << "papyr-server " << PAPYR_VERSION << '\n' << std::flush;
        return 0;
    }
    if (const auto* serve_options = std::get_if<ServeOptions>(&*command))
        return serve(*serve_options);
    if (const auto* feed_options = std::get_if<FeedOptions>(&*command))
        return feed_command(*feed_options);
    return extract_command(std::get<ExtractOptions>(*command));
}

}  // namespace papyr::news_server
