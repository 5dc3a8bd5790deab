// The reader's layouts are kept per font scale and made ahead in frames that
// draw nothing; whatever the order, each is the layout made afresh, and an
// article changed in any way is laid out again.

#include <gtest/gtest.h>

#include "graphics/text_renderer.h"
#include "main/reader_screen.h"
#include "main/screen_content.h"
#include "main/theme.h"

namespace papyr {
namespace {

ArticleDetail without_summary() {
    ArticleDetail article = test::sample_article();
    article.lead.clear();
    return article;
}

ArticleDetail with_empty_paragraph() {
    ArticleDetail article = test::sample_article();
    article.paragraphs.insert(article.paragraphs.begin() + 1, "");
    return article;
}

class ReaderLayouts : public ::testing::Test {
  protected:
    ReaderLayout fresh(const ArticleDetail& article, std::size_t scale, std::int32_t width) const {
        return layout_article(article, kFontScales[scale], width, text);
    }

    Framebuffer surface = Framebuffer::in_memory(1, 1);
    TextRenderer text{test::shared_glyphs(), surface};
};

TEST_F(ReaderLayouts, LayoutsMadeAheadAreTheLayoutsMadeAfresh) {
    for (const ArticleDetail& article :
         {test::sample_article(), without_summary(), with_empty_paragraph()}) {
        SCOPED_TRACE(article.lead.empty() ? "no summary" : article.paragraphs[1]);
        for (const std::int32_t width : {1024, 1280}) {
            ReaderLayoutCache cache;
            const ReaderLayout& shown = cache.layout_for(article, 1, width, text);
            EXPECT_EQ(shown, fresh(article, 1, width));
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

TEST_F(ReaderLayouts, AChangedArticleOrWidthIsLaidOutAgainAtEveryScale) {
    ReaderLayoutCache cache;
    const ArticleDetail article = test::sample_article();
    while (cache.lay_out_another(article, 0, 1024, text)) {
    }
    ArticleDetail edited = article;
    edited.paragraphs.back().replace(0, 3, "Sau");  // the same length, other words
    EXPECT_TRUE(cache.lay_out_another(edited, 0, 1024, text));
    EXPECT_EQ(cache.layout_for(edited, 2, 1024, text), fresh(edited, 2, 1024));
    EXPECT_EQ(cache.layout_for(edited, 2, 1280, text), fresh(edited, 2, 1280));
    EXPECT_EQ(cache.layout_for(article, 2, 1280, text), fresh(article, 2, 1280));
}

}  // namespace
}  // namespace papyr
