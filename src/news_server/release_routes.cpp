#include "news_server/release_routes.h"

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "base/file_bytes.h"
#include "releases/release_key_data.h"

namespace papyr::news_server {
namespace {

using releases::ChannelAnswer;
using releases::ChannelDocument;
using releases::ChannelRequest;

// An offer is the signed manifest, a package its verified file; anything
// else is "no update" to the reader.
Reply to_reply(ChannelAnswer answer) {
    Reply reply;
    if (answer.offer) {
        reply.body = std::move(*answer.offer);
    } else if (answer.package) {
        reply.content_type = "application/zip";
        reply.file = std::move(answer.package);
    } else {
        reply = not_found_reply();
    }
    reply.origin = std::move(answer.origin);
    reply.note = std::move(answer.note);
    return reply;
}

releases::ChannelFetch through(std::shared_ptr<CurlFetcher> curl) {
    return [curl = std::move(curl)](const ChannelRequest& request) {
        ChannelDocument document;
        // The channel's URLs are https already; the package's comes from the
        // signed manifest, and plain http is not fetched for it either.
        std::optional<HttpsUrl> url = parse_https_url(request.url, PlainHttp::Refuse);
        if (!url) {
            document.detail = "not an https URL on a DNS name: " + request.url;
            return document;
        }
        FetchResult fetched = (*curl)({std::move(*url), {request.host}, request.deadline});
        document.ok = fetched.ok();
        document.error_status = fetched.problem == FetchProblem::HttpStatus;
        document.body = std::move(fetched.body);
        document.detail = std::move(fetched.detail);
        return document;
    };
}

}  // namespace

Result<releases::ReleaseKey> release_key(const std::optional<std::filesystem::path>& key_file) {
    if (!key_file)
        return releases::ReleaseKey::from_pem(
            std::string_view(reinterpret_cast<const char*>(kReleaseKey), kReleaseKeySize));
    const std::optional<std::string> pem = read_file_bytes(*key_file);
    if (!pem)
        return fail("cannot read the release key " + key_file->string());
    auto key = releases::ReleaseKey::from_pem(*pem);
    if (!key)
        return fail(key_file->string() + ": " + key.error());
    return key;
}

releases::ChannelFetchers channel_fetchers(const CurlSettings& publishers) {
    CurlSettings documents = publishers;
    documents.test_resolve_address.reset();
    documents.max_body_bytes = 64 * 1024;
    documents.request_time_limit = std::chrono::milliseconds(4000);
    // Each fetcher of the channel has its own slots, in the feed lane.
    documents.feed_slots = 2;
    CurlSettings package = documents;
    package.max_body_bytes = releases::kLargestPackageBytes;
    package.request_time_limit = std::chrono::minutes(5);
    package.feed_slots = 1;
    return {through(std::make_shared<CurlFetcher>(documents)),
            through(std::make_shared<CurlFetcher>(package))};
}

std::vector<Route> release_routes(releases::ReleaseChannel& channel, const ListenAddress& listen) {
    using releases::kPackagePathPrefix;
    return {
        {"/ota/papyr.json",
         [&channel, listen](const RouteRequest& request) {
             // The reader fetches the package from where it reached this
             // service: 127.0.0.1 on a console, the server's address on a
             // household network.
             return to_reply(channel.manifest(
                 releases::package_origin(request.host, listen.host, listen.port)));
         }},
        {std::string(kPackagePathPrefix),
         [&channel](const RouteRequest& request) {
             return to_reply(
                 channel.package(std::string_view(request.path).substr(kPackagePathPrefix.size())));
         },
         true},
    };
}

}  // namespace papyr::news_server
