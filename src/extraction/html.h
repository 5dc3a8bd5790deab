#pragma once

// The HTML library's vocabulary, which every pass of the extraction speaks:
// the parsed tree, selectors over it and the rules of rendered text.

#include "html/html_tree.h"
#include "html/selector.h"
#include "html/text.h"

namespace papyr::extraction {

using html::Attribute;
using html::Document;
using html::is_block_element;
using html::kNoNode;
using html::Node;
using html::NodeId;
using html::NodeKind;
using html::parse_html;
using html::ParseLimits;

using html::matches;
using html::parse_selector;
using html::select_all;
using html::select_first;
using html::Selector;

using html::comparable_text;
using html::compose_marks;
using html::concat;
using html::count_words;
using html::kLineBreakMark;
using html::normalise_text;
using html::reading_minutes;
using html::starts_like;
using html::text_length;

}  // namespace papyr::extraction
