#!/usr/bin/env python3
"""Builds the extraction evaluation set: article pages shaped like those of
real news sites and blogs of several CMS families, English and Vietnamese,
with the ground truth of each body.

Usage: make_pages.py OUTPUT_FOLDER [--seed N]

Writes OUTPUT_FOLDER/NAME.html (the page, in its declared character set) and
OUTPUT_FOLDER/NAME.truth.txt (the body's paragraphs joined by line feeds,
UTF-8), plus OUTPUT_FOLDER/index.json listing the pages and their URLs.

The text is invented from word lists, but the furniture around it is what
makes extraction hard on real pages and is written the way those sites write
it: mega menus with hundreds of links, cookie banners, share bars, inline
"Read more" boxes, related-story teasers written in full sentences, comment
threads longer than the article, live-blog posts, galleries of captions,
pull quotes that repeat the body, newsletter boxes, bodies split into many
blocks, text held in divs instead of paragraphs, old table layouts with
<br><br> paragraphs in windows-1252, Vietnamese pages in windows-1258.
"""
import html
import json
import os
import random
import sys
import unicodedata

EN_NOUNS = ("council minister engineer river market bridge teacher hospital farmer station company "
            "report budget storm harbour museum library court village airport factory school railway "
            "election forest festival museum satellite vaccine reservoir tribunal orchestra coastline").split()
EN_VERBS = ("announced approved rejected delayed expanded reviewed questioned restored opened closed "
            "funded measured tested planned defended criticised welcomed published").split()
EN_ADJ = ("new local national regional coastal ancient crowded quiet modest ambitious costly early "
          "final public private rural urban independent").split()
EN_TAIL = ["according to officials", "after months of talks", "despite strong objections",
           "ahead of the winter", "for the first time in a decade", "in a statement on Tuesday",
           "under the revised plan", "while residents watched", "as the deadline approached"]
EN_NAMES = ["Alice Brennan", "Tomas Greer", "Priya Nair", "Daniel Okafor", "Helen Marsh",
            "Owen Castell", "Ruth Adeyemi", "Marco Silva", "Grace Lin", "Peter Novak"]

VI_NOUNS = ("hội đồng bộ trưởng kỹ sư dòng sông chợ cây cầu giáo viên bệnh viện nông dân nhà ga công ty "
            "báo cáo ngân sách cơn bão bến cảng bảo tàng thư viện tòa án ngôi làng sân bay nhà máy trường học").split(" ")
VI_NOUN_PHRASES = ["hội đồng thành phố", "bộ trưởng", "kỹ sư trưởng", "chợ đầu mối", "cây cầu mới",
                   "giáo viên tiểu học", "bệnh viện tỉnh", "nông dân trồng lúa", "nhà ga trung tâm",
                   "công ty vận tải", "bản báo cáo", "ngân sách năm nay", "cơn bão số ba",
                   "bến cảng", "bảo tàng lịch sử", "thư viện quận", "ngôi làng ven biển", "nhà máy điện"]
VI_VERBS = ["đã công bố", "vừa phê duyệt", "tạm hoãn", "mở rộng", "xem xét lại", "đặt câu hỏi về",
            "khôi phục", "khai trương", "đóng cửa", "cấp vốn cho", "thử nghiệm", "lên kế hoạch cho"]
VI_TAIL = ["theo thông báo sáng nay", "sau nhiều tháng thảo luận", "dù còn nhiều ý kiến trái chiều",
           "trước mùa mưa bão", "lần đầu tiên sau mười năm", "trong cuộc họp chiều thứ ba",
           "theo kế hoạch điều chỉnh", "khi người dân theo dõi", "trước thời hạn cuối cùng"]
VI_NAMES = ["Nguyễn Thu Hà", "Trần Quốc Bảo", "Lê Minh Tuấn", "Phạm Ngọc Ánh", "Võ Thành Nam",
            "Đặng Hồng Nhung", "Huỳnh Đức Thịnh", "Bùi Khánh Linh"]


