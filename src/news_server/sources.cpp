#include "news_server/sources.h"

#include <algorithm>
#include <initializer_list>
#include <optional>

#include "base/url.h"
#include "news_server/catalogue.h"

namespace papyr::news_server {
namespace {

// Where a problem is: grows as the reading goes deeper.
struct Place {
    std::string text;

    Place member(std::string_view key) const {
        return Place{text.empty() ? std::string(key) : text + "." + std::string(key)};
    }
    Place index(std::size_t i) const { return Place{text + "[" + std::to_string(i) + "]"}; }
    Place named(std::string_view id) const {
        return Place{text + " (\"" + std::string(id) + "\")"};
    }
};

Failure problem(const Place& place, std::string_view what) {
    return fail(place.text + ": " + std::string(what));
}

Failure wrong_kind(const Place& place, std::string_view wanted, const json::Value& found) {
    return problem(place,
                   "must be " + std::string(wanted) + ", found " + std::string(found.kind_name()));
}

Result<const json::Object*> object_with(const json::Value& value, const Place& place,
                                        std::initializer_list<std::string_view> known) {
    const json::Object* object = value.as_object();
    if (object == nullptr)
        return wrong_kind(place, "an object", value);
    for (std::size_t i = 0; i < object->size(); ++i) {
        const std::string& key = (*object)[i].key;
        if (std::find(known.begin(), known.end(), key) == known.end())
            return problem(place, "unknown member \"" + key + "\"");
        for (std::size_t j = 0; j < i; ++j) {
            if ((*object)[j].key == key)
                return problem(place, "member \"" + key + "\" appears twice");
        }
    }
    return object;
}

const json::Value* member(const json::Object& object, std::string_view key) {
    for (const json::Member& m : object) {
        if (m.key == key)
            return &m.value;
    }
    return nullptr;
}

Result<std::string> required_text(const json::Object& object, std::string_view key,
                                  const Place& place) {
    const json::Value* value = member(object, key);
    if (value == nullptr)
        return problem(place, "missing member \"" + std::string(key) + "\"");
    const std::string* text = value->as_string();
    if (text == nullptr)
        return wrong_kind(place.member(key), "a string", *value);
    if (text->empty())
        return problem(place.member(key), "must not be empty");
    return *text;
}

// Ids travel in URLs and name cache files: lowercase ASCII words and "-".
Result<std::string> required_id(const json::Object& object, const Place& place) {
    auto id = required_text(object, "id", place);
    if (!id)
        return id;
    const bool plain = std::all_of(id->begin(), id->end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    });
    if (!plain)
        return problem(place.member("id"), "must be lowercase letters, digits and \"-\"");
    return id;
}

// An array of non-empty strings; `allow_empty` says whether [] will do.
Result<std::vector<std::string>> text_list(const json::Value& value, const Place& place,
                                           bool allow_empty) {
    const json::Array* array = value.as_array();
    if (array == nullptr)
        return wrong_kind(place, "an array of strings", value);
    if (array->empty() && !allow_empty)
        return problem(place, "must not be empty");
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < array->size(); ++i) {
        const std::string* text = (*array)[i].as_string();
        if (text == nullptr)
            return wrong_kind(place.index(i), "a string", (*array)[i]);
        if (text->empty())
            return problem(place.index(i), "must not be empty");
        texts.push_back(*text);
    }
    return texts;
}

// A DNS name as parse_dns_name gives it: lowercase, no trailing dot.
bool is_plain_domain(const std::string& host) {
    return parse_dns_name(host) == host;
}

Result<std::vector<std::string>> read_hosts(const json::Object& object, const Place& place) {
    const json::Value* value = member(object, "hosts");
    if (value == nullptr)
        return problem(place, "missing member \"hosts\"");
    auto hosts = text_list(*value, place.member("hosts"), false);
    if (!hosts)
        return hosts;
    for (std::size_t i = 0; i < hosts->size(); ++i) {
        if (!is_plain_domain((*hosts)[i]))
            return problem(place.member("hosts").index(i),
                           "must be a lowercase domain name such as \"example.com\"");
    }
    return hosts;
}

Result<std::vector<std::string>> read_paths(const json::Object& object, const Place& place) {
    const json::Value* value = member(object, "paths");
    if (value == nullptr)
        return std::vector<std::string>{};
    auto paths = text_list(*value, place.member("paths"), true);
    if (!paths)
        return paths;
    for (std::size_t i = 0; i < paths->size(); ++i) {
        const std::string& path = (*paths)[i];
        if (path.front() != '/' || path.size() < 2 || path.back() == '/')
            return problem(place.member("paths").index(i),
                           "must be a path such as \"/vietnamese\" (no trailing slash)");
    }
    return paths;
}

