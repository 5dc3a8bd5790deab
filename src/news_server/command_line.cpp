#include "news_server/command_line.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "releases/release_channel.h"

namespace papyr::news_server {
namespace {

// The arguments after the command, as options with values and positionals.
struct Parsed {
    std::map<std::string, std::string> values;
    std::vector<std::string> flags;
    std::vector<std::string> positionals;
};

struct OptionSpec {
    std::string_view name;
    bool takes_value;
};

Result<Parsed> split(const std::vector<std::string>& arguments, std::size_t first,
                     const std::vector<OptionSpec>& known) {
    Parsed parsed;
    for (std::size_t i = first; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!argument.starts_with("--") || argument == "-") {
            parsed.positionals.push_back(argument);
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const OptionSpec* matched = nullptr;
        for (const OptionSpec& option : known) {
            if (option.name == name)
                matched = &option;
        }
        if (matched == nullptr)
            return fail("unknown option " + name);
        if (parsed.values.count(name) != 0 ||
            std::find(parsed.flags.begin(), parsed.flags.end(), name) != parsed.flags.end())
            return fail(name + " is given twice");
        if (!matched->takes_value) {
            if (equals != std::string::npos)
                return fail(name + " takes no value");
            parsed.flags.push_back(name);
            continue;
        }
        if (equals != std::string::npos) {
            parsed.values[name] = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            parsed.values[name] = arguments[++i];
        } else {
            return fail(name + " needs a value");
        }
        if (parsed.values[name].empty())
            return fail(name + " needs a value");
    }
    return parsed;
}

bool has_flag(const Parsed& parsed, std::string_view name) {
    return std::find(parsed.flags.begin(), parsed.flags.end(), name) != parsed.flags.end();
}

std::optional<std::string> value(const Parsed& parsed, const std::string& name) {
    const auto found = parsed.values.find(name);
    return found == parsed.values.end() ? std::nullopt : std::optional(found->second);
}

std::optional<std::filesystem::path> path_value(const Parsed& parsed, const std::string& name) {
    const auto text = value(parsed, name);
    return text ? std::optional<std::filesystem::path>(*text) : std::nullopt;
}

Result<std::uint64_t> number(const Parsed& parsed, const std::string& name, std::uint64_t fallback,
                             std::uint64_t low, std::uint64_t high) {
    const auto text = value(parsed, name);
    if (!text)
        return fallback;
    std::uint64_t result = 0;
    const auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), result);
    if (error != std::errc() || end != text->data() + text->size() || result < low || result > high)
        return fail(name + " needs a whole number from " + std::to_string(low) + " to " +
                    std::to_string(high) + ", not \"" + *text + "\"");
    return result;
}

Result<std::optional<std::filesystem::path>> at_most_one_file(const Parsed& parsed) {
    if (parsed.positionals.size() > 1)
        return fail("unexpected argument " + parsed.positionals[1]);
    if (parsed.positionals.empty() || parsed.positionals[0] == "-")
        return std::optional<std::filesystem::path>();
    return std::optional<std::filesystem::path>(parsed.positionals[0]);
}

Result<Command> read_serve(const std::vector<std::string>& arguments) {
    auto parsed = split(arguments, 1,
                        {{"--listen", true},
                         {"--data", true},
                         {"--sources", true},
                         {"--cert", true},
                         {"--key", true},
                         {"--ca-bundle", true},
                         {"--demo", false},
                         {"--prefetch", true},
                         {"--workers", true},
                         {"--cache-mb", true},
                         {"--feed-ttl", true},
                         {"--release-channel", true},
                         {"--release-key", true},
                         {"--test-resolve-publishers", true}});
    if (!parsed)
        return Failure{std::move(parsed).error()};
    if (!parsed->positionals.empty())
        return fail("unexpected argument " + parsed->positionals[0]);
    ServeOptions options;
    if (const auto listen = value(*parsed, "--listen")) {
        const auto address = parse_listen_address(*listen);
        if (!address)
            return fail(
                "--listen needs ADDRESS:PORT with a numeric address, such as "
                "127.0.0.1:4548 or [::1]:4548, not \"" +
                *listen + "\"");
        options.listen = *address;
    }
    options.data = path_value(*parsed, "--data");
    options.sources = path_value(*parsed, "--sources");
    options.cert = path_value(*parsed, "--cert");
    options.key = path_value(*parsed, "--key");
    if (options.cert.has_value() != options.key.has_value())
        return fail("--cert and --key go together");
    options.ca_bundle = path_value(*parsed, "--ca-bundle");
    options.demo = has_flag(*parsed, "--demo");
    auto prefetch = number(*parsed, "--prefetch", options.prefetch, 0, 50);
    auto workers = number(*parsed, "--workers", options.workers, 1, 1024);
    auto cache = number(*parsed, "--cache-mb", options.cache_megabytes, 1, 1 << 20);
    auto ttl = number(*parsed, "--feed-ttl", 300, 0, 86400);
    for (const auto* checked : {&prefetch, &workers, &cache, &ttl}) {
        if (!*checked)
            return fail(checked->error());
    }
    options.prefetch = *prefetch;
    options.workers = *workers;
    options.cache_megabytes = *cache;
    options.feed_fresh_for = std::chrono::seconds(*ttl);
    if (const auto channel = value(*parsed, "--release-channel")) {
        if (auto usable = releases::check_channel_url(*channel); !usable)
            return fail("--release-channel: " + usable.error());
        options.release_channel = *channel;
    }
    options.release_key = path_value(*parsed, "--release-key");
    if (const auto address = value(*parsed, "--test-resolve-publishers")) {
        if (!parse_listen_address(*address + ":1"))
            return fail("--test-resolve-publishers needs a numeric IPv4 address");
        options.test_resolve_publishers = *address;
    }
    return Command{options};
}