class Writer:
    def __init__(self, rng, lang):
        self.rng = rng
        self.lang = lang

    def sentence(self):
        r = self.rng
        if self.lang == "vi":
            s = f"{r.choice(VI_NOUN_PHRASES)} {r.choice(VI_VERBS)} {r.choice(VI_NOUN_PHRASES)}"
            if r.random() < 0.6:
                s += f", {r.choice(VI_TAIL)}"
            if r.random() < 0.3:
                s += f", với {r.randint(2, 900)} {r.choice(VI_NOUNS)}"
            return s[0].upper() + s[1:] + "."
        s = f"The {r.choice(EN_ADJ)} {r.choice(EN_NOUNS)} {r.choice(EN_VERBS)} the {r.choice(EN_ADJ)} {r.choice(EN_NOUNS)}"
        if r.random() < 0.6:
            s += f", {r.choice(EN_TAIL)}"
        if r.random() < 0.3:
            s += f", with {r.randint(2, 900)} {r.choice(EN_NOUNS)}s involved"
        return s + "."

    def paragraph(self, low=2, high=5):
        return " ".join(self.sentence() for _ in range(self.rng.randint(low, high)))

    def heading(self):
        words = self.sentence().rstrip(".").split()
        return " ".join(words[: self.rng.randint(3, 6)])

    def title(self):
        return self.heading()

    def name(self):
        return self.rng.choice(VI_NAMES if self.lang == "vi" else EN_NAMES)

    def teaser(self):
        return self.sentence().rstrip(".")


def e(text):
    return html.escape(text, quote=False)


def a(text):
    return html.escape(text, quote=True)


# --- page furniture --------------------------------------------------------

def mega_menu(w, links=180):
    items = "".join(f'<li class="menu-item"><a href="/section/{i}">{e(w.heading())}</a></li>' for i in range(links))
    return f'<header class="site-header"><div class="logo"><a href="/">Site</a></div><nav class="mega-menu" role="navigation"><ul>{items}</ul></nav></header>'


def cookie_banner(w):
    text = ("We use cookies and similar technologies to improve your experience, measure audiences and show "
            "personalised advertising. You can accept or manage your choices at any time.")
    if w.lang == "vi":
        text = "Chúng tôi sử dụng cookie để cải thiện trải nghiệm của bạn và hiển thị quảng cáo phù hợp. Bạn có thể thay đổi lựa chọn bất cứ lúc nào."
    return f'<div id="onetrust-banner-sdk" class="cookie-consent" role="dialog"><p>{e(text)}</p><button>Accept all</button><button>Manage</button></div>'


def share_bar():
    return '<div class="share-tools"><a href="#">Facebook</a> <a href="#">Twitter</a> <a href="#">Email</a> <a href="#">Copy link</a></div>'


def related_teasers(w, n=4, cls="related-posts"):
    items = "".join(f'<li><a href="/story/{w.rng.randint(1000, 9999)}"><h3>{e(w.teaser())}</h3></a><p>{e(w.sentence())}</p></li>' for _ in range(n))
    title = "Tin liên quan" if w.lang == "vi" else "Related stories"
    return f'<section class="{cls}"><h2>{title}</h2><ul>{items}</ul></section>'


def inline_read_more(w):
    label = "Xem thêm:" if w.lang == "vi" else "Read more:"
    return f'<p class="read-more"><strong>{label}</strong> <a href="/x/{w.rng.randint(1, 999)}">{e(w.teaser())}</a></p>'


def newsletter(w):
    return (f'<div class="newsletter-signup"><h3>Get the morning briefing</h3><p>{e(w.sentence())}</p>'
            '<form><input type="email" placeholder="Email"><button>Sign up</button></form></div>')


def comments(w, n):
    items = "".join(f'<li class="comment"><div class="comment-author vcard"><b>{e(w.name())}</b></div>'
                    f'<div class="comment-content"><p>{e(w.paragraph(1, 4))}</p></div></li>' for _ in range(n))
    return f'<div id="comments" class="comments-area"><h2 class="comments-title">{n} comments</h2><ol class="comment-list">{items}</ol></div>'