Result<int> read_time_zone(const json::Object& object, const Place& place) {
    auto text = required_text(object, "timeZone", place);
    if (!text)
        return Failure{std::move(text).error()};
    const std::optional<int> offset = parse_utc_offset(*text);
    if (!offset)
        return problem(place.member("timeZone"), "must be an offset such as \"+07:00\"");
    return *offset;
}

bool owned_by(const std::vector<std::string>& hosts, std::string_view host) {
    return std::any_of(hosts.begin(), hosts.end(),
                       [&](const std::string& domain) { return host_within(host, domain); });
}

Result<FeedSet> read_feeds(const json::Object& object, const Place& place,
                           const std::vector<std::string>& hosts) {
    const json::Value* value = member(object, "feeds");
    if (value == nullptr)
        return problem(place, "missing member \"feeds\"");
    auto urls = text_list(*value, place.member("feeds"), false);
    if (!urls)
        return Failure{std::move(urls).error()};
    FeedSet feeds;
    for (std::size_t i = 0; i < urls->size(); ++i) {
        std::optional<HttpsUrl> url = parse_https_url((*urls)[i], PlainHttp::Upgrade);
        if (!url)
            return problem(place.member("feeds").index(i), "not an http(s) URL");
        if (!owned_by(hosts, url->host))
            return problem(place.member("feeds").index(i),
                           "host \"" + url->host + "\" is not one of the publisher's hosts");
        feeds.urls.push_back(std::move(*url));
    }
    if (const json::Value* merge = member(object, "merge")) {
        if (merge->as_bool() == nullptr)
            return wrong_kind(place.member("merge"), "true or false", *merge);
        feeds.merge = *merge->as_bool();
    }
    return feeds;
}

Result<Category> read_category(const json::Value& value, const Place& at,
                               const std::vector<std::string>& hosts) {
    auto object = object_with(value, at, {"id", "feeds", "merge"});
    if (!object)
        return Failure{std::move(object).error()};
    auto id = required_id(**object, at);
    if (!id)
        return Failure{std::move(id).error()};
    const Place place = at.named(*id);
    auto feeds = read_feeds(**object, place, hosts);
    if (!feeds)
        return Failure{std::move(feeds).error()};
    return Category{std::move(id).value(), std::move(feeds).value()};
}

Result<std::vector<Category>> read_categories(const json::Object& object, const Place& place,
                                              const std::vector<std::string>& hosts) {
    const json::Value* value = member(object, "categories");
    if (value == nullptr)
        return problem(place, "missing member \"categories\"");
    const json::Array* array = value->as_array();
    if (array == nullptr)
        return wrong_kind(place.member("categories"), "an array", *value);
    std::vector<Category> categories;
    for (std::size_t i = 0; i < array->size(); ++i) {
        const Place at = place.member("categories").index(i);
        auto category = read_category((*array)[i], at, hosts);
        if (!category)
            return Failure{std::move(category).error()};
        for (const Category& earlier : categories) {
            if (earlier.id == category->id)
                return problem(at, "category \"" + category->id + "\" appears twice");
        }
        categories.push_back(std::move(category).value());
    }
    if (categories.empty())
        return problem(place.member("categories"), "must not be empty");
    return categories;
}

Result<extraction::SiteRules> read_rules(const json::Object& object, const Place& place) {
    const json::Value* value = member(object, "extraction");
    if (value == nullptr)
        return problem(place, "missing member \"extraction\"");
    auto rules = extraction::parse_site_rules(*value);
    if (!rules)
        return problem(place.member("extraction"), rules.error());
    return rules;
}

Result<Publisher> read_publisher(const json::Value& value, const Place& at) {
    auto object = object_with(
        value, at, {"id", "name", "hosts", "paths", "timeZone", "categories", "extraction"});
    if (!object)
        return Failure{std::move(object).error()};
    const json::Object& members = **object;
    Publisher publisher;
    auto id = required_id(members, at);
    if (!id)
        return Failure{std::move(id).error()};
    publisher.id = std::move(id).value();
    const Place place = at.named(publisher.id);

    auto name = required_text(members, "name", place);
    if (!name)
        return Failure{std::move(name).error()};
    publisher.name = std::move(name).value();
    auto hosts = read_hosts(members, place);
    if (!hosts)
        return Failure{std::move(hosts).error()};
    publisher.hosts = std::move(hosts).value();

    auto paths = read_paths(members, place);
    if (!paths)
        return Failure{std::move(paths).error()};
    publisher.paths = std::move(paths).value();
    auto offset = read_time_zone(members, place);
    if (!offset)
        return Failure{std::move(offset).error()};
    publisher.utc_offset_minutes = *offset;
    auto categories = read_categories(members, place, publisher.hosts);
    if (!categories)
        return Failure{std::move(categories).error()};
    publisher.categories = std::move(categories).value();
    auto rules = read_rules(members, place);
    if (!rules)
        return Failure{std::move(rules).error()};
    publisher.rules = std::move(rules).value();
    return publisher;
}

