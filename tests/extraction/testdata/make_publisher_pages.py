#!/usr/bin/env python3
"""Writes the publisher test pages and what extraction must find in them.

Each page is one publisher's article markup (current or older layout, as the
publishers' pages are known to be built), carrying invented text and the
furniture that must not reach the body: menus, figures and captions, related
boxes, ads, scripts inside paragraphs, sharing and sign-in boxes. The
expected record of each page is written from the same invented content, so
it says what a reader must see, independently of the extractor.

Usage: make_publisher_pages.py   (writes publishers/*.html and *.expected.json
next to this script)
"""
import datetime
import html
import json
import os

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "publishers")
WEEKDAYS = ["Thứ hai", "Thứ ba", "Thứ tư", "Thứ năm", "Thứ sáu", "Thứ bảy", "Chủ nhật"]


def vietnam_time(utc):
    local = utc + datetime.timedelta(hours=7)
    return f"{WEEKDAYS[local.weekday()]}, {local.day}/{local.month}/{local.year}, {local:%H:%M} (GMT+7)"


def e(text):
    return html.escape(text, quote=False)


VI_BODY = [
    "Sáng nay, hội đồng thành phố công bố kế hoạch mở thêm ba tuyến xe buýt điện nối các khu dân cư mới với trung tâm, dự kiến chạy thử từ tháng sau.",
    "Theo ông Trần Văn Khải, phó giám đốc sở giao thông, mỗi tuyến dài khoảng 18 km, có 24 điểm dừng và giá vé không đổi so với tuyến hiện có.",
    "Những điều người dân cần biết",
    "Các xe sẽ chạy từ 5h đến 22h, cách nhau 12 phút vào giờ cao điểm; hành khách có thể quét mã trên điện thoại thay vì mua vé giấy.",
    "\"Chúng tôi muốn người đi làm để xe máy ở nhà ít nhất hai ngày mỗi tuần\", ông Khải nói, thêm rằng bãi giữ xe gần các điểm đầu cuối sẽ miễn phí trong năm đầu.",
    "Một số hộ kinh doanh ven đường lo ngại việc thu hẹp lòng đường ở vài đoạn, nhưng sở cho biết sẽ lấy ý kiến trước khi chốt vị trí điểm dừng.",
]

EN_BODY = [
    "Engineers working on the coastal flood barrier have finished the first of its four sluice gates, two months ahead of the schedule set last spring.",
    "The gate, which weighs about 900 tonnes, was lowered into place overnight while the tide was at its lowest, according to the regional water authority.",
    "What happens next",
    "The remaining gates are due to be fitted by the end of next year, after which the barrier will be tested against a simulated storm surge.",
    "\"We have learned a great deal from this first installation, and the next three should go faster,\" said Mara Ellison, the project's chief engineer.",
    "Residents of the low-lying districts behind the barrier have been told that insurance premiums may fall once the whole system is certified.",
]


def page(head, body):
    return f"<!DOCTYPE html>\n<html lang=\"vi\">\n<head>\n<meta charset=\"utf-8\">\n{head}\n</head>\n<body>\n{body}\n</body>\n</html>\n"


def json_ld(obj):
    return '<script type="application/ld+json">' + json.dumps(obj, ensure_ascii=False) + "</script>"


NAV_VI = '<nav class="main-nav"><ul><li><a href="/">Trang chủ</a></li><li><a href="/thoi-su">Thời sự</a></li><li><a href="/the-gioi">Thế giới</a></li><li><a href="/kinh-doanh">Kinh doanh</a></li></ul></nav>'
NAV_EN = '<nav><ul><li><a href="/">Home</a></li><li><a href="/news">News</a></li><li><a href="/sport">Sport</a></li><li><a href="/weather">Weather</a></li></ul></nav>'


