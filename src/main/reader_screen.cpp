#include "main/reader_screen.h"

#include <algorithm>

namespace papyr {
namespace {

constexpr std::int32_t kColumnLeft = 80;
constexpr std::int32_t kSummaryLeft = 96;
constexpr std::int32_t kFirstLine = 70;
constexpr std::int32_t kHeaderHeight = 42;
constexpr std::int32_t kFooterHeight = 36;
constexpr std::int32_t kParagraphGap = 18;
constexpr std::string_view kEndMarker = "— HẾT BÀI BÁO —";

// Everything the page needs of the screen for one frame.
struct Page {
    const Palette& palette;
    const FontScale& scale;
    std::int32_t width;
    std::int32_t height;
    std::int32_t scroll;
    std::int32_t clip_bottom() const { return height - 50; }
    bool shows_row(std::int32_t y) const { return y >= 0 && y <= clip_bottom(); }
    // A content coordinate on the screen.
    std::int32_t on_screen(std::int32_t content_y) const { return content_y - scroll; }
};

PlacedText place_text(std::string_view s, std::int32_t top, std::int32_t max_width,
                      std::int32_t line_height, float size, const TextRenderer& text) {
    return {text.wrap_lines(s, max_width, size), size, line_height, top};
}

// The lines of the block that fall in the band where text may show: a line
// box may start up to one line above the screen and no lower than the clip
// bottom. The others cost one comparison each.
void draw_placed(const PlacedText& block, std::int32_t x, std::uint32_t colour, const Page& page,
                 DrawList& frame) {
    std::int64_t y = std::int64_t{block.top} - page.scroll;
    for (const std::string& line : block.lines) {
        if (y > page.clip_bottom())
            return;
        if (y >= -std::int64_t{block.line_height})
            frame.draw_text(line, x, static_cast<std::int32_t>(y), colour, block.size);
        y += block.line_height;
    }
}

void draw_summary(const ReaderLayout& layout, const Page& page, DrawList& frame) {
    const std::int32_t top = page.on_screen(layout.summary_top);
    const std::int32_t box_height = layout.summary_box_height;
    // The box goes under the text.
    if (top <= page.clip_bottom() && top >= -box_height) {
        frame.fill_rounded_rect(kColumnLeft, top, page.width - 160, box_height, 8,
                                page.palette.card);
        frame.fill_rect(kColumnLeft, top, 4, box_height, page.palette.accent);
    }
    draw_placed(layout.summary, kSummaryLeft, page.palette.text, page, frame);
}

void draw_content(const ReaderLayout& layout, const Page& page, DrawList& frame) {
    const Palette& p = page.palette;
    draw_placed(layout.title, kColumnLeft, p.text, page, frame);

    const std::int32_t meta_y = page.on_screen(layout.meta_y);
    if (page.shows_row(meta_y))
        frame.draw_text(layout.meta_line, kColumnLeft, meta_y, p.muted, 13);

    const std::int32_t separator_y = page.on_screen(layout.separator_y);
    if (page.shows_row(separator_y))
        frame.hline(kColumnLeft, separator_y, page.width - 160, p.border);

    if (layout.has_summary)
        draw_summary(layout, page, frame);
    for (const PlacedText& paragraph : layout.paragraphs)
        draw_placed(paragraph, kColumnLeft, p.text, page, frame);

    const std::int32_t end_y = page.on_screen(layout.end_y);
    if (page.shows_row(end_y)) {
        frame.draw_text(kEndMarker, (page.width - layout.end_marker_width) / 2, end_y + 10, p.muted,
                        14);
    }
}

void draw_header(const ArticleDetail& article, std::int32_t content_height, const Page& page,
                 DrawList& frame) {
    const Palette& p = page.palette;
    frame.fill_rect(0, 0, page.width, kHeaderHeight, p.bar);
    frame.hline(0, kHeaderHeight - 1, page.width, p.border);
    frame.draw_text(article.source, 20, 12, p.accent, 16);
    const std::int32_t progress = reading_progress(page.scroll, content_height, page.height);
    frame.draw_text("Tiến độ đọc: " + std::to_string(progress) + "%", page.width / 2 - 60, 12,
                    p.text, 14);
    frame.draw_badge("Cỡ chữ: " + std::string(page.scale.label), page.width - 130, 8, p.card,
                     p.text, 11);
}

void draw_footer(const AppState& state, bool saved, const Page& page, DrawList& frame) {
    const Palette& p = page.palette;
    const std::int32_t top = page.height - kFooterHeight;
    frame.fill_rect(0, top, page.width, kFooterHeight, p.bar);
    frame.hline(0, top, page.width, p.border);
    const std::string mark = saved ? "★ Đã lưu" : "☆ Lưu offline";
    const std::string rest = state.notice ? state.notice->text
                                          : "[▲/▼]: Cuộn dòng  •  [L1/R1 / ◄/►]: Lật trang  •  "
                                            "[X]: Cỡ chữ  •  [Y]: Lưu  •  [B]: Trở về";
    frame.draw_text(mark + "  |  " + rest, 20, page.height - 26, p.text, 13);
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

std::int32_t PlacedText::height() const {
    return std::max<std::int32_t>(1, static_cast<std::int32_t>(lines.size())) * line_height;
}

ReaderLayout layout_article(const ArticleDetail& article, const FontScale& scale,
                            std::int32_t screen_width, const TextRenderer& text) {
    const std::int32_t column = screen_width - 160;
    ReaderLayout layout;
    layout.title = place_text(article.title, kFirstLine, column, scale.title_line_height,
                              scale.title_size, text);
    const std::int32_t below_title = kFirstLine + layout.title.height();
    layout.meta_line = reader_meta_line(article);
    layout.meta_y = below_title + 16;
    layout.separator_y = below_title + 40;

    std::int32_t y = below_title + 60;
    if (!article.lead.empty()) {
        layout.has_summary = true;
        layout.summary_top = y;
        layout.summary = place_text(article.lead, y + 12, screen_width - 192,
                                    scale.summary_line_height, scale.summary_size, text);
        layout.summary_box_height = layout.summary.height() + 24;
        y += layout.summary.height() + 44;
    }
    layout.paragraphs.reserve(article.paragraphs.size());
    for (const std::string& paragraph : article.paragraphs) {
        layout.paragraphs.push_back(place_text(paragraph, y, column, scale.paragraph_line_height,
                                               scale.paragraph_size, text));
        y += layout.paragraphs.back().height() + kParagraphGap;
    }
    layout.end_y = y;
    layout.end_marker_width = static_cast<std::int32_t>(text.measure_text(kEndMarker, 14));
    return layout;
}

void ReaderLayoutCache::keep_only(const ArticleDetail& article, std::int32_t screen_width) {
    if (article_ && screen_width == screen_width_ && *article_ == article)
        return;
    article_ = article;
    screen_width_ = screen_width;
    layouts_.fill(std::nullopt);
}

const ReaderLayout& ReaderLayoutCache::layout_for(const ArticleDetail& article,
                                                  std::size_t font_scale_index,
                                                  std::int32_t screen_width,
                                                  const TextRenderer& text) {
    keep_only(article, screen_width);
    const std::size_t scale = font_scale_index % kFontScaleCount;
    std::optional<ReaderLayout>& layout = layouts_[scale];
    if (!layout)
        layout = layout_article(article, kFontScales[scale], screen_width, text);
    return *layout;
}

bool ReaderLayoutCache::lay_out_another(const ArticleDetail& article, std::size_t font_scale_index,
                                        std::int32_t screen_width, const TextRenderer& text) {
    keep_only(article, screen_width);
    // The scale X moves to next is laid out first.
    for (std::size_t step = 1; step <= kFontScaleCount; ++step) {
        const std::size_t scale = (font_scale_index + step) % kFontScaleCount;
        if (!layouts_[scale]) {
            layouts_[scale] = layout_article(article, kFontScales[scale], screen_width, text);
            return true;
        }
    }
    return false;
}

std::optional<std::int32_t> draw_reader(const AppState& state, DrawList& frame,
                                        const SavedLookup& is_saved, ReaderLayoutCache& layouts) {
    if (!state.article)
        return std::nullopt;
    const ArticleDetail& article = *state.article;
    const Page page{palette_for(state.theme_index),
                    kFontScales[state.font_scale_index % kFontScaleCount],
                    static_cast<std::int32_t>(frame.width()),
                    static_cast<std::int32_t>(frame.height()), state.reader_scroll};
    const ReaderLayout& layout =
        layouts.layout_for(article, state.font_scale_index, page.width, frame.text());

    // The page moves up as far as it is scrolled down.
    frame.set_content_offset(-std::int64_t{page.scroll});
    draw_content(layout, page, frame);
    // The bars go over whatever content was scrolled beneath them.
    draw_header(article, layout.content_height(), page, frame);
    draw_footer(state, is_saved(article.url), page, frame);
    return layout.content_height();
}

}  // namespace papyr
