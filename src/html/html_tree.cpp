#include "html/html_tree.h"

#include <gumbo.h>
#include <strings.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "html/markup_bounds.h"

namespace papyr::html {
namespace {

// All of gumbo's memory comes from this arena, for two reasons. A budget: a
// page crafted to make the parser clone elements without end (the HTML5
// rules for misnested formatting allow it) is stopped when it passes the
// limit, by jumping out of the parser; gumbo cannot report a failed
// allocation itself. And speed: freed blocks are reused by size class and
// everything goes at once at the end, without gumbo's recursive destroy
// (which a deep tree would overflow).
class ParserArena {
  public:
    explicit ParserArena(std::size_t budget) : budget_(budget) {}
    ParserArena(const ParserArena&) = delete;
    ParserArena& operator=(const ParserArena&) = delete;
    ~ParserArena() {
        while (chunks_ != nullptr) {
            Chunk* next = chunks_->next;
            std::free(chunks_);
            chunks_ = next;
        }
    }

    std::jmp_buf escape{};

    void* allocate(std::size_t size) {
        // gumbo writes a byte or so past some of the blocks it asks for,
        // which malloc's rounding hides; every block gets that slack here.
        size += kSlack;
        const unsigned size_class = class_of(size);
        if (size_class < kClasses && free_[size_class] != nullptr) {
            Block* block = free_[size_class];
            free_[size_class] = block->next_free;
            block->size_class = size_class;
            return block + 1;
        }
        const std::size_t bytes =
            sizeof(Block) + (size_class < kClasses ? class_size(size_class) : round_up(size));
        Block* block = static_cast<Block*>(take(bytes));
        block->size_class = size_class;
        return block + 1;
    }

    void release(void* pointer) {
        if (pointer == nullptr)
            return;
        Block* block = static_cast<Block*>(pointer) - 1;
        if (block->size_class >= kClasses)
            return;  // large blocks live until the arena goes
        block->next_free = free_[block->size_class];
        free_[block->size_class] = block;
    }

  private:
    static constexpr unsigned kClasses = 17;  // 16 bytes to 1 MiB
    static constexpr std::size_t kSlack = 16;
    static constexpr std::size_t kChunkBytes = std::size_t{256} << 10;

    struct alignas(16) Block {
        union {
            unsigned size_class;
            Block* next_free;
        };
    };
    struct alignas(16) Chunk {
        Chunk* next;
        std::size_t used;
        std::size_t capacity;
    };

    static std::size_t class_size(unsigned size_class) { return std::size_t{16} << size_class; }
    static unsigned class_of(std::size_t size) {
        unsigned size_class = 0;
        while (size_class < kClasses && class_size(size_class) < size)
            ++size_class;
        return size_class;
    }
    static std::size_t round_up(std::size_t size) { return (size + 15) / 16 * 16; }

    // Bytes from the current chunk, or from a new one; over budget the
    // parse is abandoned.
    void* take(std::size_t bytes) {
        if (chunks_ == nullptr || chunks_->capacity - chunks_->used < bytes) {
            const std::size_t capacity = bytes > kChunkBytes ? bytes : kChunkBytes;
            if (reserved_ + capacity > budget_)
                std::longjmp(escape, 1);
            void* memory = std::malloc(sizeof(Chunk) + capacity);
            if (memory == nullptr)
                std::longjmp(escape, 1);
            reserved_ += capacity;
            Chunk* chunk = static_cast<Chunk*>(memory);
            chunk->capacity = capacity;
            chunk->used = 0;
            // A big one-off block gets a chunk of its own behind the current
            // one, so the current chunk's free space is not lost.
            if (chunks_ != nullptr && capacity > kChunkBytes) {
                chunk->next = chunks_->next;
                chunks_->next = chunk;
            } else {
                chunk->next = chunks_;
                chunks_ = chunk;
            }
            if (chunk != chunks_) {
                chunk->used = bytes;
                return reinterpret_cast<char*>(chunk + 1);
            }
        }
        void* at = reinterpret_cast<char*>(chunks_ + 1) + chunks_->used;
        chunks_->used += bytes;
        return at;
    }