def vnexpress_2025():
    title = "Thành phố mở thêm ba tuyến xe buýt điện"
    lead = "Ba tuyến xe buýt điện mới sẽ nối các khu dân cư phía đông với trung tâm, chạy thử từ tháng sau."
    author = "Minh Anh"
    when = datetime.datetime(2025, 10, 22, 12, 25)
    p = VI_BODY
    body = f"""{NAV_VI}
<section class="section page-detail top-detail">
<div class="container"><div class="sidebar-1">
<div class="header-content width_common"><ul class="breadcrumb"><li><a href="/thoi-su">Thời sự</a></li><li><a href="/thoi-su/giao-thong">Giao thông</a></li></ul>
<span class="date">Thứ tư, 22/10/2025, 19:25 (GMT+7)</span></div>
<h1 class="title-detail">{e(title)}</h1>
<p class="description">{e(lead)}</p>
<article class="fck_detail ">
<p class="Normal">{e(p[0])}</p>
<figure data-size="true" itemprop="associatedMedia image" itemscope itemtype="http://schema.org/ImageObject" class="tplCaption action_thumb_added"><div class="fig-picture"><picture><img alt="Xe buýt điện" src="https://i1-vnexpress.vnecdn.net/2025/10/22/bus.jpg"></picture></div><figcaption itemprop="description"><p class="Image">Xe buýt điện chạy thử trên đường Láng. Ảnh: Ngọc Thành</p></figcaption></figure>
<p class="Normal">{e(p[1])}</p>
<p class="Normal"><strong><a href="https://vnexpress.net/tuyen-buyt-cu-1234.html">Tuyến buýt cũ sẽ được giữ đến cuối năm</a></strong></p>
<h2 class="Normal">{e(p[2])}</h2>
<p class="Normal">{e(p[3])}<script>window.vne_ads = window.vne_ads || []; vne_ads.push("inread");</script></p>
<div data-component-type="tin_xemthem" class="box_brief_info"><p><strong>Xem thêm:</strong> <a href="/a.html">Giá vé xe buýt năm 2026</a></p></div>
<table align="center" border="0" cellpadding="3" cellspacing="0" class="tplCaption"><tbody><tr><td><img src="https://i1-vnexpress.vnecdn.net/2025/10/22/map.jpg"></td></tr><tr><td><p class="Image">Sơ đồ ba tuyến mới. Đồ họa: Sở GTVT</p></td></tr></tbody></table>
<p class="Normal">{e(p[4])}</p>
<div class="box_embed_video"><div class="thumb-above-video">Video: Xe buýt điện chạy thử</div></div>
<p class="Normal">{e(p[5])}</p>
<p class="Normal" style="text-align:right;"><strong>{e(author)}</strong></p>
</article>
<div class="box-tinlienquanv2"><h3>Tin liên quan</h3><ul><li><a href="/b.html">Xe buýt điện đầu tiên lăn bánh</a></li></ul></div>
</div></div></section>"""
    head = f"""<title>{e(title)} - VnExpress</title>
<meta name="pubdate" content="2025-10-22T19:25:00+07:00">
<meta property="og:title" content="{e(title)} - VnExpress">
<meta name="description" content="{e(lead)}">
{json_ld({"@context": "https://schema.org", "@type": "NewsArticle", "headline": title, "description": lead, "datePublished": "2025-10-22T19:25:00+07:00", "author": {"@type": "Organization", "name": "VnExpress"}})}"""
    return "vnexpress-2025", "vnexpress", "https://vnexpress.net/thanh-pho-mo-them-ba-tuyen-xe-buyt-dien-4950001.html", page(head, body), {
        "title": title, "lead": lead, "author": author, "pubDate": vietnam_time(when), "paragraphs": [p[0], p[1], p[2], p[3], p[4], p[5]]}


def vnexpress_2023():
    title = "Nông dân miền Tây chuyển sang trồng sầu riêng"
    lead = "Nhiều hộ ở Tiền Giang phá bỏ vườn cam để trồng sầu riêng sau hai năm giá trái cây này tăng mạnh."
    p = ["Ông Lê Văn Tám, 54 tuổi, cho biết cả ấp có gần 40 hộ đã đổi giống cây trong mùa khô vừa qua, phần lớn vay vốn ngân hàng để mua cây con.",
         "Một cây sầu riêng ghép cần ba đến bốn năm mới cho trái, trong thời gian đó các gia đình trồng xen chuối và đu đủ để có thu nhập.",
         "Cán bộ khuyến nông huyện khuyên bà con không nên bỏ hết vườn cũ, vì giá có thể giảm khi diện tích trồng cả nước tăng nhanh."]
    when = datetime.datetime(2023, 3, 14, 1, 5)
    body = f"""{NAV_VI}
<section class="container"><div class="sidebar_1">
<span class="date">Thứ ba, 14/3/2023, 08:05 (GMT+7)</span>
<h1 class="title-detail">{e(title)}</h1>
<p class="description">{e(lead)}</p>
<article class="fck_detail">
<p class="Normal">{e(p[0])}</p>
<p class="Normal">{e(p[1])}</p>
<figure class="tplCaption"><img src="x.jpg"><figcaption><p class="Image">Vườn sầu riêng ở Cai Lậy. Ảnh: Hoàng Nam</p></figcaption></figure>
<p class="Normal">{e(p[2])}</p>
<p class="author_mail"><strong>Hoàng Nam</strong></p>
</article></div></section>
<footer><p>© Copyright 1997 VnExpress.net</p></footer>"""
    head = f"<title>{e(title)} - VnExpress</title>"
    return "vnexpress-2023", "vnexpress", "https://vnexpress.net/nong-dan-mien-tay-4580002.html", page(head, body), {
        "title": title, "lead": lead, "author": "Hoàng Nam", "pubDate": vietnam_time(when), "paragraphs": p}