Result<Command> read_feed(const std::vector<std::string>& arguments) {
    auto parsed =
        split(arguments, 1, {{"--source", true}, {"--category", true}, {"--sources", true}});
    if (!parsed)
        return Failure{std::move(parsed).error()};
    FeedOptions options;
    const auto source = value(*parsed, "--source");
    const auto category = value(*parsed, "--category");
    if (!source || !category)
        return fail("feed needs --source ID and --category ID");
    options.source = *source;
    options.category = *category;
    options.sources = path_value(*parsed, "--sources");
    auto input = at_most_one_file(*parsed);
    if (!input)
        return Failure{std::move(input).error()};
    options.input = *input;
    return Command{options};
}

Result<Command> read_extract(const std::vector<std::string>& arguments) {
    auto parsed = split(arguments, 1, {{"--url", true}, {"--sources", true}});
    if (!parsed)
        return Failure{std::move(parsed).error()};
    ExtractOptions options;
    const auto url = value(*parsed, "--url");
    if (!url)
        return fail("extract needs --url URL");
    options.url = *url;
    options.sources = path_value(*parsed, "--sources");
    auto input = at_most_one_file(*parsed);
    if (!input)
        return Failure{std::move(input).error()};
    options.input = *input;
    return Command{options};
}

}  // namespace

Result<Command> parse_command_line(const std::vector<std::string>& arguments) {
    if (arguments.empty())
        return fail("a command is needed: serve, feed or extract");
    const std::string& command = arguments[0];
    if (command == "--help" || command == "-h" || command == "help")
        return Command{HelpCommand{}};
    if (command == "--version")
        return Command{VersionCommand{}};
    // "papyr-server serve --help" is a request for help too.
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--help" || arguments[i] == "-h")
            return Command{HelpCommand{}};
    }
    if (command == "serve")
        return read_serve(arguments);
    if (command == "feed")
        return read_feed(arguments);
    if (command == "extract")
        return read_extract(arguments);
    return fail("unknown command " + command + " (serve, feed or extract)");
}

std::string usage_text() {
    return R"(Usage:
  papyr-server serve [--listen ADDRESS:PORT] [--data DIR] [--sources FILE]
                     [--cert FILE --key FILE] [--demo] [options]
  papyr-server feed --source ID --category ID [--sources FILE] [FILE]
  papyr-server extract --url URL [--sources FILE] [FILE]
  papyr-server --help | --version

Papyr's news service: fetches the publishers' feeds and article pages and
answers the reader's news API over HTTPS.

serve
  --listen ADDRESS:PORT  where to accept connections (default 127.0.0.1:4548;
                         0.0.0.0:4548 serves a household's consoles)
  --data DIR             certificate and caches (default /mnt/SDCARD/Apps/papyr/server
                         on a console, else $XDG_CACHE_HOME/papyr-server or
                         ~/.cache/papyr-server)
  --sources FILE         the feeds and publishers (default: sources.json beside
                         the program)
  --cert FILE --key FILE the TLS certificate and its key (default: a
                         self-signed pair made in DIR/tls on first start)
  --ca-bundle FILE       the certificates publishers are checked against
                         (default: the system's, else the release's)
  --demo                 answer the built-in demo set for what cannot be
                         fetched and was never kept (for desktops offline)
  --prefetch N           articles of each fetched feed read ahead (default 5,
                         0 turns it off)
  --feed-ttl SECONDS     how long a fetched feed is answered from memory
                         (default 300)
  --cache-mb N           the disk cache's bound for articles (default 64)
  --workers N            connections served at once (default 64)
  --release-channel URL  the signed release manifest (https; its signature is
                         URL.sig); updates are offered to the reader only when
                         the release key has signed them (default: the
                         channel built in, if any)
  --release-key FILE     the release public key, PEM Ed25519 (default: the
                         project's key built in)

feed     reads one feed document (RSS or Atom) from FILE or standard input
         and writes the answer the service would give for it, one line of JSON
extract  reads one HTML page from FILE or standard input and writes the
         article answer the service would give for URL

Test only: --test-resolve-publishers ADDRESS makes every publisher host
resolve to ADDRESS (a local server playing the publishers; give its
certificate with --ca-bundle).
)";
}

Result<std::filesystem::path> default_data_folder(bool console_app_folder_exists,
                                                  const std::optional<std::string>& xdg_cache_home,
                                                  const std::optional<std::string>& home) {
    if (console_app_folder_exists)
        return std::filesystem::path(kConsoleAppFolder) / "server";
    // The XDG rules: a relative XDG_CACHE_HOME is to be ignored.
    if (xdg_cache_home && !xdg_cache_home->empty() && xdg_cache_home->front() == '/')
        return std::filesystem::path(*xdg_cache_home) / "papyr-server";
    if (home && !home->empty())
        return std::filesystem::path(*home) / ".cache" / "papyr-server";
    return fail("no data folder: set HOME or give --data DIR");
}

}  // namespace papyr::news_server
