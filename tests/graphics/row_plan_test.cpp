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

class RowPlanTest : public ::testing::Test {
  protected:
    IndexedFrame frame_of(const Page& page) {
        DrawList list(kWidth, kHeight, text);
        record(page, list);
        return IndexedFrame(std::move(list));
    }

    std::vector<std::uint32_t> fresh(const IndexedFrame& frame, std::size_t width = kWidth,
                                     std::size_t height = kHeight) {
        Framebuffer surface = Framebuffer::in_memory(width, height);
        TextRenderer surface_text(glyphs(), surface);
        frame.list.replay(surface, surface_text, {0, height});
        return pixels_of(surface);
    }

    // Draws `before` whole, brings `after` onto it by the plan, and checks
    // the pixels against a fresh drawing and the changed rows against both.
    RowPlan bring(const IndexedFrame& before, const IndexedFrame& after) {
        Framebuffer surface = Framebuffer::in_memory(kWidth, kHeight);
        TextRenderer surface_text(glyphs(), surface);
        before.list.replay(surface, surface_text, {0, kHeight});
        const RowPlan plan = plan_rows(&before, after);
        apply_plan(plan, after.list, surface, surface_text);

        const std::vector<std::uint32_t> expected = fresh(after);
        EXPECT_EQ(pixels_of(surface), expected) << "the planned frame differs from a fresh one";
        const std::vector<std::uint32_t> earlier = fresh(before);
        for (std::size_t y = 0; y < kHeight; ++y) {
            if (!in_spans(plan.changed, y)) {
                EXPECT_TRUE(same_row(earlier, expected, kWidth, y)) << "row " << y << " changed";
            }
        }
        return plan;
    }

    Framebuffer measuring = Framebuffer::in_memory(1, 1);
    TextRenderer text{glyphs(), measuring};
};

TEST_F(RowPlanTest, AnUnchangedFrameDrawsAndChangesNothing) {
    const RowPlan plan = bring(frame_of(Page{}), frame_of(Page{}));
    EXPECT_TRUE(plan.redraws.empty());
    EXPECT_TRUE(plan.changed.empty());
}

TEST_F(RowPlanTest, AChangeInOneBarDrawsAndChangesOnlyRowsOfThatBar) {
    const struct {
        const char* what;
        void (*change)(Page&);
        RowSpan bar;
    } cases[] = {
        {"footer text",
         [](Page& p) { p.footer = "Đã lưu bài viết để đọc offline!"; },
         {kFooter, kHeight}},
        {"progress", [](Page& p) { p.progress = "13%"; }, {0, kHeader}},
        // Content beneath the header shows nowhere: no row changes.
        {"line under the header",
         [](Page& p) {
             p.scroll = 40;
             p.lines[0] = "Một dòng khác";
         },
         {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Page before;
        Page after;
        c.change(after);
        before.scroll = after.scroll;
        const RowPlan plan = bring(frame_of(before), frame_of(after));
        EXPECT_EQ(plan.shift, 0);
        for (const RowSpan span : plan.changed) {
            EXPECT_GE(span.begin, c.bar.begin);
            EXPECT_LE(span.end, c.bar.end);
        }
        EXPECT_EQ(plan.changed.empty(), c.bar.empty());
        EXPECT_EQ(rows_drawn(plan), [&] {
            std::size_t rows = 0;
            for (const RowSpan span : plan.changed)
                rows += span.size();
            return rows;
        }()) << "unshifted, exactly the changed rows are drawn";
    }
}

TEST_F(RowPlanTest, ScrolledContentIsShiftedAndOnlyTheBandsAroundItAreDrawn) {
    const struct {
        std::int32_t from, to;
        std::int64_t shift;
    } cases[] = {
        {0, 18, 18},  // a line down: the page moves up
        {40, 33, -7},
        {60, 61, 1},
        {0, 150, 0},  // past a whole screen nothing stays: drawn whole
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to));
        Page before;
        before.scroll = c.from;
        Page after;
        after.scroll = c.to;
        const RowPlan plan = bring(frame_of(before), frame_of(after));
        EXPECT_EQ(plan.shift, c.shift);
        if (c.shift != 0) {
            // The bars, the band that came into view, and the rows where a
            // line crossed the clip row; far less than the screen.
            EXPECT_LT(rows_drawn(plan), kHeight / 2) << rows_drawn(plan);
            EXPECT_TRUE(in_spans(plan.changed, kHeader + 10)) << "the device still needs the rows";
        }
    }
}