def vnexpress_2019():
    title = "Hà Nội thí điểm đèn tín hiệu thông minh"
    lead = "Mười nút giao ở quận Cầu Giấy sẽ dùng đèn tự đổi chu kỳ theo lưu lượng xe từ tuần tới."
    p = ["Hệ thống gồm camera đếm xe và bộ điều khiển đặt tại tủ điện ven đường, gửi dữ liệu về trung tâm mỗi 30 giây.",
         "Nếu thí điểm đạt yêu cầu, thành phố sẽ mở rộng ra 100 nút giao vào năm sau."]
    when = datetime.datetime(2019, 8, 5, 3, 0)
    body = f"""<div class="sidebar_1">
<span class="time left">Thứ hai, 5/8/2019, 10:00 (GMT+7)</span>
<h1 class="title_news_detail mb10">{e(title)}</h1>
<h2 class="description">{e(lead)}</h2>
<article class="content_detail fck_detail width_common block_ads_connect">
<p class="Normal">{e(p[0])}</p>
<p class="Normal">{e(p[1])}</p>
<p class="Normal" style="text-align: right;"><strong>Võ Hải</strong></p>
</article></div>"""
    return "vnexpress-2019", "vnexpress", "https://vnexpress.net/ha-noi-thi-diem-3960003.html", page("<title>x</title>", body), {
        "title": title, "lead": lead, "author": "Võ Hải", "pubDate": vietnam_time(when), "paragraphs": p}


def tuoitre_2024():
    title = "Sinh viên chế tạo máy lọc nước dùng năng lượng mặt trời"
    lead = "Nhóm sinh viên Trường đại học Bách khoa chế tạo máy lọc nước nhỏ gọn cho vùng ngập mặn, giá chưa đến 5 triệu đồng."
    p = ["Máy nặng khoảng 12 kg, lọc được 40 lít nước mỗi giờ khi trời nắng và chạy bằng pin dự phòng vào ban đêm.",
         "Trưởng nhóm Nguyễn Thị Lan cho biết nhóm mất gần một năm thử nghiệm tại hai xã ở Bến Tre trước khi hoàn thiện thiết kế.",
         "Bước tiếp theo",
         "Nhóm đang tìm doanh nghiệp hợp tác để sản xuất 200 máy đầu tiên, ưu tiên tặng các trường học vùng sâu."]
    when = datetime.datetime(2024, 6, 2, 1, 30)
    body = f"""<header class="header"><div class="menu"><a href="/">Tuổi Trẻ</a></div></header>
<div class="detail-container"><div class="detail-cmain">
<h1 class="detail-title article-title" data-role="title">{e(title)}</h1>
<div class="detail-top"><div class="detail-author"><div class="author-info"><a class="name" href="/tac-gia/hoang-lan.htm" title="Hoàng Lan">Hoàng Lan</a></div></div>
<div class="detail-time"><div data-role="publishdate">02/06/2024 08:30 GMT+7</div></div></div>
<h2 class="detail-sapo" data-role="sapo">{e(lead)}</h2>
<div class="detail-content afcbc-body" data-role="content" itemprop="articleBody">
<p>{e(p[0])}</p>
<figure class="VCSortableInPreviewMode" type="Photo"><div><img src="https://cdn.tuoitre.vn/2024/6/2/may-loc.jpg"></div><figcaption class="PhotoCMS_Caption"><p>Máy lọc nước của nhóm sinh viên - Ảnh: NHƯ HÙNG</p></figcaption></figure>
<p>{e(p[1])}</p>
<div class="VCSortableInPreviewMode" type="RelatedOneNews"><div class="relate-container"><a href="/c.htm">Sinh viên làm robot nhặt rác</a></div></div>
<h2>{e(p[2])}</h2>
<p>{e(p[3])}</p>
</div></div></div>
<div class="box-tin-lien-quan"><a href="/d.htm">Tin liên quan</a></div>"""
    head = f"<title>{e(title)} - Tuổi Trẻ Online</title><meta property=\"og:description\" content=\"{e(lead)}\">"
    return "tuoitre-2024", "tuoitre", "https://tuoitre.vn/sinh-vien-che-tao-may-loc-nuoc-20240602083000.htm", page(head, body), {
        "title": title, "lead": lead, "author": "Hoàng Lan", "pubDate": vietnam_time(when), "paragraphs": p}