def sidebar(w):
    popular = "".join(f'<li><a href="/p/{i}">{e(w.teaser())}</a></li>' for i in range(8))
    return (f'<aside id="secondary" class="widget-area"><section class="widget widget_popular"><h2>Most popular</h2>'
            f'<ol>{popular}</ol></section><section class="widget"><p>{e(w.paragraph(2, 3))}</p></section></aside>')


def site_footer(w):
    links = "".join(f'<a href="/f/{i}">{e(w.heading())}</a> ' for i in range(30))
    return f'<footer class="site-footer"><div class="footer-links">{links}</div><p>© 2025 Example Media Group. All rights reserved.</p></footer>'


def ad(w):
    return '<div class="ad-container"><div class="ad-slot" data-ad-unit="mid">Advertisement</div></div>'


def doc(w, title, head_extra, body, charset="utf-8"):
    lang = "vi" if w.lang == "vi" else "en"
    meta = f'<meta charset="{charset}">' if charset == "utf-8" else f'<meta http-equiv="Content-Type" content="text/html; charset={charset}">'
    return (f'<!DOCTYPE html><html lang="{lang}"><head>{meta}<title>{e(title)} | Example News</title>'
            f'<meta name="viewport" content="width=device-width">{head_extra}'
            '<script>window.dataLayer=window.dataLayer||[];function gtag(){dataLayer.push(arguments);}</script>'
            '<style>.hidden{display:none}</style></head>'
            f'<body class="single single-post">{body}</body></html>')


def body_blocks(w, count, headings=True, lists=False, quotes=False):
    """The body's blocks as (kind, text) pairs."""
    blocks = []
    for i in range(count):
        if headings and i > 0 and i % 5 == 0:
            blocks.append(("h2", w.heading()))
        blocks.append(("p", w.paragraph()))
        if lists and i == 2:
            blocks.append(("ul", [w.sentence() for _ in range(4)]))
        if quotes and i == 3:
            blocks.append(("blockquote", w.paragraph(1, 2)))
    return blocks


def render_blocks(blocks, p_tag="p", p_class=""):
    out = []
    cls = f' class="{p_class}"' if p_class else ""
    for kind, content in blocks:
        if kind == "h2":
            out.append(f"<h2>{e(content)}</h2>")
        elif kind == "ul":
            out.append("<ul>" + "".join(f"<li>{e(item)}</li>" for item in content) + "</ul>")
        elif kind == "blockquote":
            out.append(f"<blockquote><p>{e(content)}</p></blockquote>")
        elif p_tag == "div":
            out.append(f"<div{cls}>{e(content)}</div>")
        else:
            out.append(f"<p{cls}>{e(content)}</p>")
    return "".join(out)


def truth_of(blocks):
    lines = []
    for kind, content in blocks:
        if kind == "ul":
            lines.extend(content)
        else:
            lines.append(content)
    return lines


# --- page kinds --------------------------------------------------------------