TEST_F(RowPlanTest, APanelOverTheFrameDrawsOnlyItsOwnOperationsAndClosingItDrawsAgain) {
    Page screen;
    Page with_panel;
    with_panel.panel = true;
    const IndexedFrame plain = frame_of(screen);
    const IndexedFrame darkened = frame_of(with_panel);
    const RowPlan opened = bring(plain, darkened);
    std::size_t dim_at = 0;
    while (darkened.list.ops()[dim_at].kind != DrawKind::Dim)
        ++dim_at;
    ASSERT_FALSE(opened.redraws.empty());
    for (const RowPlan::Redraw& redraw : opened.redraws)
        EXPECT_GE(redraw.first_op, dim_at)
            << "rows " << redraw.rows.begin << "-" << redraw.rows.end;
    EXPECT_EQ(opened.changed, (std::vector<RowSpan>{{0, kHeight}}));

    const RowPlan closed = bring(darkened, plain);
    EXPECT_EQ(closed.changed, (std::vector<RowSpan>{{0, kHeight}}));
}

TEST_F(RowPlanTest, ANewBackgroundOrANewSizeIsDrawnWhole) {
    Page paper;
    Page night;
    night.background = 0xFF0A0E17;
    const RowPlan theme = bring(frame_of(paper), frame_of(night));
    // The bars paint their rows whole: the background shows only between.
    EXPECT_EQ(theme.changed, (std::vector<RowSpan>{{kHeader, kFooter}}));

    DrawList smaller(kWidth, kHeight - 1, text);
    record(paper, smaller);
    const IndexedFrame other_size(std::move(smaller));
    const IndexedFrame same = frame_of(paper);
    const RowPlan resized = plan_rows(&other_size, same);
    EXPECT_EQ(resized.changed, (std::vector<RowSpan>{{0, kHeight}}));
    ASSERT_EQ(resized.redraws.size(), 1u);
    EXPECT_EQ(resized.redraws[0], (RowPlan::Redraw{{0, kHeight}, 0}));
    EXPECT_EQ(plan_rows(nullptr, same).redraws, resized.redraws);
}

// Random frames of few colours and texts, so that operations often agree,
// and random changes between them: shifted content, an operation changed,
// dropped or added, a panel over it all.
class RandomFrames {
  public:
    explicit RandomFrames(unsigned seed) : random_(seed) {}

    struct Op {
        DrawKind kind;
        std::int32_t x, y, w, h, r;
        std::uint32_t colour;
        std::string text;
        float size;
        bool scrolls;  // moves with the content offset
    };

    std::vector<Op> frame() {
        std::vector<Op> ops;
        ops.push_back({DrawKind::Fill, 0, 0, 0, 0, 0, colour(), "", 0, false});
        const int count = pick(2, 9);
        for (int i = 0; i < count; ++i)
            ops.push_back(op());
        return ops;
    }

    std::pair<std::vector<Op>, std::int32_t> changed(std::vector<Op> ops) {
        std::int32_t shift = 0;
        const int change = pick(0, 7);
        const auto any = [&] {
            return static_cast<std::size_t>(pick(0, static_cast<int>(ops.size()) - 1));
        };
        if (change == 0) {
            shift = pick(-30, 30);
            for (Op& op : ops) {
                if (op.scrolls)
                    op.y -= shift;
            }
        } else if (change == 1) {
            ops[any()].colour = colour();
        } else if (change == 2) {
            if (ops.size() > 1)
                ops.erase(ops.begin() + pick(1, static_cast<int>(ops.size()) - 1));
        } else if (change == 3) {
            ops.insert(ops.begin() + pick(1, static_cast<int>(ops.size())), op());
        } else if (change <= 6) {
            // One measure of one operation, the rest as it was.
            change_measure(ops[any()], op());
        } else {
            ops.push_back({DrawKind::Dim, 0, 0, 0, 0, 0, 0, "", 0, false});
            ops.push_back(op());
        }
        return {ops, shift};
    }

