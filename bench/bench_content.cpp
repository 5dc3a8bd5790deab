#include "bench_content.h"

#include <stdlib.h>

#include <array>
#include <string>
#include <string_view>
#include <system_error>

#include "main/catalogue.h"

namespace papyr::bench {
namespace {

// Words are taken from these in turn, so every paragraph reads as Vietnamese
// text with the diacritics, word lengths and glyph mix of a real article.
constexpr std::array<std::string_view, 8> kSentences = {
    "Từ sáng sớm, những chiếc thuyền đánh cá đã cập bến, mang theo mẻ cá tươi rói còn vương "
    "mùi biển mặn.",
    "Người dân trong làng cho biết nghề chài lưới được truyền qua nhiều thế hệ và vẫn là nguồn "
    "sống chính của hàng trăm gia đình.",
    "Những năm gần đây, du khách tìm về ngày càng đông, khiến nhịp sống của thị trấn nhỏ thay "
    "đổi rõ rệt.",
    "Chính quyền địa phương đã đầu tư nâng cấp bến cảng, xây thêm đường ven biển và hỗ trợ "
    "ngư dân chuyển đổi nghề.",
    "Nhiều hộ gia đình mở homestay, vừa đón khách vừa giới thiệu cách đan lưới, phơi cá và "
    "nấu nước mắm truyền thống.",
    "Theo các chuyên gia, phát triển du lịch cộng đồng cần đi đôi với bảo vệ môi trường và "
    "giữ gìn bản sắc văn hóa.",
    "Buổi chiều, khi nắng nhạt dần trên bãi cát, trẻ em trong xóm rủ nhau ra biển tắm và thả "
    "diều.",
    "Ông Nguyễn Văn Hải, một ngư dân lớn tuổi, kể rằng ông chưa bao giờ nghĩ làng mình lại "
    "được nhiều người biết đến như vậy.",
};

// The next `count` words of the sentence pool, from word `start` on.
std::string words_from(std::size_t start, std::size_t count) {
    std::vector<std::string_view> pool;
    for (const std::string_view sentence : kSentences) {
        std::size_t pos = 0;
        while (pos < sentence.size()) {
            const std::size_t end = std::min(sentence.find(' ', pos), sentence.size());
            pool.push_back(sentence.substr(pos, end - pos));
            pos = end + 1;
        }
    }
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            text += ' ';
        text += pool[(start + i) % pool.size()];
    }
    return text;
}

}  // namespace

std::vector<NewsFeedItem> headlines(std::size_t count) {
    std::vector<NewsFeedItem> items;
    items.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        NewsFeedItem item;
        item.id = "tin-" + std::to_string(i + 1);
        item.title = words_from(i * 11, 10 + i % 9);
        item.lead = words_from(i * 17 + 5, 18 + i % 13);
        item.link = "https://tin.example.vn/thoi-su/bai-" + std::to_string(i + 1) + ".html";
        item.pub_date = std::to_string(8 + i % 12) + ":15 08/12/2025";
        if (i % 3 == 0)
            item.image_url = "https://tin.example.vn/anh/" + std::to_string(i + 1) + ".jpg";
        if (i % 2 == 0)
            item.author = "Nguyễn Thu Hà";
        item.source_id = "vnexpress";
        item.source_name = "VnExpress";
        item.category_id = "thoi-su";
        items.push_back(std::move(item));
    }
    return items;
}

ArticleDetail long_article() {
    ArticleDetail article;
    article.url = "https://tin.example.vn/du-lich/mot-ngay-o-lang-chai.html";
    article.source = "VnExpress";
    article.title = "Một ngày ở làng chài ven biển: nghề cũ, khách mới";
    article.lead = words_from(3, 40);
    article.author = "Nguyễn Thu Hà";
    article.pub_date = "Thứ hai, 8/12/2025, 09:30 (GMT+7)";
    for (std::size_t p = 0; p < 30; ++p)
        article.paragraphs.push_back(words_from(p * 37, 100));
    article.word_count = 3000;
    article.reading_time_minutes = 15;
    return article;
}

AppState fresh_state() {
    return make_initial_state(build_catalogue(), Instant{});
}

CacheFolder::CacheFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "papyr-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::system_error(errno, std::generic_category(), "mkdtemp");
    root_ = pattern;
    locations_.sd_card = (root_ / "sd").string();
    locations_.local = (root_ / "local").string();
    std::filesystem::create_directories(locations_.sd_card);
}

CacheFolder::~CacheFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

}  // namespace papyr::bench
