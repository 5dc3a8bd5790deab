#include "main/help_overlay.h"

#include <array>
#include <string>
#include <string_view>

#include "main/theme.h"

namespace papyr {
namespace {

struct HelpRow {
    std::string_view key;
    std::string_view description;
};

constexpr std::array<HelpRow, 9> kHelpRows = {{
    {"Phím [A]:", "Mở đọc bài viết trong giao diện Kindle E-Reader"},
    {"Phím [B]:", "Quay lại danh mục / Đóng chế độ đọc báo"},
    {"Phím [▲ / ▼]:", "Cuộn mượt mà từng dòng bài viết"},
    {"Phím [◄ / ►]:", "Chuyển chuyên mục (ở danh mục) / Lật trang (khi đọc)"},
    {"Phím [L1 / R1]:", "Chuyển nhanh nguồn báo (VnExpress, Tuổi Trẻ, Dân Trí...)"},
    {"Phím [L2 / R2]:", "Chuyển đổi chuyên mục (Thời sự, Thế giới, Công nghệ...)"},
    {"Phím [X]:", "Tải lại tin mới / Đổi kích cỡ chữ đọc sách (100% - 175%)"},
    {"Phím [Y]:", "Lưu bài viết vào danh sách Đọc Offline không cần mạng"},
    {"Phím [SELECT]:", "Đổi màu nền đọc: Giấy Vàng Kindle / Đêm OLED / Sepia"},
}};

constexpr std::int32_t kFrame = 2;
constexpr std::int32_t kPanelRadius = 16;
constexpr float kRowSize = 14;

}  // namespace

PanelOrigin help_panel_origin(std::int32_t screen_width, std::int32_t screen_height) {
    return {(screen_width - kHelpPanelWidth) / 2, (screen_height - kHelpPanelHeight) / 2};
}

Framebuffer::Rect help_panel_middle(std::int32_t screen_width, std::int32_t screen_height) {
    const auto [px, py] = help_panel_origin(screen_width, screen_height);
    return {px, py + kPanelRadius, kHelpPanelWidth, kHelpPanelHeight - 2 * kPanelRadius};
}

void draw_help_overlay(const AppState& state, DrawList& frame) {
    const Palette& p = palette_for(state.theme_index);
    const auto [px, py] = help_panel_origin(static_cast<std::int32_t>(frame.width()),
                                            static_cast<std::int32_t>(frame.height()));

    frame.dim();
    frame.set_covered({});
    frame.fill_rounded_rect(px, py, kHelpPanelWidth, kHelpPanelHeight, kPanelRadius, p.card);
    // Straight lines over the rounded fill: the frame has square corners.
    frame.fill_rect(px, py, kHelpPanelWidth, kFrame, p.accent);
    frame.fill_rect(px, py + kHelpPanelHeight - kFrame, kHelpPanelWidth, kFrame, p.accent);
    frame.fill_rect(px, py, kFrame, kHelpPanelHeight, p.accent);
    frame.fill_rect(px + kHelpPanelWidth - kFrame, py, kFrame, kHelpPanelHeight, p.accent);

    frame.draw_text("HƯỚNG DẪN ĐIỀU KHIỂN PAPYR", px + 30, py + 24, p.accent, 20);
    std::int32_t row_y = py + 60;
    for (const HelpRow& row : kHelpRows) {
        frame.draw_text(row.key, px + 30, row_y, p.accent, kRowSize);
        frame.draw_text(row.description, px + 140, row_y, p.text, kRowSize);
        row_y += 28;
    }

    if (state.update) {
        frame.fill_rounded_rect(px + 20, py + 350, 620, 46, 8, kUpdateOrange);
        frame.draw_text(
            "🚀 ĐÃ CÓ BẢN MỚI v" + state.update->version + "! Bấm phím [Y] để tải & cập nhật ngay",
            px + 36, py + 364, kWhite, 15);
    } else {
        frame.draw_text("Bấm phím [B] hoặc [START] để đóng hướng dẫn", px + 30, py + 390, p.muted,
                        kRowSize);
    }
}

}  // namespace papyr