    static void record(const std::vector<Op>& ops, std::int64_t offset, DrawList& list) {
        list.set_content_offset(offset);
        for (const Op& op : ops) {
            switch (op.kind) {
                case DrawKind::Fill:
                    list.fill(op.colour);
                    break;
                case DrawKind::Rect:
                    list.fill_rect(op.x, op.y, op.w, op.h, op.colour);
                    break;
                case DrawKind::RoundedRect:
                    list.fill_rounded_rect(op.x, op.y, op.w, op.h, op.r, op.colour);
                    break;
                case DrawKind::Text:
                    list.draw_text(op.text, op.x, op.y, op.colour, op.size);
                    break;
                case DrawKind::Dim:
                    list.dim();
                    break;
                case DrawKind::Cover:
                    break;
            }
        }
    }

  private:
    void change_measure(Op& changed, const Op& other) {
        const int measure = pick(0, 5);
        if (measure == 0)
            changed.x = other.x;
        else if (measure == 1)
            changed.w = other.w;
        else if (measure == 2)
            changed.h = other.h;
        else if (measure == 3)
            changed.r = other.r;
        else if (measure == 4)
            changed.size = other.size;
        else
            changed.text = other.text;
    }

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    std::uint32_t colour() {
        constexpr std::uint32_t kColours[] = {0xFFF6F2E8, 0xFF0D9488, 0xFF1C1917, 0xFFE8E0CE};
        return kColours[pick(0, 3)];
    }
    Op op() {
        constexpr const char* kTexts[] = {"Tin", "Thế giới", "gjpqy", "ẪẤ"};
        const auto kind = static_cast<DrawKind>(pick(1, 3));
        const bool scrolls = pick(0, 1) == 1;
        const bool bar = pick(0, 3) == 0;
        // Bars across the whole width now and then, which hide what lies
        // beneath, and bars a pixel short of it, which do not.
        const std::int32_t x = bar ? pick(0, 1) : pick(-10, 60);
        const std::int32_t w = bar ? 64 - pick(0, 1) + pick(0, 1) * 16 : pick(1, 50);
        const std::int32_t y = pick(-20, 60);
        return {kind,
                x,
                y,
                w,
                pick(1, 30),
                pick(0, 8),
                colour(),
                kTexts[pick(0, 3)],
                static_cast<float>(pick(8, 16)),
                scrolls};
    }

    std::mt19937 random_;
};

TEST(RowPlanRandom, EveryPlannedFrameEqualsAFreshDrawingAndUnchangedRowsAreUnchanged) {
    constexpr std::size_t kW = 64;
    constexpr std::size_t kH = 48;
    Framebuffer measuring = Framebuffer::in_memory(1, 1);
    TextRenderer text(glyphs(), measuring);
    const auto fresh = [&](const DrawList& list) {
        Framebuffer surface = Framebuffer::in_memory(kW, kH);
        TextRenderer surface_text(glyphs(), surface);
        list.replay(surface, surface_text, {0, kH});
        return pixels_of(surface);
    };
    RandomFrames random(20260912);
    // The surface keeps each frame for the next, as a renderer's does.
    Framebuffer surface = Framebuffer::in_memory(kW, kH);
    TextRenderer surface_text(glyphs(), surface);
    std::optional<IndexedFrame> shown;
    std::int64_t offset = 0;
    std::vector<RandomFrames::Op> ops = random.frame();
    for (int round = 0; round < 800; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        if (round % 25 == 0)
            ops = random.frame();
        auto [next_ops, shift] = random.changed(ops);
        offset -= shift;
        DrawList list(kW, kH, text);
        RandomFrames::record(next_ops, offset, list);
        IndexedFrame next(std::move(list));
        const RowPlan plan = plan_rows(shown ? &*shown : nullptr, next);
        apply_plan(plan, next.list, surface, surface_text);

        const std::vector<std::uint32_t> expected = fresh(next.list);
        ASSERT_EQ(pixels_of(surface), expected);
        if (shown) {
            const std::vector<std::uint32_t> earlier = fresh(shown->list);
            for (std::size_t y = 0; y < kH; ++y) {
                if (!in_spans(plan.changed, y)) {
                    ASSERT_TRUE(same_row(earlier, expected, kW, y)) << "row " << y;
                }
            }
        }
        shown.emplace(std::move(next));
        ops = std::move(next_ops);
    }
}

}  // namespace
}  // namespace papyr