def tuoitre_2019():
    title = "Chợ nổi Cái Răng đón khách trở lại"
    lead = "Sau đợt sửa bến, chợ nổi Cái Răng mở cửa lại với thêm bến đỗ cho ghe du lịch."
    p = ["Khoảng 300 ghe buôn đã quay lại họp chợ từ 4h sáng, bán chủ yếu trái cây và rau củ từ các huyện lân cận.",
         "Ban quản lý cho biết sẽ thu phí bến đỗ với ghe du lịch để có tiền vệ sinh mặt sông."]
    when = datetime.datetime(2019, 1, 20, 0, 0)
    body = f"""<div class="content-detail">
<h1 class="article-title">{e(title)}</h1>
<div class="date-time"><span class="date-time">20/01/2019 07:00 GMT+7</span></div>
<h2 class="sapo">{e(lead)}</h2>
<div id="main-detail-body" class="content fck">
<p>{e(p[0])}</p>
<div class="VCSortableInPreviewMode" type="Photo"><img src="y.jpg"><div class="PhotoCMS_Caption"><p>Ghe buôn ở chợ nổi - Ảnh: CHÍ QUỐC</p></div></div>
<p>{e(p[1])}</p>
<div class="author">CHÍ QUỐC</div>
</div></div>"""
    return "tuoitre-2019", "tuoitre", "https://tuoitre.vn/cho-noi-cai-rang-20190120070000.htm", page("<title>Chợ nổi</title>", body), {
        "title": title, "lead": lead, "author": "CHÍ QUỐC", "pubDate": vietnam_time(when), "paragraphs": p}


def thanhnien_2024():
    title = "Giá cà phê lập đỉnh mới, nông dân Tây Nguyên phấn khởi"
    lead = "Giá cà phê nhân xô tại Đắk Lắk vượt 120.000 đồng một kg, mức cao nhất từ trước đến nay."
    p = ["Nhiều thương lái cho biết nguồn hàng trong dân còn ít, trong khi các nhà rang xay nước ngoài vẫn đặt mua đều đặn.",
         "Ông Y Bhiô, một nông dân ở huyện Krông Pắc, nói gia đình ông giữ lại ba tấn để chờ giá, thay vì bán hết ngay sau vụ thu hoạch.",
         "Hiệp hội cà phê khuyến cáo người trồng không nên mở rộng diện tích ồ ạt, vì giá có thể đảo chiều khi vụ mới ở Brazil vào thu hoạch."]
    when = datetime.datetime(2024, 4, 18, 8, 45)
    body = f"""<div class="detail-cmain">
<h1 class="detail-title"><span data-role="title">{e(title)}</span></h1>
<div class="detail-info"><div class="detail-author"><a class="name" href="/tac-gia/hai-phong.htm">Hải Phong</a></div>
<div class="detail-time"><div data-role="publishdate">18/04/2024 15:45 GMT+7</div></div></div>
<h2 class="detail-sapo" data-role="sapo">{e(lead)}</h2>
<div class="detail-content afcbc-body" data-role="content">
<p>{e(p[0])}</p>
<figure class="VCSortableInPreviewMode" type="Photo"><img src="z.jpg"><figcaption><p>Phơi cà phê ở Đắk Lắk</p></figcaption></figure>
<p>Ảnh: Lê Hoài</p>
<p>{e(p[1])}</p>
<table class="VCSortableInPreviewMode"><tbody><tr><td>Giá cà phê các tỉnh</td></tr><tr><td>Đắk Lắk</td><td>120.500</td></tr></tbody></table>
<p>{e(p[2])}</p>
</div></div>"""
    head = f"<title>{e(title)}</title>"
    return "thanhnien-2024", "thanhnien", "https://thanhnien.vn/gia-ca-phe-lap-dinh-moi-185240418154500.htm", page(head, body), {
        "title": title, "lead": lead, "author": "Hải Phong", "pubDate": vietnam_time(when), "paragraphs": p}