    std::size_t budget_;
    std::size_t reserved_ = 0;
    Chunk* chunks_ = nullptr;
    Block* free_[kClasses] = {};
};

void* arena_allocate(void* arena, std::size_t size) {
    return static_cast<ParserArena*>(arena)->allocate(size);
}

void arena_release(void* arena, void* pointer) {
    static_cast<ParserArena*>(arena)->release(pointer);
}

// Kept apart so that nothing with a destructor lives in the frame that the
// arena's longjmp returns to.
GumboOutput* run_parser(const GumboOptions* options, const char* text, std::size_t size,
                        ParserArena* arena) {
    if (setjmp(arena->escape) != 0)
        return nullptr;
    return gumbo_parse_with_options(options, text, size);
}

// Elements whose content is never article text; only their own node is kept.
bool skips_content(GumboTag tag) {
    return tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_SVG || tag == GUMBO_TAG_MATH ||
           tag == GUMBO_TAG_IFRAME || tag == GUMBO_TAG_TEXTAREA || tag == GUMBO_TAG_SELECT ||
           tag == GUMBO_TAG_OBJECT || tag == GUMBO_TAG_NOFRAMES || tag == GUMBO_TAG_CANVAS;
}

bool is_json_ld(const GumboElement& element) {
    const GumboAttribute* type = gumbo_get_attribute(&element.attributes, "type");
    return type != nullptr && strcasecmp(type->value, "application/ld+json") == 0;
}

}  // namespace

class TreeBuilder {
  public:
    TreeBuilder(Document& document, const ParseLimits& limits)
        : document_(document), limits_(limits) {}

    void build(const GumboNode* gumbo_root, std::size_t expected_nodes) {
        document_.nodes_.reserve(std::min(expected_nodes, limits_.max_nodes));
        Node root;
        root.kind = NodeKind::Document;
        document_.nodes_.push_back(std::move(root));
        struct Pending {
            const GumboNode* node;
            NodeId parent;
        };
        std::vector<Pending> stack;
        push_children(gumbo_root, 0, stack);
        while (!stack.empty() && document_.nodes_.size() < limits_.max_nodes) {
            const Pending pending = stack.back();
            stack.pop_back();
            const GumboNode* node = pending.node;
            if (node->type == GUMBO_NODE_ELEMENT) {
                const GumboElement& element = node->v.element;
                if (element.tag_namespace != GUMBO_NAMESPACE_HTML && element.tag != GUMBO_TAG_SVG &&
                    element.tag != GUMBO_TAG_MATH)
                    continue;  // inside svg or math, already skipped
                const NodeId parent = pending.parent;
                // Past the depth limit, the element's children join the
                // ancestor at the limit.
                const NodeId id = document_.nodes_[parent].depth + 1 >= limits_.max_depth
                                      ? parent
                                      : add_element(element, parent);
                if (skips_content(element.tag))
                    continue;
                if (element.tag == GUMBO_TAG_SCRIPT && !is_json_ld(element))
                    continue;
                push_children(node, id, stack);
            } else if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
                       node->type == GUMBO_NODE_CDATA) {
                add_text(node->v.text.text, pending.parent);
            }
        }
    }

  private:
    template <class Stack>
    void push_children(const GumboNode* node, NodeId parent, Stack& stack) {
        const GumboVector& children = node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children
                                                                        : node->v.element.children;
        for (unsigned i = children.length; i-- > 0;)
            stack.push_back({static_cast<const GumboNode*>(children.data[i]), parent});
    }

    std::string_view tag_name(const GumboElement& element) {
        if (element.tag != GUMBO_TAG_UNKNOWN)
            return gumbo_normalized_tagname(element.tag);
        GumboStringPiece piece = element.original_tag;
        gumbo_tag_from_original_text(&piece);
        std::string name(piece.data == nullptr ? "" : std::string_view(piece.data, piece.length));
        for (char& c : name) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return document_.custom_tags_.emplace_back(std::move(name));
    }

    NodeId add_element(const GumboElement& element, NodeId parent) {
        Node node;
        node.tag = tag_name(element);
        node.parent = parent;
        node.depth = document_.nodes_[parent].depth + 1;
        node.attributes.reserve(element.attributes.length);
        for (unsigned i = 0; i < element.attributes.length; ++i) {
            const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
            node.attributes.push_back({attribute->name, attribute->value});
        }
        return append(std::move(node), parent);
    }

