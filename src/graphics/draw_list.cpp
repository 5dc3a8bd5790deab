#include "graphics/draw_list.h"

#include <algorithm>

namespace papyr {

DrawList::DrawList(std::size_t width, std::size_t height, const TextRenderer& text)
    : width_(width), height_(height), text_(&text) {}

RowSpan DrawList::clipped_rows(std::int64_t y, std::int64_t h) const {
    const std::int64_t top = std::max<std::int64_t>(y, 0);
    const std::int64_t bottom = std::min(y + h, static_cast<std::int64_t>(height_));
    if (bottom <= top)
        return {};
    return {static_cast<std::size_t>(top), static_cast<std::size_t>(bottom)};
}

bool DrawList::has_columns(std::int64_t x, std::int64_t w) const {
    return std::min(x + w, static_cast<std::int64_t>(width_)) > std::max<std::int64_t>(x, 0);
}

void DrawList::fill(std::uint32_t colour) {
    if (width_ == 0 || height_ == 0)
        return;
    DrawOp& op = ops_.emplace_back();
    op.kind = DrawKind::Fill;
    op.colour = colour;
    op.rows = {0, height_};
}

void DrawList::fill_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                         std::uint32_t colour) {
    const RowSpan rows = clipped_rows(y, h);
    if (rows.empty() || !has_columns(x, w))
        return;
    ops_.push_back({DrawKind::Rect, x, y, w, h, 0, colour, 0, {}, rows});
}

void DrawList::hline(std::int32_t x, std::int32_t y, std::int32_t w, std::uint32_t colour) {
    fill_rect(x, y, w, 1, colour);
}

void DrawList::fill_rounded_rect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                                 std::int32_t r, std::uint32_t colour) {
    const RowSpan rows = clipped_rows(y, h);
    if (rows.empty() || !has_columns(x, w))
        return;
    ops_.push_back({DrawKind::RoundedRect, x, y, w, h, r, colour, 0, {}, rows});
}

void DrawList::dim() {
    if (width_ == 0 || height_ == 0)
        return;
    DrawOp& op = ops_.emplace_back();
    op.kind = DrawKind::Dim;
    op.rows = {0, height_};
}

void DrawList::set_covered(Framebuffer::Rect covered) {
    ops_.push_back({DrawKind::Cover, covered.x, covered.y, covered.w, covered.h, 0, 0, 0, {}, {}});
}

void DrawList::draw_text(std::string_view text, std::int32_t x, std::int32_t y,
                         std::uint32_t colour, float size) {
    const InkRows ink = text_->ink_rows(text, y, size);
    if (ink.empty())
        return;
    const RowSpan rows = clipped_rows(ink.top, ink.bottom - ink.top);
    if (rows.empty())
        return;
    ops_.push_back({DrawKind::Text, x, y, 0, 0, 0, colour, size, std::string(text), rows});
}

void DrawList::draw_badge(std::string_view text, std::int32_t x, std::int32_t y,
                          std::uint32_t background, std::uint32_t foreground, float size) {
    const TextRenderer::BadgeBox box = text_->badge_box(text, size);
    fill_rounded_rect(x, y, box.width, box.height, TextRenderer::kBadgeRadius, background);
    draw_text(text, x + TextRenderer::kBadgeTextX, y + TextRenderer::kBadgeTextY, foreground, size);
}

void DrawList::replay(Framebuffer& surface, TextRenderer& text, RowSpan rows,
                      std::size_t first_op) const {
    rows.end = std::min(rows.end, height_);
    if (rows.empty())
        return;
    Framebuffer::Rect covered;
    for (std::size_t i = 0; i < first_op && i < ops_.size(); ++i) {
        if (ops_[i].kind == DrawKind::Cover)
            covered = {ops_[i].x, ops_[i].y, ops_[i].w, ops_[i].h};
    }
    surface.set_covered(covered);
    surface.set_row_clip(rows);
    for (std::size_t i = first_op; i < ops_.size(); ++i) {
        const DrawOp& op = ops_[i];
        if (op.kind == DrawKind::Cover) {
            surface.set_covered({op.x, op.y, op.w, op.h});
            continue;
        }
        if (op.rows.end <= rows.begin || op.rows.begin >= rows.end)
            continue;
        switch (op.kind) {
            case DrawKind::Fill:
                surface.fill(op.colour);
                break;
            case DrawKind::Rect:
                surface.fill_rect(op.x, op.y, op.w, op.h, op.colour);
                break;
            case DrawKind::RoundedRect:
                surface.fill_rounded_rect(op.x, op.y, op.w, op.h, op.radius, op.colour);
                break;
            case DrawKind::Text:
                text.draw_text(op.text, op.x, op.y, op.colour, op.size);
                break;
            case DrawKind::Dim:
                surface.dim();
                break;
            case DrawKind::Cover:
                break;
        }
    }
    surface.set_covered({});
    surface.clear_row_clip();
}

}  // namespace papyr