Result<Sources> read_sources(const json::Value& document) {
    auto object = object_with(document, Place{"the document"}, {"publishers"});
    if (!object)
        return Failure{std::move(object).error()};
    const json::Value* list = member(**object, "publishers");
    if (list == nullptr)
        return fail("missing member \"publishers\"");
    const json::Array* array = list->as_array();
    if (array == nullptr)
        return wrong_kind(Place{"publishers"}, "an array", *list);
    Sources sources;
    for (std::size_t i = 0; i < array->size(); ++i) {
        const Place at = Place{"publishers"}.index(i);
        auto publisher = read_publisher((*array)[i], at);
        if (!publisher)
            return Failure{std::move(publisher).error()};
        if (sources.find(publisher->id) != nullptr)
            return problem(at, "publisher \"" + publisher->id + "\" appears twice");
        sources.publishers.push_back(std::move(publisher).value());
    }
    return sources;
}

Result<void> check_catalogue(const Sources& sources) {
    for (const CatalogueEntry& entry : reader_catalogue()) {
        const Publisher* publisher = sources.find(entry.source_id);
        if (publisher == nullptr)
            return fail("no publisher \"" + std::string(entry.source_id) +
                        "\", which the reader's catalogue names");
        if (publisher->find_category(entry.category_id) == nullptr)
            return fail("publisher \"" + std::string(entry.source_id) + "\" has no category \"" +
                        std::string(entry.category_id) + "\", which the reader's catalogue names");
    }
    return {};
}

// "/vietnamese" covers "/vietnamese" and "/vietnamese/…", not "/vietnamesex".
bool path_under(std::string_view path, std::string_view prefix) {
    return path.starts_with(prefix) && (path.size() == prefix.size() || path[prefix.size()] == '/');
}

bool covers_path(const Publisher& publisher, std::string_view path) {
    return std::any_of(publisher.paths.begin(), publisher.paths.end(),
                       [&](const std::string& prefix) { return path_under(path, prefix); });
}

int digit_pair(std::string_view text) {
    if (text.size() != 2 || text[0] < '0' || text[0] > '9' || text[1] < '0' || text[1] > '9')
        return -1;
    return (text[0] - '0') * 10 + (text[1] - '0');
}

}  // namespace

const Category* Publisher::find_category(std::string_view category_id) const {
    for (const Category& category : categories) {
        if (category.id == category_id)
            return &category;
    }
    return nullptr;
}

bool Publisher::owns_host(std::string_view host) const {
    return owned_by(hosts, host);
}

const Publisher* Sources::find(std::string_view source_id) const {
    for (const Publisher& publisher : publishers) {
        if (publisher.id == source_id)
            return &publisher;
    }
    return nullptr;
}

const Publisher* Sources::publisher_of(const HttpsUrl& url) const {
    const Publisher* without_paths = nullptr;
    for (const Publisher& publisher : publishers) {
        if (!publisher.owns_host(url.host))
            continue;
        if (publisher.paths.empty()) {
            if (without_paths == nullptr)
                without_paths = &publisher;
        } else if (covers_path(publisher, url.path)) {
            return &publisher;
        }
    }
    return without_paths;
}

std::optional<int> parse_utc_offset(std::string_view text) {
    if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':')
        return std::nullopt;
    const int hours = digit_pair(text.substr(1, 2));
    const int minutes = digit_pair(text.substr(4, 2));
    if (hours < 0 || hours > 14 || minutes < 0 || minutes > 59)
        return std::nullopt;
    const int offset = hours * 60 + minutes;
    return text[0] == '-' ? -offset : offset;
}

Result<Sources> parse_sources(std::string_view text) {
    auto document = json::parse_value(text);
    if (!document)
        return Failure{std::move(document).error()};
    auto sources = read_sources(*document);
    if (!sources)
        return sources;
    if (auto complete = check_catalogue(*sources); !complete)
        return fail(complete.error());
    return sources;
}

}  // namespace papyr::news_server
