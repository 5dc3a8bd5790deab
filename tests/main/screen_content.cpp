#include "main/screen_content.h"

#include <array>
#include <string_view>

#include "graphics/font.h"
#include "main/catalogue.h"

namespace papyr::test {
namespace {

struct Headline {
    std::string_view title;
    std::string_view lead;
};

constexpr std::array<Headline, 10> kHeadlines = {{
    {"Hà Nội khởi công tuyến đường sắt đô thị số 5 nối trung tâm với Hòa Lạc",
     "Tuyến dài gần 39 km, dự kiến vận hành năm 2030, giúp giảm tải cho đại lộ Thăng Long vào "
     "giờ cao điểm."},
    {"Giá cà phê Tây Nguyên lập đỉnh mới",
     "Nông dân Đắk Lắk bán được 130.000 đồng mỗi kg, cao nhất trong ba thập kỷ qua."},
    {"Đội tuyển bóng đá nữ Việt Nam giành vé dự vòng chung kết châu Á sau trận thắng thuyết phục "
     "trên sân Việt Trì trước hàng nghìn cổ động viên",
     "Huấn luyện viên cho biết cả đội đã chuẩn bị kỹ lưỡng về thể lực và chiến thuật."},
    {"Mưa lớn kéo dài ở miền Trung, nhiều tuyến đường ngập sâu",
     "Quảng Nam và Thừa Thiên Huế cho học sinh nghỉ học để bảo đảm an toàn."},
    {"Sinh viên Đà Nẵng chế tạo robot phân loại rác",
     "Nhóm nghiên cứu dùng camera và trí tuệ nhân tạo để nhận diện chai nhựa, lon nhôm và giấy "
     "vụn với độ chính xác trên 95 phần trăm."},
    {"Xuất khẩu gạo năm nay ước đạt kỷ lục",
     "Philippines và Indonesia tiếp tục là hai thị trường lớn nhất của gạo Việt."},
    {"Phố đi bộ Hồ Gươm mở rộng thêm ba tuyến",
     "Người dân có thêm không gian dạo chơi vào tối thứ sáu, thứ bảy và chủ nhật."},
    {"Ngân hàng Nhà nước giữ nguyên lãi suất điều hành",
     "Quyết định nhằm hỗ trợ doanh nghiệp phục hồi sản xuất trong quý cuối năm."},
    {"Lễ hội ánh sáng thu hút hàng chục nghìn du khách đến Hội An",
     "Phố cổ rực rỡ đèn lồng, thuyền hoa đăng thả kín dòng Hoài."},
    {"Khánh thành cầu Mỹ Thuận 2 trên cao tốc Bắc – Nam phía Đông",
     "Cây cầu dây văng giúp rút ngắn thời gian đi từ TP.HCM về miền Tây thêm nửa giờ."},
}};

constexpr std::array<std::string_view, 4> kSourceNames = {"VnExpress", "Tuổi Trẻ", "Dân Trí",
                                                          "Thanh Niên"};

}  // namespace

std::vector<NewsFeedItem> headlines(std::size_t count) {
    std::vector<NewsFeedItem> items;
    for (std::size_t i = 0; i < count; ++i) {
        const Headline& h = kHeadlines[i % kHeadlines.size()];
        NewsFeedItem item;
        item.id = "tin-" + std::to_string(i + 1);
        item.title = std::string(h.title);
        if (i >= kHeadlines.size())
            item.title += " (phần " + std::to_string(i / kHeadlines.size() + 1) + ")";
        item.lead = std::string(h.lead);
        item.link = "https://tin.example.vn/bai-" + std::to_string(i + 1) + ".html";
        item.pub_date =
            std::to_string(8 + i % 12) + ":" + (i % 2 == 0 ? "15" : "45") + " 08/12/2025";
        item.source_name = std::string(kSourceNames[i % kSourceNames.size()]);
        items.push_back(std::move(item));
    }
    return items;
}

NewsSource eight_category_source() {
    return {"bao-thu",
            "Báo Mẫu",
            {{"thoi-su", "Thời Sự"},
             {"goc-nhin", "Góc Nhìn"},
             {"the-gioi", "Thế Giới"},
             {"kinh-doanh", "Kinh Doanh"},
             {"giai-tri", "Giải Trí"},
             {"the-thao", "Thể Thao"},
             {"phap-luat", "Pháp Luật"},
             {"giao-duc", "Giáo Dục"}}};
}

ArticleDetail sample_article() {
    ArticleDetail article;
    article.url = "https://tin.example.vn/ruong-bac-thang-mu-cang-chai.html";
    article.source = "VnExpress";
    article.title =
        "Mùa lúa chín trên ruộng bậc thang Mù Cang Chải hút khách du lịch "
        "trong và ngoài nước";
    article.lead =
        "Những thửa ruộng bậc thang vàng óng trải dài trên sườn núi Yên Bái đang "
        "vào độ đẹp nhất trong năm, khiến hàng nghìn du khách tìm về chiêm ngưỡng "
        "và chụp ảnh mỗi cuối tuần.";
    article.author = "Nguyễn Thu Hà";
    article.pub_date = "Thứ hai, 8/12/2025, 09:30 (GMT+7)";
    article.paragraphs = {
        "Từ cuối tháng chín, các xã La Pán Tẩn, Chế Cu Nha và Dế Xu Phình của huyện Mù Cang "
        "Chải bước vào mùa gặt. Trên những sườn đồi dốc, đồng bào Mông thu hoạch lúa bằng "
        "liềm, bó thành từng lượm rồi gùi về nhà theo những lối mòn nhỏ.",
        "Anh Giàng A Sử, một hướng dẫn viên người địa phương, cho biết lượng khách năm nay "
        "tăng gần gấp đôi so với năm trước. Nhiều gia đình đã mở thêm phòng nghỉ tại nhà để "
        "đón khách, vừa có thêm thu nhập vừa giới thiệu nếp sống của bản làng.",
        "Chính quyền huyện khuyến cáo du khách không dẫm lên bờ ruộng, không bay thiết bị "
        "ghi hình sát nhà dân và giữ gìn vệ sinh chung tại các điểm ngắm cảnh.",
        "Theo các nhà nghiên cứu, hệ thống ruộng bậc thang ở đây đã được người Mông khai phá "
        "qua hàng trăm năm, dựa vào nguồn nước tự nhiên dẫn từ các khe suối trên núi cao.",
        "Năm 2007, ruộng bậc thang Mù Cang Chải được công nhận là di tích quốc gia, và đến "
        "năm 2019 trở thành di tích quốc gia đặc biệt.",
        "Mỗi năm, lễ hội Tuần văn hóa du lịch được tổ chức vào mùa lúa chín với các hoạt "
        "động bay dù lượn, chợ phiên và thi giã bánh dày.",
        "Du khách nên đi vào sáng sớm hoặc chiều muộn, khi nắng nghiêng phủ lên những thửa "
        "ruộng và làm nổi bật từng đường cong của núi đồi.",
        "Từ Hà Nội, có thể đi xe khách khoảng bảy giờ để tới thị trấn Mù Cang Chải, rồi "
        "thuê xe máy vào các bản.",
    };
    article.word_count = 412;
    article.reading_time_minutes = 3;
    return article;
}

OtaManifest sample_update() {
    OtaManifest update;
    update.version = "1.2.0";
    update.name = "Papyr 1.2.0";
    update.changelog = "Sửa lỗi và cải thiện tốc độ";
    update.download_url = "https://cap-nhat.example.vn/papyr-1.2.0.zip";
    update.size_mb = 4.5F;
    return update;
}

AppState fresh_state() {
    return make_initial_state(build_catalogue(), Instant{});
}

GlyphCache& shared_glyphs() {
    static GlyphCache cache(Font::embedded());
    return cache;
}

}  // namespace papyr::test
