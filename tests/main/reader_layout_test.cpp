// The reader's layouts are kept per font scale and made ahead in frames that
// draw nothing; whatever the order, each is the layout made afresh, and an
// article or width changed in any way is laid out again.

#include <gtest/gtest.h>

#include "graphics/text_renderer.h"
#include "main/reader_screen.h"
#include "main/screen_content.h"
#include "main/theme.h"

namespace papyr {
namespace {

TEST(ReaderLayouts, LayoutsMadeAheadAreTheLayoutsMadeAfreshForTheArticleAndWidthAsked) {
    Framebuffer surface = Framebuffer::in_memory(1, 1);
    const TextRenderer text(test::shared_glyphs(), surface);
    const auto fresh = [&](const ArticleDetail& article, std::size_t scale, std::int32_t width) {
        return layout_article(article, kFontScales[scale], width, text);
    };
    ArticleDetail no_summary = test::sample_article();
    no_summary.lead.clear();
    ArticleDetail edited = test::sample_article();
    edited.paragraphs.back().replace(0, 3, "Sau");  // the same length, other words
    ReaderLayoutCache cache;
    for (const ArticleDetail& article : {test::sample_article(), no_summary, edited}) {
        for (const std::int32_t width : {1024, 1280}) {
            SCOPED_TRACE(std::to_string(width) + (article.lead.empty() ? ", no summary" : ""));
            EXPECT_EQ(cache.layout_for(article, 1, width, text), fresh(article, 1, width));
            // The three other scales, then nothing more to do.
            for (int i = 0; i < 3; ++i)
                EXPECT_TRUE(cache.lay_out_another(article, 1, width, text));
            EXPECT_FALSE(cache.lay_out_another(article, 1, width, text));
            for (std::size_t scale = 0; scale < kFontScaleCount; ++scale)
                EXPECT_EQ(cache.layout_for(article, scale, width, text),
                          fresh(article, scale, width));
        }
    }
}

}  // namespace
}  // namespace papyr