def thanhnien_2020():
    title = "Học sinh TP.HCM đi học lại từ thứ hai"
    lead = "Sở Giáo dục cho biết toàn bộ học sinh các cấp sẽ đi học trực tiếp từ thứ hai tuần sau."
    p = ["Các trường phải bố trí phòng y tế riêng và kiểm tra thân nhiệt học sinh trước giờ vào lớp.",
         "Phụ huynh có thể đăng ký cho con học trực tuyến thêm hai tuần nếu gia đình có người đang điều trị bệnh."]
    when = datetime.datetime(2020, 5, 2, 2, 10)
    body = f"""<div class="l-content">
<h1 class="details__headline">{e(title)}</h1>
<div class="details__meta"><div class="meta"><time>02/05/2020 09:10 GMT+7</time></div></div>
<div class="details__author"><span class="author-name">Bích Thanh</span></div>
<div class="details__summary">{e(lead)}</div>
<div id="abody" class="details__content">
<p>{e(p[0])}</p>
<table class="imagefull"><tbody><tr><td><img src="q.jpg"></td></tr><tr><td>Học sinh trở lại trường. Ảnh: Độc Lập</td></tr></tbody></table>
<p>{e(p[1])}</p>
</div>
<div class="details__morenews"><a href="/e.html">Đọc thêm tin giáo dục</a></div></div>"""
    return "thanhnien-2020", "thanhnien", "https://thanhnien.vn/hoc-sinh-tphcm-di-hoc-lai-1216000.html", page("<title>x</title>", body), {
        "title": title, "lead": lead, "author": "Bích Thanh", "pubDate": vietnam_time(when), "paragraphs": p}


def dantri_2025():
    title = "Bệnh viện tuyến huyện được trang bị máy chụp cộng hưởng từ"
    lead = "(Dân trí) - Lần đầu tiên một bệnh viện tuyến huyện ở Nghệ An có máy chụp cộng hưởng từ, giúp người bệnh không phải lên tỉnh."
    p = ["Máy được đưa vào sử dụng từ đầu tháng, mỗi ngày chụp cho khoảng 20 người bệnh, chủ yếu là người cao tuổi bị thoát vị đĩa đệm.",
         "Bác sĩ Phan Minh Đức, giám đốc bệnh viện, cho biết chi phí chụp được bảo hiểm y tế chi trả gần như toàn bộ.",
         "Bệnh viện đã cử bốn kỹ thuật viên đi học ở Hà Nội trong ba tháng để vận hành máy."]
    when = datetime.datetime(2025, 5, 9, 4, 2)
    body = f"""<header class="site-header"><a href="/">Dân trí</a></header>
<main><article class="singular-container">
<h1 class="title-page detail">{e(title)}</h1>
<div class="author-wrap"><div class="author-name"><a href="/tac-gia/ha-anh.htm"><b>Hà Anh</b></a></div>
<time class="author-time" datetime="2025-05-09 11:02">Thứ sáu, 09/05/2025 - 11:02</time></div>
<div data-module="article-audio-new"><span>Nghe bài viết</span></div>
<h2 class="singular-sapo">{e(lead)}</h2>
<div class="singular-content">
<p>{e(p[0])}</p>
<figure class="image align-center"><img src="https://icdn.dantri.com.vn/2025/05/09/mri.jpg"><figcaption><p>Máy chụp cộng hưởng từ tại bệnh viện (Ảnh: Hà Anh).</p></figcaption></figure>
<p>{e(p[1])}</p>
<div class="dta-unit"><div id="ads-inread">Quảng cáo</div></div>
<p>{e(p[2])}</p>
<div class="singular-source">Theo Sở Y tế Nghệ An</div>
</div></article></main>"""
    head = f"<title>{e(title)} | Báo Dân trí</title>"
    return "dantri-2025", "dantri", "https://dantri.com.vn/suc-khoe/benh-vien-tuyen-huyen-20250509110200.htm", page(head, body), {
        "title": title, "lead": lead, "author": "Hà Anh", "pubDate": vietnam_time(when), "paragraphs": p}


def dantri_2021():
    title = "Mưa lớn gây ngập nhiều tuyến phố ở Đà Nẵng"
    lead = "(Dân trí) - Trận mưa kéo dài ba giờ khiến nhiều tuyến phố trung tâm Đà Nẵng ngập sâu 40 cm."
    p = ["Nhiều xe máy chết máy giữa đường, người dân phải dắt bộ qua các đoạn ngập trên đường Hàm Nghi và Lê Duẩn.",
         "Công ty thoát nước cho biết đã huy động 80 công nhân khơi thông cống và dự kiến nước rút trong đêm."]
    when = datetime.datetime(2021, 10, 12, 9, 30)
    body = f"""<article class="dt-news">
<h1 class="dt-news__title">{e(title)}</h1>
<div class="dt-news__meta"><span class="dt-news__time">Thứ ba, 12/10/2021 - 16:30</span></div>
<div class="dt-news__sapo"><h2>{e(lead)}</h2></div>
<div class="dt-news__content">
<p>{e(p[0])}</p>
<figure class="image"><img src="r.jpg"><figcaption>Đường Hàm Nghi ngập sâu.</figcaption></figure>
<p>{e(p[1])}</p>
<div class="dt-news__author"><b>Công Bính</b></div>
</div></article>"""
    return "dantri-2021", "dantri", "https://dantri.com.vn/xa-hoi/mua-lon-da-nang-20211012163000.htm", page("<title>x</title>", body), {
        "title": title, "lead": lead, "author": "Công Bính", "pubDate": vietnam_time(when), "paragraphs": p}


