#include "news_server/http_requests.h"

#include <cstdio>
#include <exception>

#include "base/utf8.h"
#include "news_api/json_writer.h"

namespace papyr::news_server {
namespace {

constexpr std::string_view kBadRequest = "Yêu cầu không hợp lệ";

int hex_value(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// %XX becomes its byte; a '%' not followed by two hex digits stays as it is.
std::string percent_decoded(std::string_view text, bool plus_is_space) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int high = hex_value(text[i + 1]);
            const int low = hex_value(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += plus_is_space && c == '+' ? ' ' : c;
    }
    return out;
}

QueryParams parse_query(std::string_view query) {
    QueryParams params;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const std::size_t eq = pair.find('=');
        const std::string_view key = pair.substr(0, eq);
        if (key.empty())
            continue;
        const std::string_view value =
            eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1);
        params.emplace(percent_decoded(key, true), percent_decoded(value, true));
    }
    return params;
}

std::string_view path_of(std::string_view target) {
    return target.substr(0, target.find('?'));
}

const char* reason_phrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 413:
            return "Payload Too Large";
        case 414:
            return "URI Too Long";
        case 431:
            return "Request Header Fields Too Large";
        case 500:
            return "Internal Server Error";
        case 502:
            return "Bad Gateway";
        case 503:
            return "Service Unavailable";
        case 504:
            return "Gateway Timeout";
        default:
            return status < 400 ? "OK" : status < 500 ? "Bad Request" : "Server Error";
    }
}

// Characters that show nothing themselves but change how a terminal or a
// log viewer shows what follows: bidirectional embeddings, overrides and
// isolates, zero-width characters, line and paragraph separators, tags.
bool invisible_format(char32_t c) {
    return c == 0x00AD || c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFB) || c == 0xFFFE || c == 0xFFFF ||
           (c >= 0xE0000 && c <= 0xE007F);
}

void append_escaped(std::string& out, std::string_view bytes) {
    for (const char c : bytes) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
        out += escaped;
    }
}

}  // namespace

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

Reply not_found_reply() {
    return error_reply(404, "Máy chủ không có địa chỉ này");
}

Reply busy_reply() {
    Reply reply = error_reply(503, "Máy chủ đang bận, hãy thử lại sau");
    reply.note = "every worker is taken";
    return reply;
}

Reply refusal_reply(Refusal refusal) {
    switch (refusal) {
        case Refusal::Malformed:
            return error_reply(400, kBadRequest);
        case Refusal::RequestLineTooLong:
            return error_reply(414, kBadRequest);
        case Refusal::BodyTooLarge:
            return error_reply(413, kBadRequest);
        case Refusal::HeaderLineTooLong:
        case Refusal::TooManyHeaderLines:
        case Refusal::HeadTooLarge:
            break;
    }
    return error_reply(431, kBadRequest);
}

RouteRequest route_request(const RequestHead& head) {
    RouteRequest request;
    request.path = percent_decoded(path_of(head.target), false);
    const std::size_t question = head.target.find('?');
    if (question != std::string::npos)
        request.query = parse_query(std::string_view(head.target).substr(question + 1));
    request.host = head.host;
    return request;
}

const Route* route_for(const std::vector<Route>& routes, const RequestHead& head) {
    if (head.method != "GET" && head.method != "HEAD")
        return nullptr;
    const std::string path = percent_decoded(path_of(head.target), false);
    for (const Route& route : routes) {
        if (route.prefix ? path.starts_with(route.path) : route.path == path)
            return &route;
    }
    return nullptr;
}

Reply answer_request(const Route* route, const RequestHead& head, const LogFn& log) {
    if (head.method != "GET" && head.method != "HEAD")
        return error_reply(405, "Máy chủ chỉ nhận yêu cầu GET");
    if (route == nullptr)
        return not_found_reply();
    std::string failure;
    try {
        return route->answer(route_request(head));
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "an exception that is no std::exception";
    }
    // The reason goes to the operator's log, never to the client.
    log("[Server] The route " + route->path + " failed: " + printable(failure));
    Reply reply = error_reply(500, "Máy chủ gặp lỗi khi trả lời");
    reply.note = "the route failed";
    return reply;
}

std::string response_head(const Reply& reply, std::size_t body_bytes, const RequestHead* head,
                          bool keep_alive) {
    std::string out = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                      reason_phrase(reply.status) + "\r\nContent-Type: " + reply.content_type +
                      "\r\nContent-Length: " + std::to_string(body_bytes) +
                      "\r\nCache-Control: " + reply.cache_control + "\r\n";
    if (reply.status == 405)
        out += "Allow: GET, HEAD\r\n";
    if (!keep_alive)
        out += "Connection: close\r\n";
    else if (head != nullptr && head->version == 10)
        out += "Connection: keep-alive\r\n";
    out += "\r\n";
    return out;
}

std::string request_log_line(const RequestHead* head, const Reply& reply,
                             std::optional<std::chrono::microseconds> elapsed) {
    std::string line = "[Server] ";
    line += head != nullptr ? printable(head->method) + " " + printable(head->target) : "- -";
    line += " " + std::to_string(reply.status) + " ";
    if (elapsed) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f ms", static_cast<double>(elapsed->count()) / 1000.0);
        line += text;
    } else {
        line += "-";
    }
    line += " " + reply.origin;
    if (!reply.note.empty())
        line += " (" + printable(reply.note) + ")";
    return line;
}

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (pos < text.size()) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte < 0x80) {
            if (byte < 0x20 || byte == 0x7F || byte == '\\')
                append_escaped(out, text.substr(pos, 1));
            else
                out += static_cast<char>(byte);
            ++pos;
            continue;
        }
        const Utf8Step step = decode_utf8_step(text, pos);
        const std::string_view sequence = text.substr(pos, step.length);
        const bool shown = step.kind == Utf8Step::Kind::Valid && step.code_point >= 0xA0 &&
                           !invisible_format(step.code_point);
        if (shown)
            out += sequence;
        else
            append_escaped(out, sequence);
        pos += step.length;
    }
    return out;
}

}  // namespace papyr::news_server
