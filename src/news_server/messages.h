#pragma once

// The Vietnamese texts of the service's failures. The reader shows them as
// they are in its one-line footer, so each is short and names what went
// wrong.

#include <string>
#include <string_view>

#include "news_server/publisher_fetch.h"

namespace papyr::news_server::messages {

std::string unknown_source(std::string_view source_id);
std::string unknown_category(std::string_view source_id, std::string_view category_id);
std::string missing_parameter(std::string_view name);
std::string invalid_article_url();
std::string foreign_article_url();
std::string unknown_route();
// The service is too busy to answer in time; a moment later it may not be.
std::string service_busy();
// Something failed inside the service; what, only its log says.
std::string internal_error();
// A fetch from the publisher named `name` that did not give a usable answer.
std::string fetch_failed(const FetchResult& result, std::string_view name);

}  // namespace papyr::news_server::messages