def bbc_vn():
    title = "Vì sao giá gạo châu Á tăng trở lại?"
    lead = "Giá gạo xuất khẩu của Việt Nam và Thái Lan tăng tuần thứ ba liên tiếp khi nhiều nước nhập khẩu tăng dự trữ."
    p = ["Các thương nhân ở Thành phố Hồ Chí Minh cho biết đơn hàng từ Philippines và Indonesia tăng gần gấp đôi so với cùng kỳ.",
         "Một số chuyên gia cho rằng thời tiết khô hạn ở Nam Á khiến các nước mua sớm hơn thường lệ.",
         "Nông dân được lợi bao nhiêu?",
         "Ở Đồng bằng sông Cửu Long, giá lúa tại ruộng tăng khoảng 10%, nhưng chi phí phân bón cũng tăng theo."]
    when = datetime.datetime(2025, 6, 2, 1, 30)
    cls = lambda n: f"bbc-{n:x}k{n % 7}"
    body = f"""<header role="banner"><a href="/vietnamese">BBC News Tiếng Việt</a><nav><ul><li><a href="/vietnamese">Trang chủ</a></li></ul></nav></header>
<div id="main-wrapper"><main role="main" class="{cls(11)}">
<div class="{cls(12)}"><h1 id="content" class="{cls(13)}" tabindex="-1">{e(title)}</h1></div>
<section aria-labelledby="byline" role="region" class="{cls(14)}"><ul><li><span class="{cls(15)}">Tác giả, </span>Thu Hằng</li><li><span>Vai trò, </span>BBC News Tiếng Việt</li></ul></section>
<time datetime="2025-06-02T01:30:00.000Z" class="{cls(16)}">2 tháng 6 2025</time>
<figure class="{cls(17)}"><div><img src="a.jpg"><p role="text" class="{cls(18)}"><span class="{cls(19)}">Nguồn hình ảnh, </span>Getty Images</p></div><figcaption class="{cls(20)}"><span class="{cls(21)}">Chụp lại hình ảnh, </span>Một cánh đồng lúa ở An Giang</figcaption></figure>
<div dir="ltr" class="{cls(22)}"><p class="{cls(23)}"><b class="{cls(24)}">{e(lead)}</b></p></div>
<div dir="ltr" class="{cls(22)}"><p class="{cls(23)}">{e(p[0])}</p></div>
<div dir="ltr" class="{cls(22)}"><p class="{cls(23)}">{e(p[1])}</p></div>
<div class="{cls(25)}"><p class="{cls(26)}">Cảnh báo: BBC không chịu trách nhiệm về nội dung của các trang bên ngoài.</p></div>
<div dir="ltr" class="{cls(22)}"><h2 class="{cls(27)}">{e(p[2])}</h2></div>
<div dir="ltr" class="{cls(22)}"><p class="{cls(23)}">{e(p[3])}</p></div>
<section aria-labelledby="related-content-heading" role="region" class="{cls(28)}"><h2 id="related-content-heading">Tin liên quan</h2><ul><li><a href="/vietnamese/x">Giá gạo năm ngoái</a></li></ul></section>
<div class="{cls(29)}"><span>Quảng cáo</span></div>
</main>
<section aria-labelledby="Most-Read" class="{cls(30)}"><h2 id="Most-Read">Đọc nhiều nhất</h2><ol><li><a href="/vietnamese/y">Tin khác</a></li></ol></section></div>
<footer role="contentinfo">BBC</footer>"""
    head = f"""<title>{e(title)} - BBC News Tiếng Việt</title>
{json_ld({"@context": "http://schema.org", "@type": "ReportageNewsArticle", "headline": title, "description": "Giá gạo xuất khẩu tăng tuần thứ ba liên tiếp.", "datePublished": "2025-06-02T01:30:00.000Z", "author": {"@type": "NewsMediaOrganization", "name": "BBC News Tiếng Việt"}})}"""
    return "bbc-vn", "bbc-vn", "https://www.bbc.com/vietnamese/articles/c1234567890o", page(head, body), {
        "title": title, "lead": lead, "author": "BBC News Tiếng Việt", "pubDate": vietnam_time(when), "paragraphs": p}


