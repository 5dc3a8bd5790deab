#include "main/reader_screen.h"

#include <algorithm>

#include "main/theme.h"

namespace papyr {
namespace {

constexpr std::int32_t kColumnLeft = 80;
constexpr std::int32_t kSummaryLeft = 96;
constexpr std::int32_t kFirstLine = 70;
constexpr std::int32_t kHeaderHeight = 42;
constexpr std::int32_t kFooterHeight = 36;
constexpr std::int32_t kParagraphGap = 18;

// Everything the page needs of the screen for one frame.
struct Page {
    const Palette& palette;
    const FontScale& scale;
    std::int32_t width;
    std::int32_t height;
    std::int32_t scroll;
    std::int32_t clip_bottom() const { return height - 50; }
    bool shows_row(std::int32_t y) const { return y >= 0 && y <= clip_bottom(); }
};

// The height draw_wrapped would give, without drawing: a clip bottom above
// the highest line it ever draws (minus one line height) lets no line
// through.
std::int32_t wrapped_height(TextRenderer& text, std::string_view s, std::int32_t max_width,
                            std::int32_t line_height, float size) {
    return text.draw_wrapped(s, 0, 0, max_width, line_height, 0, size, -line_height - 1);
}

// Draws the summary box and its text from `top`; returns where the next
// block starts.
std::int32_t draw_summary(const std::string& lead, std::int32_t top, const Page& page,
                          Framebuffer& surface, TextRenderer& text) {
    const FontScale& scale = page.scale;
    const std::int32_t text_width = page.width - 192;
    // Measured first: the box goes under the text.
    const std::int32_t sh =
        wrapped_height(text, lead, text_width, scale.summary_line_height, scale.summary_size);
    const std::int32_t box_height = sh + 24;
    if (top <= page.clip_bottom() && top >= -sh - 24) {
        surface.fill_rounded_rect(kColumnLeft, top, page.width - 160, box_height, 8,
                                  page.palette.card);
        surface.fill_rect(kColumnLeft, top, 4, box_height, page.palette.accent);
    }
    text.draw_wrapped(lead, kSummaryLeft, top + 12, text_width, scale.summary_line_height,
                      page.palette.text, scale.summary_size, page.clip_bottom());
    return top + sh + 44;
}

// Lays out and draws the scrolled content; returns the y (screen
// coordinates) below the last paragraph's gap.
std::int32_t draw_content(const ArticleDetail& article, const Page& page, Framebuffer& surface,
                          TextRenderer& text) {
    const Palette& p = page.palette;
    const FontScale& scale = page.scale;
    const std::int32_t column = page.width - 160;
    const std::int32_t s = page.scroll;

    const std::int32_t th =
        text.draw_wrapped(article.title, kColumnLeft, kFirstLine - s, column,
                          scale.title_line_height, p.text, scale.title_size, page.clip_bottom());

    const std::int32_t meta_y = kFirstLine + th + 16 - s;
    if (page.shows_row(meta_y))
        text.draw_text(reader_meta_line(article), kColumnLeft, meta_y, p.muted, 13);

    const std::int32_t separator_y = kFirstLine + th + 40 - s;
    if (page.shows_row(separator_y))
        surface.hline(kColumnLeft, separator_y, column, p.border);

    std::int32_t y = kFirstLine + th + 60 - s;
    if (!article.lead.empty())
        y = draw_summary(article.lead, y, page, surface, text);

    for (const std::string& paragraph : article.paragraphs) {
        const std::int32_t h =
            text.draw_wrapped(paragraph, kColumnLeft, y, column, scale.paragraph_line_height,
                              p.text, scale.paragraph_size, page.clip_bottom());
        y += h + kParagraphGap;
    }

    if (page.shows_row(y)) {
        const std::string_view marker = "— HẾT BÀI BÁO —";
        const auto marker_width = static_cast<std::int32_t>(text.measure_text(marker, 14));
        text.draw_text(marker, (page.width - marker_width) / 2, y + 10, p.muted, 14);
    }
    return y;
}

void draw_header(const ArticleDetail& article, std::int32_t content_height, const Page& page,
                 Framebuffer& surface, TextRenderer& text) {
    const Palette& p = page.palette;
    surface.fill_rect(0, 0, page.width, kHeaderHeight, p.bar);
    surface.hline(0, kHeaderHeight - 1, page.width, p.border);
    text.draw_text(article.source, 20, 12, p.accent, 16);
    const std::int32_t progress = reading_progress(page.scroll, content_height, page.height);
    text.draw_text("Tiến độ đọc: " + std::to_string(progress) + "%", page.width / 2 - 60, 12,
                   p.text, 14);
    text.draw_badge("Cỡ chữ: " + std::string(page.scale.label), page.width - 130, 8, p.card, p.text,
                    11);
}

void draw_footer(const AppState& state, bool saved, const Page& page, Framebuffer& surface,
                 TextRenderer& text) {
    const Palette& p = page.palette;
    const std::int32_t top = page.height - kFooterHeight;
    surface.fill_rect(0, top, page.width, kFooterHeight, p.bar);
    surface.hline(0, top, page.width, p.border);
    const std::string mark = saved ? "★ Đã lưu" : "☆ Lưu offline";
    const std::string rest = state.notice ? state.notice->text
                                          : "[▲/▼]: Cuộn dòng  •  [L1/R1 / ◄/►]: Lật trang  •  "
                                            "[X]: Cỡ chữ  •  [Y]: Lưu  •  [B]: Trở về";
    text.draw_text(mark + "  |  " + rest, 20, page.height - 26, p.text, 13);
}

}  // namespace

std::string reader_meta_line(const ArticleDetail& article) {
    std::string line = "Báo: " + article.source;
    if (article.author)
        line += " • Tác giả: " + *article.author;
    if (article.pub_date)
        line += " • " + *article.pub_date;
    line += " • ~" + std::to_string(article.reading_time_minutes) + " phút đọc";
    return line;
}

std::int32_t reading_progress(std::int32_t scroll, std::int32_t content_height,
                              std::int32_t screen_height) {
    // In 64 bits: the difference of two extreme heights must not overflow.
    const std::int64_t range =
        std::max<std::int64_t>(std::int64_t{content_height} - screen_height + 120, 1);
    const float progress = static_cast<float>(scroll) / static_cast<float>(range) * 100.0f;
    return static_cast<std::int32_t>(std::clamp(progress, 0.0f, 100.0f));
}

std::optional<std::int32_t> draw_reader(const AppState& state, Framebuffer& surface,
                                        TextRenderer& text, const SavedLookup& is_saved) {
    if (!state.article)
        return std::nullopt;
    const ArticleDetail& article = *state.article;
    const Page page{palette_for(state.theme_index),
                    kFontScales[state.font_scale_index % kFontScaleCount],
                    static_cast<std::int32_t>(surface.width()),
                    static_cast<std::int32_t>(surface.height()), state.reader_scroll};

    const std::int32_t end_y = draw_content(article, page, surface, text);
    // In content coordinates, so the scroll limit does not move with the
    // scroll.
    const std::int32_t content_height = end_y + page.scroll - 30;

    // The bars go over whatever content was scrolled beneath them.
    draw_header(article, content_height, page, surface, text);
    draw_footer(state, is_saved(article.url), page, surface, text);
    return content_height;
}

}  // namespace papyr
