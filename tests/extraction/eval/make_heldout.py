#!/usr/bin/env python3
"""Builds the held-out evaluation set: page kinds written after the
extractor was tuned, and never used to tune it, so that its score says
something about pages the extractor has not been fitted to.

Usage: make_heldout.py OUTPUT_FOLDER [--seed N]

Same output as make_pages.py (NAME.html, NAME.truth.txt, index.json), and
the same word lists, but other furniture, written the way these families of
sites write it: newsletter platforms with subscribe widgets and footnotes
inside the body, blogging platforms with hashed class names and clap bars,
AMP pages, block-component news pages whose image and link blocks sit
between the text blocks, interviews with bold questions, bodies interrupted
by recommendation boxes written in full sentences, <br>-separated text in a
bare <main>, author biographies and long series boxes after the body, and
pages whose sidebar holds more text than the article.
"""
import sys

from make_pages import body_blocks, doc, e, render_blocks, site_footer, truth_of, write_set


def subscribe_widget():
    return ('<div class="subscription-widget-wrap"><div class="subscription-widget"><p class="button-text">'
            'Thanks for reading! Subscribe for free to receive new posts and support my work.</p>'
            '<form><input type="email" placeholder="Type your email"><button>Subscribe</button></form></div></div>')


def newsletter_platform(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(8, 14), lists=True)
    html_blocks = render_blocks(blocks)
    cut = html_blocks.find("</p>", len(html_blocks) // 3) + 4
    html_blocks = html_blocks[:cut] + subscribe_widget() + html_blocks[cut:]
    notes = "".join(f'<div class="footnote"><a class="footnote-number" href="#fn{i}">{i}</a>'
                    f'<div class="footnote-content"><p>{e(w.sentence())}</p></div></div>' for i in (1, 2))
    body = (f'<div class="main-menu"><a href="/">Home</a><a href="/archive">Archive</a><a href="/about">About</a></div>'
            f'<article class="typography newsletter-post post"><div class="post-header"><h1 class="post-title">{e(title)}</h1>'
            f'<h3 class="subtitle">{e(w.sentence())}</h3><div class="post-meta"><a href="/p">{e(w.name())}</a><div>Mar 4, 2025</div></div></div>'
            f'<div class="available-content"><div class="body markup" dir="auto">{html_blocks}{notes}</div></div>'
            f'<div class="post-footer"><button>Like</button><button>Comment</button><button>Restack</button></div></article>'
            f'{subscribe_widget()}<div class="post-comments"><h4>Discussion about this post</h4>'
            f'<div class="comment"><p>{e(w.paragraph(1, 3))}</p></div></div>')
    return doc(w, title, "", body), truth_of(blocks)


def hashed_platform(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(8, 16), quotes=True)
    paras = []
    for kind, content in blocks:
        if kind == "h2":
            paras.append(f'<h2 class="pw-post-body-paragraph nq nr">{e(content)}</h2>')
        elif kind == "blockquote":
            paras.append(f'<blockquote class="ob oc"><p class="od oe">{e(content)}</p></blockquote>')
        else:
            paras.append(f'<p class="pw-post-body-paragraph ns nt fp nu b nv nw">{e(content)}</p>')
    more = "".join(f'<div class="pn po"><a href="/@x/{i}"><h2 class="pq pr">{e(w.teaser())}</h2>'
                   f'<h3 class="ps pt">{e(w.sentence())}</h3></a></div>' for i in range(4))
    body = (f'<div class="l ab"><nav class="ae af"><a href="/">Home</a><a href="/m/signin">Sign in</a></nav></div>'
            f'<article><div class="l"><section><div class="gn go gp"><h1 class="pw-post-title hx hy">{e(title)}</h1>'
            f'<div class="speechify-ignore"><span><a href="/@x">{e(w.name())}</a></span><span>7 min read</span>'
            '<div><button>Listen</button><button>Share</button></div></div>'
            f'{"".join(paras)}</div></section></div></article>'
            '<div class="clap-bar"><button>Clap</button><span>1.2K</span><button>Respond</button></div>'
            f'<div class="more-from"><h2>More from {e(w.name())}</h2>{more}</div>')
    return doc(w, title, "", body), truth_of(blocks)


def amp_page(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(6, 12))
    parts = []
    for i, block in enumerate(blocks):
        parts.append(render_blocks([block]))
        if i == 2:
            parts.append('<amp-ad width="300" height="250" type="doubleclick" data-slot="/1/mid"></amp-ad>')
        if i == 4:
            parts.append(f'<figure><amp-img src="/i.jpg" width="800" height="450" layout="responsive"></amp-img>'
                         f'<figcaption>{e(w.sentence())}</figcaption></figure>')
    carousel = "".join(f'<div class="slide"><a href="/amp/{i}">{e(w.teaser())}</a><p>{e(w.sentence())}</p></div>'
                       for i in range(5))
    body = (f'<amp-sidebar id="menu" layout="nodisplay"><ul>{"".join(f"<li><a href=/s/{i}>{e(w.heading())}</a></li>" for i in range(25))}</ul></amp-sidebar>'
            f'<header class="amp-header"><button on="tap:menu.toggle">Menu</button></header>'
            f'<main><article class="amp-article"><h1>{e(title)}</h1><p class="amp-byline">By {e(w.name())}</p>'
            f'<div class="article-body">{"".join(parts)}</div></article>'
            f'<section class="amp-related"><h2>More stories</h2><amp-carousel type="slides" layout="fixed-height" height="200">{carousel}</amp-carousel></section></main>'
            f'{site_footer(w)}')
    return doc(w, title, '<script async src="https://cdn.ampproject.org/v0.js"></script>', body), truth_of(blocks)


def component_blocks(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(8, 16))
    parts = []
    for i, (kind, content) in enumerate(blocks):
        if kind == "h2":
            parts.append(f'<div data-component="subheadline-block"><h2>{e(content)}</h2></div>')
        else:
            parts.append(f'<div data-component="text-block"><p>{e(content)}</p></div>')
        if i == 1:
            parts.append(f'<div data-component="image-block"><figure><img src="/x.jpg" alt="">'
                         f'<figcaption>{e(w.sentence())}</figcaption></figure></div>')
        if i == 6:
            links = "".join(f'<li><a href="/n/{j}">{e(w.teaser())}</a></li>' for j in range(3))
            parts.append(f'<div data-component="links-block"><h2>Related topics</h2><ul>{links}</ul></div>')
    body = (f'<header><nav><ul>{"".join(f"<li><a href=/t/{i}>{e(w.heading())}</a></li>" for i in range(40))}</ul></nav></header>'
            f'<div id="main-content"><article><header><h1 id="main-heading">{e(title)}</h1></header>'
            f'<div data-component="byline-block"><span>{e(w.name())}</span><span>Reporter</span></div>'
            f'{"".join(parts)}</article>'
            f'<section data-component="top-stories"><h2>Top stories</h2>{"".join(f"<div><a href=/s/{i}><span>{e(w.teaser())}</span></a><p>{e(w.sentence())}</p></div>" for i in range(6))}</section></div>'
            f'{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


def interview(w):
    title = w.title()
    lines = []
    parts = []
    intro = w.paragraph(2, 3)
    lines.append(intro)
    parts.append(f"<p>{e(intro)}</p>")
    for _ in range(w.rng.randint(5, 9)):
        question = w.sentence().rstrip(".") + "?"
        answer = w.paragraph(2, 4)
        lines.extend([question, answer])
        parts.append(f"<p><strong>{e(question)}</strong></p><p>{e(answer)}</p>")
    body = (f'<div class="top-bar"><a href="/">Magazine</a><a href="/subscribe">Subscribe</a><a href="/login">Log in</a></div>'
            f'<main><article class="interview"><h1>{e(title)}</h1><p class="dek">{e(w.sentence())}</p>'
            f'<p class="credit">Interview by {e(w.name())}</p><div class="article__body">{"".join(parts)}</div>'
            '<p class="edited-note"><em>This interview has been edited for length and clarity.</em></p></article></main>'
            f'<div class="paywall-prompt"><p>{e(w.paragraph(1, 2))}</p><a href="/subscribe">Subscribe</a></div>{site_footer(w)}')
    # The editor's note is part of the article as published.
    lines.append("This interview has been edited for length and clarity.")
    return doc(w, title, "", body), lines


def recommendations(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(10, 16))
    parts = []
    for i, block in enumerate(blocks):
        parts.append(render_blocks([block]))
        if i % 4 == 3:
            parts.append(f'<aside class="inline-recommendation"><span class="label">Recommended</span>'
                         f'<a href="/r/{i}"><p>{e(w.sentence())} {e(w.sentence())}</p></a></aside>')
    body = (f'<header class="masthead"><nav>{"".join(f"<a href=/c/{i}>{e(w.heading())}</a>" for i in range(60))}</nav></header>'
            f'<main><article><h1 class="article-headline">{e(title)}</h1><div class="author-name">{e(w.name())}</div>'
            f'<section class="article-content">{"".join(parts)}</section></article></main>{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


def bare_main(w):
    title = w.title()
    paragraphs = [w.paragraph() for _ in range(w.rng.randint(6, 12))]
    text = "<br><br>".join(e(p) for p in paragraphs)
    body = (f'<div id="nav">{" | ".join(f"<a href=/{i}>{e(w.heading())}</a>" for i in range(30))}</div>'
            f'<main><h1>{e(title)}</h1><div class="date">Posted 12 May 2025</div><div>{text}</div></main>'
            f'<div id="footer">{" ".join(f"<a href=/f/{i}>{e(w.heading())}</a>" for i in range(80))}<br>Copyright 2025</div>')
    return doc(w, title, "", body), paragraphs


def bio_and_series(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(6, 12), lists=True)
    series = "".join(f'<li><a href="/series/{i}">Part {i}: {e(w.teaser())}</a><p>{e(w.sentence())}</p></li>' for i in range(1, 7))
    body = (f'<nav class="main-nav">{"".join(f"<a href=/n/{i}>{e(w.heading())}</a>" for i in range(30))}</nav>'
            f'<article itemscope itemtype="https://schema.org/NewsArticle"><h1 itemprop="headline">{e(title)}</h1>'
            f'<span itemprop="author">{e(w.name())}</span>'
            f'<div itemprop="articleBody">{render_blocks(blocks)}</div>'
            f'<div class="author-bio"><h3>About the author</h3><p>{e(w.paragraph(2, 3))}</p></div>'
            f'<div class="series-box"><h3>In this series</h3><ol>{series}</ol></div></article>{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


def heavy_sidebar(w):
    title = w.title()
    blocks = body_blocks(w, w.rng.randint(4, 7), headings=False)
    widgets = "".join(f'<div class="widget"><h4>{e(w.heading())}</h4><p>{e(w.paragraph(3, 5))}</p></div>' for _ in range(6))
    body = (f'<div class="container"><div class="row"><div class="col-md-8"><div class="post">'
            f'<h1 class="post-title">{e(title)}</h1><div class="post-text">{render_blocks(blocks)}</div></div></div>'
            f'<div class="col-md-4 sidebar">{widgets}</div></div></div>{site_footer(w)}')
    return doc(w, title, "", body), truth_of(blocks)


def vi_component(w):
    # A Vietnamese site of the same block-component family.
    return component_blocks(w)


KINDS = [
    ("newsletter-platform", newsletter_platform, "en"),
    ("hashed-platform", hashed_platform, "en"),
    ("amp", amp_page, "en"),
    ("component-blocks", component_blocks, "en"),
    ("interview", interview, "en"),
    ("recommendations", recommendations, "en"),
    ("bare-main", bare_main, "en"),
    ("bio-and-series", bio_and_series, "en"),
    ("heavy-sidebar", heavy_sidebar, "en"),
    ("vi-component", vi_component, "vi"),
]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    seed = int(sys.argv[3]) if len(sys.argv) > 3 and sys.argv[2] == "--seed" else 31
    write_set(sys.argv[1], KINDS, seed, 2, "https://blog.example.net/{name}/{variant}/post.html")


if __name__ == "__main__":
    main()