    void add_text(const char* text, NodeId parent) {
        // Adjacent text (split by a flattened element or a comment) is
        // joined, which keeps the tree small.
        auto& siblings = document_.nodes_[parent].children;
        if (!siblings.empty() && document_.nodes_[siblings.back()].kind == NodeKind::Text) {
            document_.nodes_[siblings.back()].text += text;
            return;
        }
        Node node;
        node.kind = NodeKind::Text;
        node.parent = parent;
        node.depth = document_.nodes_[parent].depth + 1;
        node.text = text;
        append(std::move(node), parent);
    }

    NodeId append(Node node, NodeId parent) {
        const auto id = static_cast<NodeId>(document_.nodes_.size());
        document_.nodes_.push_back(std::move(node));
        document_.nodes_[parent].children.push_back(id);
        return id;
    }

    Document& document_;
    const ParseLimits& limits_;
};

std::optional<std::string_view> Document::attribute(NodeId id, std::string_view name) const {
    for (const auto& attribute : nodes_[id].attributes) {
        if (attribute.name == name)
            return std::string_view(attribute.value);
    }
    return std::nullopt;
}

bool Document::has_class(NodeId id, std::string_view token) const {
    const auto classes = attribute(id, "class");
    if (!classes || token.empty())
        return false;
    std::size_t pos = 0;
    while ((pos = classes->find(token, pos)) != std::string_view::npos) {
        const auto is_gap = [](char c) {
            return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
        };
        const bool starts = pos == 0 || is_gap((*classes)[pos - 1]);
        const std::size_t end = pos + token.size();
        const bool ends = end == classes->size() || is_gap((*classes)[end]);
        if (starts && ends)
            return true;
        pos = end;
    }
    return false;
}

bool is_block_element(std::string_view tag) {
    static constexpr std::array<std::string_view, 40> kBlocks = {
        "p",       "div",        "section", "article",  "main",    "header",  "footer", "aside",
        "nav",     "blockquote", "pre",     "h1",       "h2",      "h3",      "h4",     "h5",
        "h6",      "ul",         "ol",      "li",       "dl",      "dt",      "dd",     "table",
        "thead",   "tbody",      "tfoot",   "tr",       "td",      "th",      "figure", "hr",
        "address", "center",     "form",    "fieldset", "details", "summary", "body",   "caption"};
    return std::find(kBlocks.begin(), kBlocks.end(), tag) != kBlocks.end();
}

void Document::append_raw_text(NodeId id, std::string& out) const {
    const Node& node = nodes_[id];
    if (node.kind == NodeKind::Text) {
        out += node.text;
        return;
    }
    if (node.tag == "script" || node.tag == "style")
        return;
    const bool block = node.tag == "br" || is_block_element(node.tag);
    if (block)
        out += ' ';
    for (const NodeId child : node.children)
        append_raw_text(child, out);
    if (block)
        out += ' ';
}

std::string Document::raw_text(NodeId id) const {
    std::string out;
    append_raw_text(id, out);
    return out;
}

bool Document::contains(NodeId ancestor, NodeId id) const {
    while (id != kNoNode) {
        if (id == ancestor)
            return true;
        id = nodes_[id].parent;
    }
    return false;
}

Result<Document> parse_html(std::string_view utf8, const ParseLimits& limits) {
    ParserArena arena(limits.max_parser_bytes);
    GumboOptions options = kGumboDefaultOptions;
    options.allocator = arena_allocate;
    options.deallocator = arena_release;
    options.userdata = &arena;
    options.max_errors = 0;  // the parse errors of real pages are many and of no use here
    std::string bounded_storage;
    const std::string_view markup = bounded_markup(utf8, limits.markup, bounded_storage);
    const GumboOutput* output = run_parser(&options, markup.data(), markup.size(), &arena);
    if (output == nullptr)
        return fail("Trang quá lớn hoặc quá phức tạp để đọc");
    Document document;
    TreeBuilder(document, limits).build(output->document, utf8.size() / 40 + 16);
    return document;
}

}  // namespace papyr::html
