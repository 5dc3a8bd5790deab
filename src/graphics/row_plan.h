#pragma once

// What a new frame changes on a surface that holds an earlier one, row by
// row. A row's pixels follow from the operations that write it, in order,
// from the last one that paints the whole row opaquely (the background, a
// bar): two rows whose operations agree there hold the same pixels, whatever
// was drawn beneath. So the new frame needs only its rows that differ drawn
// again, only those presented, and a row whose operations extend the old
// row's only the operations that follow; rows that moved with scrolled
// content are shifted into place instead of drawn.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "graphics/draw_list.h"
#include "graphics/framebuffer.h"
#include "graphics/text_renderer.h"

namespace papyr {

// For each row of a recorded frame, the operations that decide its pixels.
class RowOps {
  public:
    explicit RowOps(const DrawList& list);

    std::size_t height() const { return starts_.size() - 1; }
    // Indices into the list's operations, in drawing order, from the row's
    // last opaque whole-row operation on (from the first when it has none).
    std::span<const std::uint32_t> at(std::size_t row) const;

  private:
    std::vector<std::uint32_t> indices_;  // every row's operations, row after row
    std::vector<std::size_t> starts_;     // where each row's begin in indices_; height + 1
    std::vector<std::size_t> firsts_;     // the first that counts for each row
};

// A recorded frame with its rows indexed, as a renderer keeps the frame the
// surface holds.
struct IndexedFrame {
    explicit IndexedFrame(DrawList frame) : list(std::move(frame)), rows(list) {}
    DrawList list;
    RowOps rows;
};

struct RowPlan {
    // First shift the surface's rows by this much (Framebuffer::shift_rows).
    std::int64_t shift = 0;
    // Then replay the new frame's operations from first_op on in these rows.
    struct Redraw {
        RowSpan rows;
        std::size_t first_op = 0;
        bool operator==(const Redraw&) const = default;
    };
    std::vector<Redraw> redraws;
    // The rows whose pixels differ from the old frame's: what to present.
    std::vector<RowSpan> changed;
};

// The plan that brings `next` onto a surface holding `shown`; with no
// shown frame (or one of another size) every row is drawn and changed. Of
// no shift and the shift the frames' content offsets suggest, the one that
// leaves fewer rows to draw is taken.
RowPlan plan_rows(const IndexedFrame* shown, const IndexedFrame& next);

// Carries the plan out: the shift, then the replays.
void apply_plan(const RowPlan& plan, const DrawList& next, Framebuffer& surface,
                TextRenderer& text);

}  // namespace papyr