def wordpress(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(6, 14), lists=True, quotes=True)
    body = (mega_menu(w, 40) + '<div id="page" class="site"><div id="primary" class="content-area"><main id="main" class="site-main">'
            f'<article id="post-12" class="post-12 post type-post status-publish hentry"><header class="entry-header"><h1 class="entry-title">{e(title)}</h1>'
            f'<div class="entry-meta"><span class="byline">by <a class="url fn n" href="/author/x">{e(w.name())}</a></span> <time class="entry-date" datetime="2025-03-02T10:00:00+00:00">March 2, 2025</time></div></header>'
            f'<div class="entry-content">{render_blocks(blocks)}'
            f'<div class="sharedaddy sd-sharing-enabled"><h3 class="sd-title">Share this:</h3>{share_bar()}</div>'
            f'<div id="jp-relatedposts" class="jp-relatedposts">{related_teasers(w, 3)}</div></div>'
            f'<footer class="entry-footer"><span class="cat-links">Posted in <a href="/c">News</a></span></footer></article>'
            f'{comments(w, w.rng.randint(3, 12))}</main></div>{sidebar(w)}</div>{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


def drupal(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(5, 10))
    body = (mega_menu(w, 60) + '<div class="layout-container"><nav class="breadcrumb"><ol><li><a href="/">Home</a></li><li><a href="/news">News</a></li></ol></nav>'
            f'<main role="main"><div class="region region-content"><article role="article" class="node node--type-article"><h1 class="page-title"><span>{e(title)}</span></h1>'
            '<div class="node__meta"><span>Submitted by editor on 3 June 2025</span></div>'
            f'<div class="node__content"><div class="clearfix text-formatted field field--name-body field--type-text-with-summary field__item">{render_blocks(blocks)}</div>'
            '<div class="field field--name-field-tags"><div class="field__label">Tags</div><div class="field__items"><a href="/t/1">Transport</a><a href="/t/2">Council</a></div></div></div></article></div></main>'
            f'<div class="region region-sidebar-first">{related_teasers(w, 5, "block-views-related")}</div></div>{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


def ghost(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(8, 16), lists=True, quotes=True)
    html_blocks = render_blocks(blocks)
    figure = '<figure class="kg-card kg-image-card kg-card-hascaption"><img src="/i.jpg"><figcaption>' + e(w.sentence()) + "</figcaption></figure>"
    cut = html_blocks.find("</p>", len(html_blocks) // 2) + 4
    html_blocks = html_blocks[:cut] + figure + html_blocks[cut:]
    body = ('<header class="gh-head"><nav class="gh-head-menu"><a href="/">Home</a><a href="/about">About</a><a href="/tag/essays">Essays</a></nav></header>'
            f'<main id="site-main" class="site-main"><article class="article post"><header class="article-header gh-canvas"><h1 class="article-title">{e(title)}</h1>'
            f'<p class="article-excerpt">{e(w.sentence())}</p></header><section class="gh-content gh-canvas">{html_blocks}</section>'
            f'<section class="footer-cta"><div class="footer-cta-title">Sign up for more like this.</div><form><input type="email"></form></section></article>'
            f'<aside class="read-more-wrap"><div class="read-more">{related_teasers(w, 3, "post-feed")}</div></aside></main>')
    return doc(w, title, "", body), truth_of(blocks)


def arc_news(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(8, 18))
    parts = []
    for i, (kind, content) in enumerate(blocks):
        parts.append(render_blocks([(kind, content)], p_class="paragraph"))
        if i in (2, 7):
            parts.append(ad(w))
        if i == 5:
            parts.append(inline_read_more(w))
    ld = json.dumps({"@context": "https://schema.org", "@type": "NewsArticle", "headline": title,
                     "datePublished": "2025-04-11T08:30:00Z", "author": [{"@type": "Person", "name": w.name()}]})
    body = (cookie_banner(w) + mega_menu(w, 250) + f'<main><article class="story"><h1 class="headline">{e(title)}</h1>'
            f'<div class="byline"><span>By {e(w.name())}</span></div>{share_bar()}'
            f'<div class="article-body" data-testid="article-body">{"".join(parts)}</div>'
            f'<div class="most-read"><h2>Most read</h2><ol>{"".join(f"<li><a href=/m/{i}>{e(w.teaser())}</a></li>" for i in range(10))}</ol></div>'
            f'</article></main>{newsletter(w)}{site_footer(w)}')
    return doc(w, title, f'<script type="application/ld+json">{ld}</script>', body), truth_of(blocks)


def live_blog(w):
    title = w.title()
    truth = []
    posts = []
    intro = w.paragraph()
    truth.append(intro)
    for i in range(w.rng.randint(6, 14)):
        heading = w.heading()
        paragraphs = [w.paragraph(1, 3) for _ in range(w.rng.randint(1, 3))]
        truth.append(heading)
        truth.extend(paragraphs)
        posts.append(f'<article class="block" id="block-{i}"><header class="block-header"><time datetime="2025-05-0{1 + i % 9}T1{i % 10}:00:00Z">1{i % 10}.00 BST</time></header>'
                     f'<div class="block-elements"><h3>{e(heading)}</h3>{"".join(f"<p>{e(p)}</p>" for p in paragraphs)}</div>'
                     f'<footer class="block-footer">{share_bar()}</footer></article>')
    key_events = "".join(f'<li><a href="#block-{i}">{e(w.teaser())}</a></li>' for i in range(6))
    ld = json.dumps({"@context": "https://schema.org", "@type": "LiveBlogPosting", "headline": title})
    body = (mega_menu(w, 80) + f'<main><div class="live-header"><h1>{e(title)}</h1></div>'
            f'<div class="key-events"><h2>Key events</h2><ul>{key_events}</ul></div>'
            f'<div class="live-blog-body"><div class="block-intro"><p>{e(intro)}</p></div>{"".join(posts)}</div>'
            f'<div class="pagination"><a href="?page=2">Older</a></div></main>{site_footer(w)}')
    return doc(w, title, f'<script type="application/ld+json">{ld}</script>', body), truth


def gallery(w):
    title = w.title()
    intro = [w.paragraph(2, 3), w.paragraph(1, 2)]
    figures = "".join(f'<figure class="gallery-item"><img src="/g/{i}.jpg"><figcaption><span class="caption">{e(w.sentence())}</span>'
                      f'<span class="credit">Photograph: {e(w.name())}</span></figcaption></figure>' for i in range(12))
    body = (mega_menu(w, 50) + f'<main><article><h1>{e(title)}</h1><div class="article-body"><div class="gallery-intro">'
            f'{"".join(f"<p>{e(p)}</p>" for p in intro)}</div><div class="gallery">{figures}</div></div>'
            f'<div class="next-gallery"><a href="/g2">Next gallery: {e(w.teaser())}</a></div></article></main>{site_footer(w)}')
    return doc(w, title, "", body), intro


def long_read(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(35, 50), quotes=True)
    parts = []
    for i, (kind, content) in enumerate(blocks):
        parts.append(render_blocks([(kind, content)]))
        if i == 10 and kind == "p":
            quote = content.split(". ")[0]
            parts.append(f'<aside class="pullquote"><blockquote>{e(quote)}</blockquote></aside>')
    body = (mega_menu(w, 120) + f'<main id="content"><article class="longform"><div class="hero"><h1>{e(title)}</h1>'
            f'<p class="standfirst">{e(w.sentence())}</p><p class="byline">By {e(w.name())}</p></div>'
            f'<div class="story-body">{"".join(parts)}</div><div class="author-bio"><p>{e(w.paragraph(1, 2))}</p></div></article></main>'
            f'{related_teasers(w, 6)}{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


def split_body(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(9, 15))
    chunks = [blocks[i:i + 3] for i in range(0, len(blocks), 3)]
    parts = []
    for i, chunk in enumerate(chunks):
        parts.append(f'<div class="article-body__section" data-section="{i}">{render_blocks(chunk)}</div>')
        if i < len(chunks) - 1:
            parts.append(ad(w) if i % 2 == 0 else related_teasers(w, 2, "inline-related"))
    body = (mega_menu(w, 90) + f'<div class="page"><main><h1 class="article-title">{e(title)}</h1>'
            f'<div class="article-wrapper">{"".join(parts)}</div></main>{sidebar(w)}</div>{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


def div_text(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(6, 12), headings=False)
    paragraphs = "".join(f'<div class="css-{w.rng.randint(100, 999)}x">{e(c)}</div>' for _, c in blocks)
    body = (mega_menu(w, 70) + f'<div id="root"><div class="css-app"><div class="css-hd"><h1 class="css-h1">{e(title)}</h1></div>'
            f'<div class="css-main"><div class="css-col">{paragraphs}</div>'
            f'<div class="css-rail">{"".join(f"<div><a href=/r/{i}>{e(w.teaser())}</a></div>" for i in range(12))}</div></div></div></div>')
    return doc(w, title, "", body), truth_of(blocks)


def big_comments(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(4, 7), headings=False)
    body = (mega_menu(w, 30) + f'<div class="container"><article class="post"><h1>{e(title)}</h1><div class="post-body">{render_blocks(blocks)}</div></article>'
            f'{comments(w, 40)}</div>{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


def old_tables(w):
    title = w.title()
    paragraphs = [w.paragraph() for _ in range(w.rng.randint(4, 9))]
    nav = "<br>".join(f'<a href="/s{i}.html"><font size="2">{e(w.heading())}</font></a>' for i in range(25))
    text = "<br><br>\n".join(e(p) for p in paragraphs)
    body = (f'<table width="100%" border="0"><tr><td colspan="2"><img src="/logo.gif"></td></tr><tr>'
            f'<td width="160" valign="top" bgcolor="#eeeeee">{nav}</td>'
            f'<td valign="top"><font face="Arial" size="4"><b>{e(title)}</b></font><br><br>'
            f'<font face="Arial" size="2">{text}</font><br><br><font size="1">Copyright 2003 Example Press</font></td></tr></table>')
    return doc(w, title, "", body, charset="windows-1252"), paragraphs


def press_table(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(4, 7), headings=False)
    rows = [[w.heading(), str(w.rng.randint(10, 999)), str(w.rng.randint(10, 999))] for _ in range(4)]
    table = "<table class='data'><thead><tr><th>Item</th><th>2024</th><th>2025</th></tr></thead><tbody>" + \
        "".join(f"<tr><td>{e(r[0])}</td><td>{r[1]}</td><td>{r[2]}</td></tr>" for r in rows) + "</tbody></table>"
    html_blocks = render_blocks(blocks[:2]) + table + render_blocks(blocks[2:])
    truth = truth_of(blocks[:2]) + ["Item 2024 2025"] + [" ".join(r) for r in rows] + truth_of(blocks[2:])
    body = (mega_menu(w, 40) + f'<main><div class="press-release"><h1>{e(title)}</h1><div class="release-body">{html_blocks}</div>'
            '<div class="contact"><h3>Media contact</h3><p>press@example.org</p></div></div></main>' + site_footer(w))
    return doc(w, title, "", body), truth


def br_blog(w):
    title = w.title()
    paragraphs = [w.paragraph() for _ in range(w.rng.randint(5, 10))]
    body = (f'<div id="wrapper"><div id="header"><h1><a href="/">My little blog</a></h1></div><div id="content"><div class="post">'
            f'<h2 class="post-title">{e(title)}</h2><div class="post-body entry-content">{"<br /><br />".join(e(p) for p in paragraphs)}</div>'
            f'<div class="post-footer">Posted by {e(w.name())} at 10:42 | <a href="#comments">3 comments</a></div></div>'
            f'{comments(w, 3)}</div><div id="sidebar">{sidebar(w)}</div></div>')
    return doc(w, title, "", body), paragraphs


def vi_news(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(6, 12))
    parts = render_blocks(blocks[:3]) + related_teasers(w, 3, "box-tin-lien-quan") + render_blocks(blocks[3:])
    body = (mega_menu(w, 150) + f'<div class="main-content"><div class="breadcrumb"><a href="/">Trang chủ</a> » <a href="/xa-hoi">Xã hội</a></div>'
            f'<h1 class="article-title">{e(title)}</h1><div class="article-meta"><span class="time">12/03/2025 09:15</span> <span class="author">{e(w.name())}</span></div>'
            f'<div class="article-sapo"><strong>{e(w.sentence())}</strong></div><div class="article-content">{parts}</div>'
            f'<div class="article-tags"><span>Từ khóa:</span> <a href="/t">giao thông</a></div>'
            f'<div class="box-comment"><h3>Bình luận</h3>{comments(w, 6)}</div></div>{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


def vi_legacy(w):
    page, truth = vi_news(w)
    return page.replace('<meta charset="utf-8">', '<meta http-equiv="Content-Type" content="text/html; charset=windows-1258">'), truth


def hashed(w):
    """A modern site whose class names are generated hashes: no name tells
    boilerplate from text, only the structure and the links do. The body
    carries a caption paragraph after an image, a newsletter appeal, a
    support appeal and an author biography, all in plain sentences."""
    r = w.rng
    c = lambda: f"css-{r.randint(1000, 9999):x}"
    title = w.title()
    blocks = body_blocks(w, r.randint(7, 14), headings=False)
    vi = w.lang == "vi"
    appeal = ("Đăng ký nhận bản tin buổi sáng miễn phí để không bỏ lỡ tin quan trọng." if vi else
              "Sign up for our free morning newsletter and never miss the stories that matter.")
    support = ("Hãy ủng hộ báo chí độc lập, chỉ từ 20.000 đồng mỗi tháng." if vi else
               "Support independent journalism today, from just two pounds a month.")
    parts = []
    for i, (kind, content) in enumerate(blocks):
        parts.append(f'<div class="{c()}"><p class="{c()}">{e(content)}</p></div>')
        if i == 1:
            parts.append(f'<div class="{c()}"><img src="/p.jpg"><p class="{c()}">{e(w.sentence())}</p></div>')
        if i == 3:
            parts.append(f'<div class="{c()}"><p class="{c()}">{e(appeal)}</p><form><input type="email"></form></div>')
        if i == 5:
            parts.append(f'<ul class="{c()}">' + "".join(f'<li><a href="/r/{j}">{e(w.teaser())}</a></li>' for j in range(3)) + "</ul>")
    bio = f"{w.name()} {'là phóng viên mảng giao thông và môi trường.' if vi else 'is a reporter covering transport and the environment.'}"
    body = (mega_menu(w, 60) + f'<div id="__next"><div class="{c()}"><main class="{c()}"><h1 class="{c()}">{e(title)}</h1>'
            f'<div class="{c()}">{"".join(parts)}</div><div class="{c()}"><p class="{c()}">{e(support)}</p></div>'
            f'<div class="{c()}"><p class="{c()}">{e(bio)}</p></div></main></div></div>{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


KINDS = [("hashed", hashed, "en"), ("vihashed", hashed, "vi"), ("wordpress", wordpress, "en"), ("drupal", drupal, "en"), ("ghost", ghost, "en"),
         ("arc", arc_news, "en"), ("liveblog", live_blog, "en"), ("gallery", gallery, "en"),
         ("longread", long_read, "en"), ("split", split_body, "en"), ("divtext", div_text, "en"),
         ("comments", big_comments, "en"), ("tables1252", old_tables, "en"), ("press", press_table, "en"),
         ("brblog", br_blog, "en"), ("vinews", vi_news, "vi"), ("vilegacy1258", vi_legacy, "vi"),
         ("viwordpress", wordpress, "vi"), ("viarc", arc_news, "vi"), ("vilive", live_blog, "vi")]


def encode_1258(text):
    out = bytearray()
    tones = {"\u0300", "\u0301", "\u0303", "\u0309", "\u0323"}
    for ch in text:
        try:
            out += ch.encode("cp1258")
            continue
        except UnicodeEncodeError:
            pass
        decomposed = unicodedata.normalize("NFD", ch)
        tone = next((m for m in decomposed[1:] if m in tones), None)
        if tone is None:
            out += ch.encode("cp1258", errors="xmlcharrefreplace")
            continue
        base = unicodedata.normalize("NFC", decomposed.replace(tone, "", 1))
        out += (base + tone).encode("cp1258", errors="xmlcharrefreplace")
    return bytes(out)


def write_set(folder, kinds, seed, variants, url_pattern):
    """Writes each kind's pages, their truth files and index.json."""
    os.makedirs(folder, exist_ok=True)
    index = []
    for variant in range(variants):
        for name, make, lang in kinds:
            rng = random.Random(f"{seed}-{name}-{variant}")
            page, truth = make(Writer(rng, lang))
            page_name = f"{name}-{variant}"
            if "1258" in name:
                data = encode_1258(page)
            elif "1252" in name:
                data = page.encode("cp1252", errors="xmlcharrefreplace")
            else:
                data = page.encode("utf-8")
            with open(os.path.join(folder, page_name + ".html"), "wb") as out:
                out.write(data)
            with open(os.path.join(folder, page_name + ".truth.txt"), "w", encoding="utf-8") as out:
                out.write("\n".join(truth) + "\n")
            index.append({"page": page_name, "kind": name, "url": url_pattern.format(name=name, variant=variant)})
    with open(os.path.join(folder, "index.json"), "w", encoding="utf-8") as out:
        json.dump(index, out, indent=1)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    seed = int(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[2] == "--seed" else 12
    write_set(sys.argv[1], KINDS, seed, 3, "https://news.example.org/{name}/{variant}/story.html")


if __name__ == "__main__":
    main()