def bbc_world_2024():
    title = "Coastal flood barrier reaches first milestone"
    desc = "The first of four sluice gates has been fitted two months early."
    p = EN_BODY
    when = datetime.datetime(2024, 11, 3, 6, 12)
    tb = lambda t: f'<div data-component="text-block" class="sc-18fde0d6-0"><p class="sc-eb7bd5f6-0">{e(t)}</p></div>'
    body = f"""<header><nav><a href="/news">News</a><a href="/sport">Sport</a></nav></header>
<div id="main-content"><main><article>
<div data-component="headline-block" class="sc-a"><h1 class="sc-b">{e(title)}</h1></div>
<div data-component="byline-block" class="sc-c"><time datetime="2024-11-03T06:12:40.000Z">3 November 2024</time></div>
<div data-component="image-block"><figure><img src="https://ichef.bbci.co.uk/news/gate.jpg"><figcaption>The gate was lowered overnight</figcaption></figure></div>
{tb(p[0])}
{tb(p[1])}
<div data-component="ad-slot"><div>Advertisement</div></div>
<div data-component="subheadline-block"><h2>{e(p[2])}</h2></div>
{tb(p[3])}
<div data-component="caption-block"><p>Workers on the barrier in October</p></div>
{tb(p[4])}
<div data-component="links-block"><ul><li><a href="/news/uk-1">Flood defences to get funding</a></li></ul></div>
{tb(p[5])}
<div data-component="tag-list-block"><ul><li><a href="/news/topics/flooding">Flooding</a></li></ul></div>
</article></main></div>"""
    head = f"""<title>{e(title)} - BBC News</title>
<meta name="description" content="{e(desc)}">
{json_ld({"@context": "http://schema.org", "@type": "ReportageNewsArticle", "headline": title, "description": desc, "datePublished": "2024-11-03T06:12:40.000Z", "author": [{"@type": "Person", "name": "Tom Harlow"}]})}"""
    return "bbc-world-2024", "bbc-world", "https://www.bbc.com/news/articles/c0l2x3y4z5o", page(head, body), {
        "title": title, "lead": desc, "author": "Tom Harlow", "pubDate": vietnam_time(when), "paragraphs": p}


def bbc_world_2018():
    title = "Library reopens after two-year restoration"
    desc = "The Victorian reading room has been restored to its original colours."
    p = ["The city's central library has reopened to the public after a restoration that cost more than four million pounds.",
         "Volunteers spent months cataloguing the collection of local newspapers, some of which date back to the 1850s.",
         "The library will open late on Thursdays for the first time in its history."]
    when = datetime.datetime(2018, 4, 9, 9, 0)
    body = f"""<div class="story-body">
<h1 class="story-body__h1">{e(title)}</h1>
<div class="date date--v2" data-seconds="1523264400">9 April 2018</div>
<div class="story-body__inner" property="articleBody">
<figure class="media-landscape"><img src="l.jpg"><figcaption>The reading room</figcaption></figure>
<p class="story-body__introduction">{e(p[0])}</p>
<p>{e(p[1])}</p>
<div class="bbccom_advert_placeholder">Advertisement</div>
<p>{e(p[2])}</p>
</div></div>"""
    head = f"""<title>{e(title)} - BBC News</title>
<meta property="og:description" content="{e(desc)}">
<meta property="article:published_time" content="2018-04-09T09:00:00+00:00">
<meta name="author" content="BBC News">"""
    return "bbc-world-2018", "bbc-world", "https://www.bbc.co.uk/news/uk-england-43691234", page(head, body), {
        "title": title, "lead": desc, "author": "BBC News", "pubDate": vietnam_time(when), "paragraphs": p}


