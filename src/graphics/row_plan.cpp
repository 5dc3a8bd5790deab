#include "graphics/row_plan.h"

#include <bit>

namespace papyr {
namespace {

// Paints every pixel of each row it touches with one colour, so nothing
// drawn before it shows there. A covered rectangle does not change that:
// what it spares is painted over whole later in the same frame.
bool paints_whole_rows(const DrawOp& op, std::size_t width) {
    if (op.kind == DrawKind::Fill)
        return true;
    return op.kind == DrawKind::Rect && op.x <= 0 &&
           std::int64_t{op.x} + op.w >= static_cast<std::int64_t>(width);
}

// Whether operation a writes row a_row exactly as b writes b_row, given the
// same pixels beneath. Only what the pixels of one row depend on counts:
// for shapes and text their offset from the row, not where they stand.
bool same_on_row(const DrawOp& a, std::size_t a_row, const DrawOp& b, std::size_t b_row) {
    if (a.kind != b.kind || a.colour != b.colour)
        return false;
    const auto offset = [](const DrawOp& op, std::size_t row) {
        return static_cast<std::int64_t>(row) - op.y;
    };
    switch (a.kind) {
        case DrawKind::Fill:
        case DrawKind::Dim:
        case DrawKind::Cover:
            return true;
        case DrawKind::Rect:
            return a.x == b.x && a.w == b.w;
        case DrawKind::RoundedRect:
            return a.x == b.x && a.w == b.w && a.h == b.h && a.radius == b.radius &&
                   offset(a, a_row) == offset(b, b_row);
        case DrawKind::Text:
            return a.x == b.x &&
                   std::bit_cast<std::uint32_t>(a.size) == std::bit_cast<std::uint32_t>(b.size) &&
                   offset(a, a_row) == offset(b, b_row) && a.text == b.text;
    }
    return false;
}

// How row `row` of the next frame relates to row `source` of the shown one.
struct RowMatch {
    enum class Kind : std::uint8_t { Same, Extends, Differs } kind = Kind::Differs;
    std::size_t first_op = 0;  // Extends, Differs: where its replay starts
};

RowMatch match_row(const IndexedFrame& shown, std::size_t source, const IndexedFrame& next,
                   std::size_t row) {
    const std::span<const std::uint32_t> before = shown.rows.at(source);
    const std::span<const std::uint32_t> after = next.rows.at(row);
    const auto differs = [&] {
        return RowMatch{RowMatch::Kind::Differs, after.empty() ? next.list.ops().size() : after[0]};
    };
    if (before.size() > after.size())
        return differs();
    const std::span<const DrawOp> old_ops = shown.list.ops();
    const std::span<const DrawOp> new_ops = next.list.ops();
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!same_on_row(old_ops[before[i]], source, new_ops[after[i]], row))
            return differs();
    }
    if (before.size() == after.size())
        return {RowMatch::Kind::Same, 0};
    return {RowMatch::Kind::Extends, after[before.size()]};
}

// Rows with nothing to do are skipped; consecutive rows that start their
// replay at the same operation share one replay.
void add_redraw(std::vector<RowPlan::Redraw>& redraws, std::size_t row, std::size_t first_op) {
    if (!redraws.empty() && redraws.back().rows.end == row && redraws.back().first_op == first_op) {
        ++redraws.back().rows.end;
        return;
    }
    redraws.push_back({{row, row + 1}, first_op});
}

void add_span(std::vector<RowSpan>& spans, RowSpan rows) {
    if (!spans.empty() && spans.back().end == rows.begin) {
        spans.back().end = rows.end;
        return;
    }
    spans.push_back(rows);
}

std::vector<RowPlan::Redraw> redraws_for_shift(const IndexedFrame& shown, const IndexedFrame& next,
                                               std::int64_t shift) {
    std::vector<RowPlan::Redraw> redraws;
    const auto height = static_cast<std::int64_t>(next.list.height());
    for (std::int64_t row = 0; row < height; ++row) {
        const std::int64_t source = row + shift;
        const auto at = static_cast<std::size_t>(row);
        if (source < 0 || source >= height) {
            const std::span<const std::uint32_t> ops = next.rows.at(at);
            add_redraw(redraws, at, ops.empty() ? next.list.ops().size() : ops[0]);
            continue;
        }
        const RowMatch match = match_row(shown, static_cast<std::size_t>(source), next, at);
        if (match.kind != RowMatch::Kind::Same)
            add_redraw(redraws, at, match.first_op);
    }
    return redraws;
}

std::size_t rows_to_draw(const std::vector<RowPlan::Redraw>& redraws) {
    std::size_t rows = 0;
    for (const RowPlan::Redraw& redraw : redraws)
        rows += redraw.rows.size();
    return rows;
}

}  // namespace

RowOps::RowOps(const DrawList& list) {
    const std::size_t height = list.height();
    const std::span<const DrawOp> ops = list.ops();
    // Counted first, so every row's indices sit together in one array.
    std::vector<std::size_t> counts(height + 1, 0);
    for (const DrawOp& op : ops) {
        for (std::size_t row = op.rows.begin; row < op.rows.end && row < height; ++row)
            ++counts[row];
    }
    starts_.assign(height + 1, 0);
    for (std::size_t row = 0; row < height; ++row)
        starts_[row + 1] = starts_[row] + counts[row];
    indices_.resize(starts_[height]);
    firsts_.assign(starts_.begin(), starts_.end() - 1);
    std::vector<std::size_t> next(starts_.begin(), starts_.end() - 1);
    for (std::size_t i = 0; i < ops.size(); ++i) {
        const DrawOp& op = ops[i];
        const bool whole = paints_whole_rows(op, list.width());
        for (std::size_t row = op.rows.begin; row < op.rows.end && row < height; ++row) {
            if (whole)
                firsts_[row] = next[row];
            indices_[next[row]++] = static_cast<std::uint32_t>(i);
        }
    }
}

std::span<const std::uint32_t> RowOps::at(std::size_t row) const {
    return std::span(indices_).subspan(firsts_[row], starts_[row + 1] - firsts_[row]);
}

RowPlan plan_rows(const IndexedFrame* shown, const IndexedFrame& next) {
    RowPlan plan;
    const std::size_t height = next.list.height();
    if (shown == nullptr || shown->list.width() != next.list.width() ||
        shown->list.height() != height) {
        if (height > 0) {
            plan.redraws.push_back({{0, height}, 0});
            plan.changed.push_back({0, height});
        }
        return plan;
    }
    // Unshifted, a row needs drawing exactly when it differs from the row
    // the device shows.
    plan.redraws = redraws_for_shift(*shown, next, 0);
    for (const RowPlan::Redraw& redraw : plan.redraws)
        add_span(plan.changed, redraw.rows);
    const std::int64_t shift = shown->list.content_offset() - next.list.content_offset();
    if (shift != 0 && shift < static_cast<std::int64_t>(height) &&
        -shift < static_cast<std::int64_t>(height)) {
        std::vector<RowPlan::Redraw> shifted = redraws_for_shift(*shown, next, shift);
        if (rows_to_draw(shifted) < rows_to_draw(plan.redraws)) {
            plan.redraws = std::move(shifted);
            plan.shift = shift;
        }
    }
    return plan;
}

void apply_plan(const RowPlan& plan, const DrawList& next, Framebuffer& surface,
                TextRenderer& text) {
    if (plan.shift != 0)
        surface.shift_rows(plan.shift);
    for (const RowPlan::Redraw& redraw : plan.redraws)
        next.replay(surface, text, redraw.rows, redraw.first_op);
}

}  // namespace papyr
