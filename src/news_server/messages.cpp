#include "news_server/messages.h"

namespace papyr::news_server::messages {

std::string unknown_source(std::string_view source_id) {
    return "Không có nguồn tin '" + std::string(source_id) + "'";
}

std::string unknown_category(std::string_view source_id, std::string_view category_id) {
    return "Nguồn '" + std::string(source_id) + "' không có chuyên mục '" +
           std::string(category_id) + "'";
}

std::string missing_parameter(std::string_view name) {
    return "Thiếu tham số " + std::string(name);
}

std::string invalid_article_url() {
    return "Địa chỉ bài viết không hợp lệ";
}

std::string foreign_article_url() {
    return "Địa chỉ không thuộc báo nào trong danh mục";
}

std::string unknown_route() {
    return "Máy chủ không có địa chỉ này";
}

std::string service_busy() {
    return "Máy chủ đang bận, thử lại sau";
}

std::string internal_error() {
    return "Máy chủ gặp lỗi, thử lại sau";
}

std::string fetch_failed(const FetchResult& result, std::string_view name) {
    const std::string who(name);
    switch (result.problem) {
        case FetchProblem::None:
        case FetchProblem::Unreachable:
            return "Không kết nối được tới " + who;
        case FetchProblem::TimedOut:
            return who + " không phản hồi kịp";
        case FetchProblem::HttpStatus:
            return who + " báo lỗi " + std::to_string(result.http_status);
        case FetchProblem::TooLarge:
            return "Trang của " + who + " quá lớn";
        case FetchProblem::ForeignRedirect:
        case FetchProblem::TooManyRedirects:
            return who + " chuyển hướng không hợp lệ";
    }
    return "Không kết nối được tới " + who;
}

}  // namespace papyr::news_server::messages