def guardian_current():
    title = "Allotment waiting lists grow as food prices bite"
    lead = "Councils report record demand for plots, with some lists now a decade long"
    p = ["More than 150,000 people are waiting for an allotment in England, according to a survey of local councils published on Monday.",
         "Some councils have closed their lists altogether, while others are splitting existing plots in half to let more people grow food.",
         "A changing crowd",
         "Plot holders say the people joining are younger than a decade ago, and more likely to be renting their homes.",
         "\"We used to be the old boys with flat caps,\" said one site secretary. \"Now half our members are under forty.\""]
    when = datetime.datetime(2025, 6, 7, 13, 30)
    body = f"""<header><nav data-component="nav2"><a href="/uk">UK</a><a href="/world">World</a></nav></header>
<main id="maincontent">
<div data-gu-name="headline"><h1>{e(title)}</h1></div>
<div data-gu-name="standfirst"><p>{e(lead)}</p></div>
<div data-gu-name="meta"><address data-component="meta-byline" aria-label="Contributor info"><div><a rel="author" href="/profile/jane-doe">Jane Doe</a> and <a rel="author" href="/profile/ravi-patel">Ravi Patel</a></div></address>
<details><summary>Sat 7 Jun 2025 14.30 BST</summary></details></div>
<div id="sign-in-gate"><p>Sign in to keep reading, it's free.</p></div>
<div class="article-body-commercial-selector article-body-viewer-selector dcr-1">
<p class="dcr-2">{e(p[0])}</p>
<figure data-spacefinder-role="inline"><img src="https://i.guim.co.uk/img/media/plot.jpg?width=300&s=abc"><figcaption>Plots at a site in Leeds. Photograph: A Photographer/The Guardian</figcaption></figure>
<p class="dcr-2">{e(p[1])}</p>
<gu-island name="RichLinkComponent" priority="feature"><aside><a href="/environment/x">Read more: Why we grow</a></aside></gu-island>
<h2 id="a-changing-crowd" class="dcr-3">{e(p[2])}</h2>
<p class="dcr-2">{e(p[3])}</p>
<figure id="newsletter"><p>Sign up to Down to Earth</p><p>Free weekly newsletter</p></figure>
<div class="ad-slot-container"><div class="ad-slot">Advertisement</div></div>
<p class="dcr-2">{e(p[4])}</p>
</div>
<aside data-print-layout="hide"><p>Explore more on these topics</p></aside>
</main>"""
    head = f"""<title>{e(title)} | Allotments | The Guardian</title>
<meta property="article:published_time" content="2025-06-07T13:30:00.000Z">
<meta property="og:title" content="{e(title)}">"""
    return "guardian-2025", "guardian", "https://www.theguardian.com/lifeandstyle/2025/jun/07/allotment-waiting-lists", page(head, body), {
        "title": title, "lead": lead, "author": "Jane Doe, Ravi Patel", "pubDate": vietnam_time(when), "paragraphs": p}


def guardian_2016():
    title = "Rail fares to rise by 2% in January"
    lead = "Commuters face another above-inflation rise in the cost of season tickets"
    p = ["Regulated rail fares will rise by an average of 2% in the new year, the industry body announced on Thursday.",
         "Campaigners said the increase would hit commuters who have already seen fares rise faster than wages for a decade."]
    when = datetime.datetime(2016, 8, 18, 7, 0)
    body = f"""<div class="content__main">
<h1 class="content__headline" itemprop="headline">{e(title)}</h1>
<div class="content__standfirst" itemprop="description"><p>{e(lead)}</p></div>
<p class="byline"><span itemprop="author" itemscope itemtype="http://schema.org/Person"><a rel="author" href="/profile/ann-lee"><span itemprop="name">Ann Lee</span></a></span></p>
<time itemprop="datePublished" datetime="2016-08-18T08:00:00+0100">Thursday 18 August 2016 08.00 BST</time>
<div class="content__article-body from-content-api js-article__body" itemprop="articleBody">
<p>{e(p[0])}</p>
<aside class="element element-rich-link"><p>Read more: <a href="/x">Fares explained</a></p></aside>
<p>{e(p[1])}</p>
<div class="submeta"><a href="/uk/rail">Rail transport</a></div>
</div></div>"""
    return "guardian-2016", "guardian", "https://www.theguardian.com/money/2016/aug/18/rail-fares-rise", page("<title>x | The Guardian</title>", body), {
        "title": title, "lead": lead, "author": "Ann Lee", "pubDate": vietnam_time(when), "paragraphs": p}


def main():
    os.makedirs(HERE, exist_ok=True)
    cases = []
    for make in [vnexpress_2025, vnexpress_2023, vnexpress_2019, tuoitre_2024, tuoitre_2019,
                 thanhnien_2024, thanhnien_2020, dantri_2025, dantri_2021, bbc_vn,
                 bbc_world_2024, bbc_world_2018, guardian_current, guardian_2016]:
        name, publisher, url, markup, expected = make()
        with open(os.path.join(HERE, name + ".html"), "w", encoding="utf-8") as out:
            out.write(markup)
        cases.append({"page": name + ".html", "publisher": publisher, "url": url, **expected})
    with open(os.path.join(HERE, "expected.json"), "w", encoding="utf-8") as out:
        json.dump(cases, out, ensure_ascii=False, indent=1)
        out.write("\n")


if __name__ == "__main__":
    main()
