#pragma once

// Vietnamese content for the screen tests and goldens: headlines, an article
// with every field, a source with many categories and an update; and the
// glyphs of the embedded font, rasterised once for all screen tests.

#include <cstddef>
#include <string>
#include <vector>

#include "graphics/glyph_cache.h"
#include "main/app_state.h"

namespace papyr::test {

// `count` headlines, each with its own title, lead, source name and date.
std::vector<NewsFeedItem> headlines(std::size_t count);

// A source with eight categories, for the sliding category tabs.
NewsSource eight_category_source();

// A long article: a two-line title, a summary and eight paragraphs.
ArticleDetail sample_article();

OtaManifest sample_update();

// The catalogue and start values the program has, nothing loaded yet.
AppState fresh_state();

GlyphCache& shared_glyphs();

}  // namespace papyr::test
