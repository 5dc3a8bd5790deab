// The extraction sequence: bytes to UTF-8, UTF-8 to a tree, the metadata,
// the publisher's rules, the body candidates and their comparison, the last
// filtering of the body, the record.

#include "extraction/extract.h"

#include "extraction/assemble.h"
#include "extraction/block_filter.h"
#include "extraction/content.h"
#include "extraction/html.h"
#include "extraction/metadata.h"
#include "extraction/rules.h"
#include "html/charset.h"
#include "html/unread_content.h"

namespace papyr::extraction {
namespace {

constexpr std::string_view kNoArticleText = "Không tìm thấy nội dung bài viết";

// A body of only a few words, none of them in a paragraph element, is page
// furniture that survived the pruning (a lone "menu" box, a "Liên hệ" line),
// not an article: the reader is better served by the message than by a page
// that looks empty. A real paragraph, list, quotation, table or preformatted
// text, however short, counts as text; loose text and headings do not.
constexpr std::uint64_t kMinLooseWords = 8;

bool only_furniture(const Document& document, const std::vector<Block>& blocks) {
    std::uint64_t words = 0;
    for (const Block& block : blocks) {
        const bool structured =
            block.kind != BlockKind::Paragraph && block.kind != BlockKind::Heading;
        if (structured || (block.node != kNoNode && document.is_element(block.node, "p")))
            return false;
        words += count_words(block.text);
    }
    return words < kMinLooseWords;
}

}  // namespace

Result<ArticleDetail> extract_article(const Page& page) {
    const std::string_view bytes = page.bytes.substr(0, kMaxPageBytes);
    std::string text =
        html::decode_to_utf8(bytes, html::detect_charset(bytes, page.declared_charset));
    html::drop_unread_content(text);
    auto document = parse_html(text);
    if (!document)
        return fail(std::move(document).error());

    const Metadata metadata = read_metadata(*document, page.default_utc_offset_minutes);
    std::optional<RuleMatch> rules;
    if (page.rules != nullptr)
        rules = apply_site_rules(*document, *page.rules, page.default_utc_offset_minutes);
    const RuleMatch* rule_match = rules ? &*rules : nullptr;

    ArticleParts parts = find_parts(page, *document, metadata, rule_match);
    BodyChoice body = choose_body(*document, rule_match, metadata);
    FilterContext context{
        &*document, parts.title, parts.lead, parts.authors,
        page.rules != nullptr ? page.rules->drop_paragraphs : std::vector<std::string>()};
    const auto blocks = filter_blocks(std::move(body.blocks), context);
    if (blocks.empty() || only_furniture(*document, blocks))
        return fail(std::string(kNoArticleText));
    return assemble_article(page, std::move(parts), blocks);
}

}  // namespace papyr::extraction
