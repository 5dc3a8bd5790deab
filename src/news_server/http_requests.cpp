#include "news_server/http_requests.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "news_api/json_writer.h"
#include "news_api/percent_encode.h"

namespace papyr::news_server {
namespace {

constexpr std::string_view kBadRequest = "Yêu cầu không hợp lệ";

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
        params.emplace(percent_decode(key, true), percent_decode(value, true));
    }
    return params;
}

std::string_view path_of(std::string_view target) {
    return target.substr(0, target.find('?'));
}

const char* reason_phrase(int status) {
    static constexpr std::pair<int, const char*> kReasons[] = {
        {200, "OK"},
        {400, "Bad Request"},
        {403, "Forbidden"},
        {404, "Not Found"},
        {405, "Method Not Allowed"},
        {413, "Payload Too Large"},
        {414, "URI Too Long"},
        {431, "Request Header Fields Too Large"},
        {500, "Internal Server Error"},
        {502, "Bad Gateway"},
        {503, "Service Unavailable"},
        {504, "Gateway Timeout"}};
    for (const auto& [code, reason] : kReasons) {
        if (code == status)
            return reason;
    }
    return status < 400 ? "OK" : status < 500 ? "Bad Request" : "Server Error";
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
    request.path = percent_decode(path_of(head.target), false);
    const std::size_t question = head.target.find('?');
    if (question != std::string::npos)
        request.query = parse_query(std::string_view(head.target).substr(question + 1));
    request.host = head.host;
    return request;
}

const Route* route_for(const std::vector<Route>& routes, const RequestHead& head) {
    if (head.method != "GET" && head.method != "HEAD")
        return nullptr;
    const std::string path = percent_decode(path_of(head.target), false);
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
    std::string out = "HTTP/1.1 ";
    out.append(std::to_string(reply.status)).append(" ").append(reason_phrase(reply.status));
    out.append("\r\nContent-Type: ").append(reply.content_type);
    out.append("\r\nContent-Length: ").append(std::to_string(body_bytes));
    out.append("\r\nCache-Control: ").append(reply.cache_control).append("\r\n");
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
    line += ' ';
    line += std::to_string(reply.status);
    line += ' ';
    if (elapsed) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f ms", static_cast<double>(elapsed->count()) / 1000.0);
        line += text;
    } else {
        line += "-";
    }
    line += " " + reply.origin;
    if (!reply.note.empty())
        line.append(" (").append(printable(reply.note)).append(")");
    return line;
}

}  // namespace papyr::news_server
