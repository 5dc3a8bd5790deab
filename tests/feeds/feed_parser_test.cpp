// Feed documents in each publisher's real shape (tests/feeds/testdata,
// invented text) and what the reader must receive for them.

#include "feeds/feed_parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/text_file.h"
#include "base/utf8.h"
#include "news_api/pub_date.h"

namespace papyr::feeds {
namespace {

std::string testdata(const std::string& name) {
    const auto text =
        read_text_file(std::string(PAPYR_SOURCE_DIR) + "/tests/feeds/testdata/" + name);
    EXPECT_TRUE(text) << name;
    return text.value_or("");
}

FeedContext context(const char* source, const char* name, const char* category, const char* url) {
    return {source, name, category, url, kVietnamOffsetMinutes};
}

struct Headline {
    std::string title;
    std::string lead;
    std::string link;
    std::string pub_date;
    std::optional<std::string> image_url;
    std::optional<std::string> author;
};

struct FeedCase {
    const char* file;
    FeedContext context;
    std::vector<Headline> headlines;
};

const std::vector<FeedCase>& publisher_cases() {
    static const std::vector<FeedCase> cases = {
        {"vnexpress.rss",
         context("vnexpress", "VnExpress", "tin-moi", "https://vnexpress.net/rss/tin-moi-nhat.rss"),
         {{"Cầu mới nối hai bờ sông Hậu thông xe",
           "Cây cầu dài 2,5 km rút ngắn thời gian qua sông từ một giờ xuống còn mười phút.",
           "https://vnexpress.net/cau-moi-noi-hai-bo-song-hau-thong-xe-4850001.html",
           "Thứ năm, 6/2/2025, 20:30 (GMT+7)",
           // The enclosure (1200 wide) wins over the description's picture.
           "https://vcdn1-vnexpress.vnecdn.net/2025/02/06/cau-song-hau-1738848000.jpg"
           "?w=1200&h=0&q=100&dpr=1&fit=crop&s=Qm9uZ1Rlc3Q",
           std::nullopt},
          {"Nông dân miền Tây trúng mùa dưa hấu",
           "Giá dưa hấu tại ruộng tăng gấp đôi so với năm trước, nhiều hộ lãi hàng trăm triệu "
           "đồng.",
           "https://vnexpress.net/nong-dan-mien-tay-trung-mua-dua-hau-4850002.html",
           "Thứ năm, 6/2/2025, 19:05 (GMT+7)",
           "https://vcdn1-vnexpress.vnecdn.net/2025/02/06/dua-hau-1738847000.jpg"
           "?w=500&h=300&q=100&dpr=1&fit=crop&s=RHVhSGF1",
           std::nullopt}}},
        {"tuoitre.rss",
         context("tuoitre", "Tuổi Trẻ", "tin-moi", "https://tuoitre.vn/home.rss"),
         {{"Giá xăng giảm nhẹ từ chiều nay",
           "Giá xăng E5 RON 92 giảm 120 đồng mỗi lít trong kỳ điều hành này.",
           "https://tuoitre.vn/gia-xang-giam-nhe-tu-chieu-nay-20240128061528345.htm",
           "Chủ nhật, 28/1/2024, 06:15 (GMT+7)",
           "https://cdn1.tuoitre.vn/471584752817336320/2024/1/28/xang-17063972841132157684.jpg",
           std::nullopt},
          {"Mưa lớn kéo dài ở Nam Bộ", "Đài khí tượng dự báo mưa còn kéo dài đến cuối tuần.",
           "https://tuoitre.vn/mua-lon-keo-dai-o-nam-bo-20261002092500111.htm",
           "Thứ sáu, 2/10/2026, 09:25 (GMT+7)",
           "https://cdn1.tuoitre.vn/471584752817336320/2026/10/2/mua-17594000001234567.jpg",
           std::nullopt},
          {"Lễ hội hoa xuân mở cửa đón khách",
           "Hàng trăm loài hoa được trưng bày tại công viên trung tâm.",
           "https://tuoitre.vn/le-hoi-hoa-xuan-mo-cua-don-khach-20240127100000222.htm", "",
           std::nullopt, std::nullopt}}},
        {"dantri.rss",
         context("dantri", "Dân Trí", "xa-hoi", "https://dantri.com.vn/rss/xa-hoi.rss"),
         {{"Người dân đổ về trung tâm xem pháo hoa",
           "Mới đây, hàng nghìn người đã có mặt bên bờ sông để xem màn pháo hoa kéo dài 15 phút.",
           "https://dantri.com.vn/xa-hoi/"
           "nguoi-dan-do-ve-trung-tam-xem-phao-hoa-20250509110200123.htm",
           "Thứ sáu, 9/5/2025, 11:02 (GMT+7)",
           "https://icdn.dantri.com.vn/thumb_w/680/2025/05/09/phao-hoa-1746763320123.jpg",
           "Minh Anh"},
          {"Chợ hoa Tết đông khách ngày cuối năm", "",
           "https://dantri.com.vn/xa-hoi/cho-hoa-tet-dong-khach-20240128080000456.htm",
           "Chủ nhật, 28/1/2024, 08:00 (GMT+7)",
           "https://icdn.dantri.com.vn/thumb_w/680/2024/01/28/cho-hoa-1706403600456.jpg",
           std::nullopt}}},
        {"thanhnien.rss",
         context("thanhnien", "Thanh Niên", "tin-moi", "https://thanhnien.vn/rss/home.rss"),
         {{"Đội tuyển đã có chiến thắng đầu tiên tại giải",
           "Trận đấu diễn ra sôi nổi với nhiều cơ hội & những pha cứu thua xuất sắc của thủ môn.",
           "https://thanhnien.vn/doi-tuyen-da-co-chien-thang-dau-tien-185240127141500123.htm",
           "Thứ bảy, 27/1/2024, 14:15 (GMT+7)",
           "https://images2.thanhnien.vn/528068263637045248/2024/1/27/"
           "tran-dau-17063395001231234.jpg",
           std::nullopt},
          {"Giá vàng tăng phiên thứ ba liên tiếp",
           "Vàng miếng tăng thêm 300.000 đồng mỗi lượng, người mua đông hơn ngày thường.",
           "https://thanhnien.vn/gia-vang-tang-phien-thu-ba-lien-tiep-185240127090000456.htm",
           "Thứ bảy, 27/1/2024, 09:00 (GMT+7)",
           "https://images2.thanhnien.vn/528068263637045248/2024/1/27/vang-17063154001234567.jpg",
           std::nullopt}}},
        {"bbc_vietnamese.rss",
         context("bbc-vn", "BBC Tiếng Việt", "tin-moi",
                 "https://feeds.bbci.co.uk/vietnamese/rss.xml"),
         {{"Hội nghị khí hậu mở màn với nhiều kỳ vọng",
           "Đại biểu từ 40 quốc gia bàn về mục tiêu giảm phát thải trong thập niên tới.",
           "https://www.bbc.com/vietnamese/articles/c0l1vx2y3z4o",
           "Thứ hai, 2/6/2025, 08:30 (GMT+7)",
           "https://ichef.bbci.co.uk/ace/ws/240/cpsprodpb/1a2b/live/khi-hau.jpg.webp",
           std::nullopt},
          {"Thị trường chứng khoán châu Á tăng điểm",
           "Các chỉ số chính đều xanh trong phiên sáng thứ Hai.",
           "https://www.bbc.com/vietnamese/articles/c5m6n7p8q9ro",
           "Thứ hai, 2/6/2025, 07:45 (GMT+7)",
           "https://ichef.bbci.co.uk/ace/ws/240/cpsprodpb/3c4d/live/chung-khoan.jpg.webp",
           std::nullopt}}},
        {"bbc_world.rss",
         context("bbc-world", "BBC News (Global)", "world",
                 "https://feeds.bbci.co.uk/news/world/rss.xml"),
         {{"Harbour town rebuilds after spring floods",
           "Residents say the new sea wall has already changed how the town feels.",
           "https://www.bbc.com/news/articles/cx1y2z3a4b5o", "Thứ tư, 4/6/2025, 16:58 (GMT+7)",
           "https://ichef.bbci.co.uk/ace/standard/240/cpsprodpb/5e6f/live/harbour.jpg",
           std::nullopt},
          {"Mountain rail line reopens to passengers",
           "The line had been closed for two years while tunnels were repaired.",
           "https://www.bbc.com/news/articles/c7d8e9f0g1ho", "Thứ tư, 4/6/2025, 15:12 (GMT+7)",
           std::nullopt, std::nullopt}}},
        {"guardian.rss",
         context("guardian", "The Guardian (Global)", "world",
                 "https://www.theguardian.com/world/rss"),
         {{"Talks resume as delegates gather for river summit",
           "Delegates & observers from 40 countries meet to agree on shared water limits.",
           "https://www.theguardian.com/world/2025/jun/02/talks-resume-river-summit",
           "Thứ hai, 2/6/2025, 13:00 (GMT+7)",
           "https://i.guim.co.uk/img/media/4f3e2d1c0b/0_0_5000_3000/master/5000.jpg"
           "?width=700&quality=85&auto=format&fit=max&s=f9e8d7c6b5a4938271605f4e3d2c1b0a",
           "Sam Carter in Vienna"},
          {"Night trains return to the continent's busiest routes",
           "Operators expect sleeper cars to sell out over the summer. Live updates",
           "https://www.theguardian.com/world/2025/jun/01/night-trains-return",
           "Thứ hai, 2/6/2025, 00:45 (GMT+7)",
           "https://i.guim.co.uk/img/media/9a8b7c6d5e/0_120_3000_1800/master/3000.jpg"
           "?width=460&quality=85&auto=format&fit=max&s=ffeeddccbbaa00998877665544332211",
           "Lena Fischer and Tom Hale"}}},
    };
    return cases;
}

const std::vector<FeedCase>& format_and_quirk_cases() {
    static const std::vector<FeedCase> cases = {
        {"atom.xml",
         context("blog", "Nhật ký", "cong-nghe", "https://blog.example.vn/feed.atom"),
         {{"Pin & sạc nhanh: điều cần biết", "Sạc nhanh không làm hỏng pin nếu máy đủ mát.",
           "https://blog.example.vn/2025/06/pin-va-sac-nhanh.html",
           "Thứ hai, 2/6/2025, 08:30 (GMT+7)", "https://blog.example.vn/anh/pin.png", "Lê Thu"},
          // Plain text stays as written: "<b>" is no tag here.
          {"Khi 2 < 3 & <b> không phải thẻ", "Một bài toán nhỏ cho học sinh lớp ba.",
           "https://blog.example.vn/2025/06/so-sanh.html?trang=2",
           "Thứ hai, 2/6/2025, 04:15 (GMT+7)", "https://blog.example.vn/anh/so-sanh.jpg",
           "Ban biên tập"},
          {"Không có liên kết, chỉ có định danh",
           "Định danh là một URL đầy đủ nên được dùng làm liên kết.",
           "https://blog.example.vn/2025/05/dinh-danh.html", "",
           "https://blog.example.vn/anh/dd-1024.jpg", "Ban biên tập"}}},
        {"rdf.xml",
         context("tapchi", "Tạp chí", "khoa-hoc", "https://tapchi.example.vn/rss.rdf"),
         {{"Sao chổi sáng nhất thập kỷ xuất hiện",
           "Có thể quan sát bằng mắt thường – sau hoàng hôn, hướng tây.",
           "https://tapchi.example.vn/bai/sao-choi?trang=2", "Thứ sáu, 9/5/2025, 11:02 (GMT+7)",
           std::nullopt, "Phạm Hà, Trần Minh"},
          {"Rừng ngập mặn hấp thụ nhiều carbon hơn dự đoán",
           "Nghiên cứu mới đo lượng carbon trong đất rừng ven biển.",
           "https://tapchi.example.vn/bai/rung-ngap-man", "Thứ năm, 8/5/2025, 19:30 (GMT+7)",
           "https://tapchi.example.vn/bai/anh/rung-ngap-man.jpg", std::nullopt}}},
        {"edge_cases.rss",
         context("tin", "Tin", "tin-moi", "https://tin.example.vn/rss/trang-chu.rss"),
         {{"Liên kết tương đối", "Ghi chú có khoảng trắng và ố ạ số.",
           "https://tin.example.vn/bai/lien-ket-tuong-doi.html?muc=3", "", std::nullopt,
           "Nguyễn Văn An"},
          {"Guid là liên kết", "", "https://tin.example.vn/bai/guid-la-lien-ket.html", "",
           std::nullopt, std::nullopt},
          {"Bài không có tiêu đề thì tiêu đề lấy từ phần tóm tắt của bài viết này.",
           "Bài không có tiêu đề thì tiêu đề lấy từ phần tóm tắt của bài viết này.",
           "https://tin.example.vn/bai/khong-tieu-de.html", "", std::nullopt, std::nullopt},
          {"Ngày không đọc được",
           "(Ảnh minh họa của một bài rất dài không phải tên báo) - phần này giữ nguyên.",
           "https://tin.example.vn/bai/ngay-hong.html", "", std::nullopt, std::nullopt}}},
        // One item with a bare "<" and the last one cut off: the others stay.
        {"damaged.rss",
         context("hong", "Hỏng", "tin-moi", "https://hong.example.vn/rss"),
         {{"Mục đầu vẫn đọc được", "", "https://hong.example.vn/bai/1.html", "",
           "https://hong.example.vn/anh/1.jpg", std::nullopt},
          {"Mục thứ ba vẫn còn", "", "https://hong.example.vn/bai/3.html", "", std::nullopt,
           std::nullopt}}},
    };
    return cases;
}

void expect_headlines(const FeedCase& feed) {
    SCOPED_TRACE(feed.file);
    const auto items = map_feed(testdata(feed.file), feed.context);
    ASSERT_TRUE(items) << items.error();
    ASSERT_EQ(items->size(), feed.headlines.size());
    for (std::size_t i = 0; i < items->size(); ++i) {
        SCOPED_TRACE(i);
        const NewsFeedItem& item = (*items)[i];
        const Headline& want = feed.headlines[i];
        EXPECT_EQ(item.title, want.title);
        EXPECT_EQ(item.lead, want.lead);
        EXPECT_EQ(item.link, want.link);
        EXPECT_EQ(item.pub_date, want.pub_date);
        EXPECT_EQ(item.image_url, want.image_url);
        EXPECT_EQ(item.author, want.author);
        EXPECT_EQ(item.id, headline_id(want.link));
        EXPECT_EQ(item.source_id, feed.context.source_id);
        EXPECT_EQ(item.source_name, feed.context.source_name);
        EXPECT_EQ(item.category_id, feed.context.category_id);
    }
}

TEST(FeedParser, MapsEachPublishersFeed) {
    for (const auto& feed : publisher_cases())
        expect_headlines(feed);
}

TEST(FeedParser, MapsAtomRdfAndTheQuirksOfBrokenItems) {
    for (const auto& feed : format_and_quirk_cases())
        expect_headlines(feed);
}

}  // namespace
}  // namespace papyr::feeds
