#include "main/catalogue.h"

namespace papyr {

std::vector<NewsSource> build_catalogue() {
    return {
        {"vnexpress",
         "VnExpress",
         {{"tin-moi", "Tin Mới Nhất"},
          {"thoi-su", "Thời Sự"},
          {"the-gioi", "Thế Giới"},
          {"cong-nghe", "Khoa Học & Công Nghệ"},
          {"kinh-doanh", "Kinh Doanh"}}},
        {"tuoitre",
         "Tuổi Trẻ",
         {{"tin-moi", "Tin Mới Nhất"},
          {"thoi-su", "Thời Sự"},
          {"the-gioi", "Thế Giới"},
          {"cong-nghe", "Nhịp Sống Số"},
          {"kinh-doanh", "Kinh Doanh"}}},
        {"dantri",
         "Dân Trí",
         {{"tin-moi", "Tin Mới Nhất"},
          {"xa-hoi", "Xã Hội"},
          {"the-gioi", "Thế Giới"},
          {"cong-nghe", "Sức Mạnh Số"},
          {"kinh-doanh", "Kinh Doanh"}}},
        {"thanhnien",
         "Thanh Niên",
         {{"tin-moi", "Tin Mới Nhất"},
          {"thoi-su", "Thời Sự"},
          {"the-gioi", "Thế Giới"},
          {"cong-nghe", "Công Nghệ Game"},
          {"kinh-te", "Kinh Tế"}}},
        {"bbc-vn", "BBC Tiếng Việt", {{"tin-moi", "Tin Nổi Bật"}}},
        {"bbc-world",
         "BBC News (Global)",
         {{"world", "World News"},
          {"technology", "Technology"},
          {"business", "Business"},
          {"science", "Science"}}},
        {"guardian",
         "The Guardian (Global)",
         {{"world", "World News"}, {"technology", "Tech News"}, {"environment", "Environment"}}},
    };
}

}  // namespace papyr
