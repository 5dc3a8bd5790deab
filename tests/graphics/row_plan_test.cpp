// Bringing a new frame onto a surface that holds an earlier one by the row
// plan draws exactly what drawing the new frame afresh draws, while drawing
// and presenting only the rows that differ.

#include "graphics/row_plan.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "graphics/glyph_cache.h"

namespace papyr {
namespace {

constexpr std::size_t kWidth = 200;
constexpr std::size_t kHeight = 120;
constexpr std::int32_t kHeader = 20;   // rows 0-19
constexpr std::int32_t kFooter = 100;  // rows 100-119
constexpr std::int32_t kLinePitch = 18;

GlyphCache& glyphs() {
    static GlyphCache cache(Font::embedded());
    return cache;
}

}  // namespace

void PrintTo(const RowSpan& rows, std::ostream* out) {
    *out << "rows " << rows.begin << "-" << rows.end;
}

namespace {

std::vector<std::uint32_t> pixels_of(const Framebuffer& surface) {
    return {surface.pixels().begin(), surface.pixels().end()};
}

bool same_row(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
              std::size_t width, std::size_t y) {
    return std::equal(a.begin() + static_cast<std::ptrdiff_t>(y * width),
                      a.begin() + static_cast<std::ptrdiff_t>((y + 1) * width),
                      b.begin() + static_cast<std::ptrdiff_t>(y * width));
}

bool in_spans(const std::vector<RowSpan>& spans, std::size_t y) {
    return std::any_of(spans.begin(), spans.end(),
                       [y](RowSpan s) { return y >= s.begin && y < s.end; });
}

std::size_t rows_drawn(const RowPlan& plan) {
    std::size_t rows = 0;
    for (const RowPlan::Redraw& redraw : plan.redraws)
        rows += redraw.rows.size();
    return rows;
}

// A small reader: a scrolled page of lines between a header with a
// progress text and a footer, and optionally a darkened panel over it.
struct Page {
    std::int32_t scroll = 0;
    std::uint32_t background = 0xFFF6F2E8;
    std::string progress = "12%";
    std::string footer = "★ Đã lưu | [B]: Trở về";
    std::vector<std::string> lines = {
        "Sáng nay, Thủ tướng đã", "chủ trì hội nghị trực",  "tuyến với các địa phương",
        "về phát triển kinh tế",  "xã hội. Ông nhấn mạnh:", "phải ưu tiên đầu tư hạ",
        "tầng, giữ vững ổn định", "vĩ mô và bảo đảm đời",   "sống người dân. ĐƯỜNG",
        "ỐNG NƯỚC SẠCH ĐÃ VỀ",    "ĐẾN TỪNG XÃ Ở TÂY",      "NGUYÊN — hết bài báo."};
    bool panel = false;
};

void record(const Page& page, DrawList& frame) {
    if (page.panel)
        frame.set_covered({40, 40, 120, 40});
    frame.fill(page.background);
    frame.set_content_offset(-page.scroll);
    frame.fill_rounded_rect(10, 24 - page.scroll, 180, 50, 8, 0xFFEFE8D8);
    for (std::size_t i = 0; i < page.lines.size(); ++i) {
        const std::int32_t y = 24 + kLinePitch * static_cast<std::int32_t>(i) - page.scroll;
        // Like the reader, a line below the clip row is left out whole.
        if (y >= -kLinePitch && y <= kFooter - 14)
            frame.draw_text(page.lines[i], 14, y, 0xFF1C1917, 13);
    }
    frame.fill_rect(0, 0, kWidth, kHeader, 0xFFE8E0CE);
    frame.hline(0, kHeader - 1, kWidth, 0xFFD6CABA);
    frame.draw_text("Tiến độ: " + page.progress, 60, 4, 0xFF1C1917, 11);
    frame.fill_rect(0, kFooter, kWidth, kHeight - kFooter, 0xFFE8E0CE);
    frame.draw_text(page.footer, 6, kFooter + 4, 0xFF1C1917, 11);
    if (page.panel) {
        frame.dim();
        frame.set_covered({});
        frame.fill_rounded_rect(40, 30, 120, 60, 10, 0xFF161F30);
        frame.draw_text("HƯỚNG DẪN", 50, 44, 0xFF14B8A6, 14);
    }
}

// Brings `after` by the plan onto a surface that holds `before`: the pixels
// must be those of `after` drawn afresh, and every row the plan leaves
// unchanged must be the same in both.
RowPlan bring(const DrawList& before_list, const DrawList& after_list) {
    const IndexedFrame before(before_list);
    const IndexedFrame after(after_list);
    const std::size_t width = after.list.width();
    const std::size_t height = after.list.height();
    const auto fresh = [&](const DrawList& list) {
        Framebuffer surface = Framebuffer::in_memory(width, height);
        TextRenderer text(glyphs(), surface);
        list.replay(surface, text, {0, height});
        return pixels_of(surface);
    };
    Framebuffer surface = Framebuffer::in_memory(width, height);
    TextRenderer text(glyphs(), surface);
    before.list.replay(surface, text, {0, height});
    const RowPlan plan = plan_rows(&before, after);
    apply_plan(plan, after.list, surface, text);

    const std::vector<std::uint32_t> expected = fresh(after.list);
    EXPECT_EQ(pixels_of(surface), expected) << "the planned frame differs from a fresh one";
    const std::vector<std::uint32_t> earlier = fresh(before.list);
    for (std::size_t y = 0; y < height; ++y) {
        if (!in_spans(plan.changed, y)) {
            EXPECT_TRUE(same_row(earlier, expected, width, y)) << "row " << y << " changed";
        }
    }
    return plan;
}

TEST(RowPlan, OnlyRowsThatDifferAreDrawnAndScrolledRowsAreShiftedInstead) {
    Framebuffer measuring = Framebuffer::in_memory(1, 1);
    TextRenderer text(glyphs(), measuring);
    const auto frame_of = [&](const Page& page) {
        DrawList list(kWidth, kHeight, text);
        record(page, list);
        return list;
    };
    const struct {
        const char* what;
        std::int32_t scroll;
        void (*change)(Page&);
        std::int64_t shift;
        RowSpan changed_within;
        std::size_t most_drawn;
    } cases[] = {
        {"nothing", 0, [](Page&) {}, 0, {0, 0}, 0},
        {"footer text",
         0,
         [](Page& p) { p.footer = "Đã lưu bài viết để đọc offline!"; },
         0,
         {kFooter, kHeight},
         kHeight - kFooter},
        {"progress", 0, [](Page& p) { p.progress = "13%"; }, 0, {0, kHeader}, kHeader},
        // Content beneath the header shows nowhere.
        {"line under the header", 40, [](Page& p) { p.lines[0] = "Một dòng khác"; }, 0, {0, 0}, 0},
        {"background between the bars",
         0,
         [](Page& p) { p.background = 0xFF0A0E17; },
         0,
         {kHeader, kFooter},
         kFooter - kHeader},
        // The bars, the band that came into view and the rows where a line
        // crossed the clip row are drawn; the device needs the moved rows.
        {"a line down", 0, [](Page& p) { p.scroll += 18; }, 18, {0, kHeight}, kHeight / 2},
        {"up a little", 40, [](Page& p) { p.scroll -= 7; }, -7, {0, kHeight}, kHeight / 2},
        {"past a screen", 0, [](Page& p) { p.scroll += 150; }, 0, {0, kHeight}, kHeight},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Page before;
        before.scroll = c.scroll;
        Page after = before;
        c.change(after);
        const RowPlan plan = bring(frame_of(before), frame_of(after));
        EXPECT_EQ(plan.shift, c.shift);
        for (const RowSpan span : plan.changed) {
            EXPECT_GE(span.begin, c.changed_within.begin);
            EXPECT_LE(span.end, c.changed_within.end);
        }
        EXPECT_EQ(plan.changed.empty(), c.changed_within.empty());
        EXPECT_LE(rows_drawn(plan), c.most_drawn);
    }

    // A panel over the page draws only its own operations on every row.
    Page with_panel;
    with_panel.panel = true;
    const DrawList darkened = frame_of(with_panel);
    const RowPlan opened = bring(frame_of(Page{}), darkened);
    std::size_t dim_at = 0;
    while (darkened.ops()[dim_at].kind != DrawKind::Dim)
        ++dim_at;
    EXPECT_EQ(rows_drawn(opened), kHeight);
    for (const RowPlan::Redraw& redraw : opened.redraws)
        EXPECT_GE(redraw.first_op, dim_at);
    EXPECT_EQ(bring(darkened, frame_of(Page{})).changed, (std::vector<RowSpan>{{0, kHeight}}));

    // Nothing of a frame of another size, or of no frame, is kept.
    DrawList smaller(kWidth, kHeight - 1, text);
    record(Page{}, smaller);
    const IndexedFrame other_size(std::move(smaller));
    const IndexedFrame same(frame_of(Page{}));
    EXPECT_EQ(plan_rows(&other_size, same).changed, (std::vector<RowSpan>{{0, kHeight}}));
    EXPECT_EQ(plan_rows(nullptr, same).redraws, (std::vector<RowPlan::Redraw>{{{0, kHeight}, 0}}));
}

// Random frames of few colours and texts, so that operations often agree,
// with random changes between them: the content (text and rounded shapes)
// scrolled, one measure or colour of an operation changed, an operation
// dropped or added, a darkened panel over it all. Bars across the whole
// width hide what lies beneath, bars a pixel short of it do not.
struct RandomFrames {
    std::mt19937 random{20260912};

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    std::uint32_t colour() {
        constexpr std::uint32_t kColours[] = {0xFFF6F2E8, 0xFF0D9488, 0xFF1C1917, 0xFFE8E0CE};
        return kColours[pick(0, 3)];
    }
    DrawOp op() {
        constexpr const char* kTexts[] = {"Tin", "Thế giới", "gjpqy", "ẪẤ"};
        DrawOp op;
        op.kind = static_cast<DrawKind>(pick(1, 3));  // Rect, RoundedRect or Text
        const bool bar = op.kind == DrawKind::Rect && pick(0, 2) == 0;
        op.x = bar ? pick(0, 1) : pick(-10, 60);
        op.w = bar ? 64 - pick(0, 1) + 16 * pick(0, 1) : pick(1, 50);
        op.y = pick(-20, 60);
        op.h = pick(1, 30);
        op.radius = pick(0, 8);
        op.colour = colour();
        op.text = kTexts[pick(0, 3)];
        op.size = static_cast<float>(pick(8, 16));
        return op;
    }
    void change(std::vector<DrawOp>& ops, std::int64_t& offset) {
        DrawOp& one = ops[static_cast<std::size_t>(pick(0, static_cast<int>(ops.size()) - 1))];
        const DrawOp other = op();
        switch (pick(0, 10)) {
            case 0: {
                const int shift = pick(-30, 30);
                offset -= shift;
                for (DrawOp& each : ops) {
                    if (each.kind == DrawKind::Text || each.kind == DrawKind::RoundedRect)
                        each.y -= shift;
                }
                break;
            }
            case 1:
                one.colour = other.colour;
                break;
            case 2:
                one.x = other.x;
                break;
            case 3:
                one.w = other.w;
                break;
            case 4:
                one.h = other.h;
                break;
            case 5:
                one.radius = other.radius;
                break;
            case 6:
                one.size = other.size;
                break;
            case 7:
                one.text = other.text;
                break;
            case 8:
                if (ops.size() > 1)
                    ops.erase(ops.begin() + pick(1, static_cast<int>(ops.size()) - 1));
                break;
            case 9:
                ops.insert(ops.begin() + pick(1, static_cast<int>(ops.size())), other);
                break;
            default:
                ops.push_back(DrawOp{});
                ops.back().kind = DrawKind::Dim;
                ops.push_back(other);
        }
    }
    static DrawList record(const std::vector<DrawOp>& ops, std::int64_t offset,
                           const TextRenderer& text) {
        DrawList list(64, 48, text);
        list.set_content_offset(offset);
        for (const DrawOp& op : ops) {
            if (op.kind == DrawKind::Fill)
                list.fill(op.colour);
            else if (op.kind == DrawKind::Rect)
                list.fill_rect(op.x, op.y, op.w, op.h, op.colour);
            else if (op.kind == DrawKind::RoundedRect)
                list.fill_rounded_rect(op.x, op.y, op.w, op.h, op.radius, op.colour);
            else if (op.kind == DrawKind::Text)
                list.draw_text(op.text, op.x, op.y, op.colour, op.size);
            else if (op.kind == DrawKind::Dim)
                list.dim();
        }
        return list;
    }
};

TEST(RowPlan, RandomFramesPlannedOneOntoAnotherEqualFreshDrawings) {
    Framebuffer surface = Framebuffer::in_memory(64, 48);
    TextRenderer text(glyphs(), surface);
    RandomFrames random;
    // The surface keeps each frame for the next, as a renderer's does.
    std::optional<IndexedFrame> shown;
    std::vector<DrawOp> ops;
    std::int64_t offset = 0;
    for (int round = 0; round < 1500; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        if (round % 25 == 0) {
            ops.assign(1, DrawOp{});  // a fill
            ops[0].colour = random.colour();
            for (int i = random.pick(2, 9); i > 0; --i)
                ops.push_back(random.op());
        }
        random.change(ops, offset);
        IndexedFrame next(RandomFrames::record(ops, offset, text));
        if (shown) {
            (void)bring(shown->list, next.list);
            ASSERT_FALSE(::testing::Test::HasFailure());
        }
        shown.emplace(std::move(next));
    }
}

}  // namespace
}  // namespace papyr
