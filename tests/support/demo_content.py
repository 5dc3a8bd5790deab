"""Demo content of the stand-in news server, written for this project.

Every headline, lead and paragraph here is invented; the links point at the
reserved domain demo.papyr.invalid, which resolves nowhere. `build()` turns the
hand-written pools below into feeds for every source and category of the
built-in catalogue, and one article per headline, deterministically (the same
data on every run, so tests and screenshots can rely on it).

Articles differ in shape on purpose: short ones, one without a summary, one
without author and date, one of about 3,000 words in 30 paragraphs, and links
with a query, a fragment and Vietnamese letters.
"""

import datetime
import math

DOMAIN = "https://demo.papyr.invalid"

# (id, name, language, categories as (id, theme)) in catalogue order.
SOURCES = [
    ("vnexpress", "VnExpress", "vi",
     [("tin-moi", "mixed"), ("thoi-su", "society"), ("the-gioi", "world"),
      ("cong-nghe", "tech"), ("kinh-doanh", "business")]),
    ("tuoitre", "Tuổi Trẻ", "vi",
     [("tin-moi", "mixed"), ("thoi-su", "society"), ("the-gioi", "world"),
      ("cong-nghe", "tech"), ("kinh-doanh", "business")]),
    ("dantri", "Dân Trí", "vi",
     [("tin-moi", "mixed"), ("xa-hoi", "society"), ("the-gioi", "world"),
      ("cong-nghe", "tech"), ("kinh-doanh", "business")]),
    ("thanhnien", "Thanh Niên", "vi",
     [("tin-moi", "mixed"), ("thoi-su", "society"), ("the-gioi", "world"),
      ("cong-nghe", "tech"), ("kinh-te", "business")]),
    ("bbc-vn", "BBC Tiếng Việt", "vi", [("tin-moi", "mixed")]),
    ("bbc-world", "BBC News (Global)", "en",
     [("world", "world"), ("technology", "tech"), ("business", "business"),
      ("science", "science")]),
    ("guardian", "The Guardian (Global)", "en",
     [("world", "world"), ("technology", "tech"), ("environment", "environment")]),
]

# Headlines as (title, lead), by language and theme.
HEADLINES = {
    "vi": {
        "society": [
            ("Hà Nội thử nghiệm làn xe buýt riêng trên tuyến vành đai",
             "Trong ba tháng thử nghiệm, xe buýt sẽ chạy trên làn riêng vào giờ cao điểm sáng và chiều."),
            ("Mùa mưa đến sớm, nhiều tỉnh miền Trung chủ động sơ tán dân",
             "Chính quyền địa phương đã chuẩn bị nơi ở tạm và lương thực cho các hộ sống ven sông."),
            ("Học sinh vùng cao đến trường bằng cầu treo mới",
             "Cây cầu dài 80 mét thay cho lối lội suối mà các em vẫn đi mỗi mùa lũ."),
            ("Thành phố mở thêm 12 điểm thu gom pin cũ",
             "Người dân có thể mang pin, ắc quy nhỏ đến các nhà văn hóa phường vào cuối tuần."),
            ("Chợ đêm ven sông thu hút khách trẻ dịp cuối tuần",
             "Các gian hàng đồ thủ công và món ăn địa phương mở cửa từ 18 giờ đến nửa đêm."),
            ("Bệnh viện tuyến huyện được trang bị máy chụp cắt lớp",
             "Người bệnh không còn phải đi hơn 60 km lên tỉnh để làm xét nghiệm hình ảnh."),
            ("Thư viện lưu động mang sách về các xã đảo",
             "Mỗi chuyến tàu chở theo hơn hai nghìn đầu sách cho thiếu nhi và người lớn."),
            ("Công viên trung tâm cấm xe máy từ tháng sau",
             "Khu vực đỗ xe được chuyển ra các tuyến phố xung quanh để dành lối đi cho người đi bộ."),
            ("Tình nguyện viên dọn sạch bãi biển sau kỳ nghỉ lễ",
             "Hơn ba tấn rác nhựa được thu gom chỉ trong một buổi sáng."),
            ("Tuyến đường ven biển mới rút ngắn thời gian đi lại một nửa",
             "Con đường dài 42 km nối các làng chài với trung tâm huyện."),
        ],
        "world": [
            ("Hội nghị khí hậu khu vực thống nhất lộ trình giảm phát thải",
             "Các nước tham dự cam kết công bố số liệu phát thải hằng năm theo cùng một chuẩn."),
            ("Một thành phố châu Âu miễn phí giao thông công cộng cho học sinh",
             "Chính sách áp dụng cho mọi học sinh dưới 18 tuổi trên tất cả tuyến xe buýt và tàu điện."),
            ("Băng tan sớm khiến các tuyến vận tải phía bắc thay đổi lịch trình",
             "Các hãng tàu phải điều chỉnh kế hoạch khi mùa băng năm nay ngắn hơn dự kiến."),
            ("Lễ hội đèn lồng quốc tế quy tụ nghệ nhân từ 20 quốc gia",
             "Hơn năm trăm chiếc đèn thủ công được trưng bày dọc bờ sông trong một tuần."),
            ("Nắng nóng kỷ lục ở Nam Âu, nhiều nơi hạn chế dùng nước",
             "Nhiệt độ vượt 44 độ C tại một số vùng, các thành phố mở thêm điểm làm mát công cộng."),
            ("Tuyến đường sắt xuyên biên giới mới chính thức vận hành",
             "Hành khách có thể đi giữa hai thủ đô trong chưa đầy năm giờ."),
            ("Các nhà khoa học quốc tế khởi động dự án bản đồ đáy biển",
             "Dự án kéo dài mười năm, dùng tàu tự hành để đo độ sâu những vùng chưa từng khảo sát."),
            ("Diễn đàn thanh niên toàn cầu bàn về việc làm xanh",
             "Đại biểu trẻ đề xuất chương trình học nghề gắn với năng lượng tái tạo."),
        ],
        "tech": [
            ("Máy chơi game cầm tay chạy Linux ngày càng được ưa chuộng",
             "Người dùng thích khả năng tự cài phần mềm và kéo dài tuổi thọ thiết bị."),
            ("Ứng dụng đọc báo ngoại tuyến giúp tiết kiệm dữ liệu di động",
             "Bài viết được lưu lại sau lần mở đầu tiên để đọc tiếp khi không có mạng."),
            ("Trường đại học mở phòng thí nghiệm vi mạch cho sinh viên",
             "Sinh viên được tự thiết kế và thử nghiệm chip trên các bo mạch mẫu."),
            ("Pin thể rắn thế hệ mới hứa hẹn sạc đầy trong 15 phút",
             "Nhóm nghiên cứu cho biết mẫu thử giữ được 90% dung lượng sau một nghìn lần sạc."),
            ("Cộng đồng lập trình viên dịch tài liệu mã nguồn mở sang tiếng Việt",
             "Hơn hai trăm tình nguyện viên tham gia dịch và rà soát thuật ngữ."),
            ("Màn hình mực điện tử màu xuất hiện trên máy đọc sách giá rẻ",
             "Màn hình mới hiển thị bốn nghìn màu và tiêu thụ điện năng rất thấp."),
            ("Robot giao hàng thử nghiệm trong khu đô thị mới",
             "Những chiếc xe nhỏ tự hành chở hàng từ cửa hàng tiện lợi đến sảnh chung cư."),
            ("Cuộc thi lập trình trò chơi retro thu hút hàng trăm đội",
             "Các đội phải làm trò chơi chạy mượt trên phần cứng có bộ nhớ chỉ 64 MB."),
        ],
        "business": [
            ("Giá cà phê xuất khẩu tăng mạnh đầu vụ",
             "Nhu cầu từ các nhà rang xay châu Âu đẩy giá lên mức cao nhất trong nhiều tháng."),
            ("Doanh nghiệp nhỏ chuyển sang bán hàng qua livestream",
             "Nhiều cửa hàng cho biết doanh thu trực tuyến đã vượt doanh thu tại quầy."),
            ("Cảng biển nước sâu đón tàu container lớn nhất từ trước đến nay",
             "Con tàu dài gần 400 mét cập cảng sau nhiều tháng nạo vét luồng."),
            ("Ngân hàng giảm lãi suất cho vay mua nhà lần đầu",
             "Mức ưu đãi áp dụng trong năm đầu với các khoản vay dưới hai tỷ đồng."),
            ("Làng nghề gốm xuất khẩu sang thị trường Bắc Âu",
             "Những mẫu bình men lam được đặt hàng số lượng lớn cho mùa lễ hội cuối năm."),
            ("Giá vé máy bay nội địa hạ nhiệt sau cao điểm hè",
             "Các hãng tăng chuyến trên những đường bay du lịch để giữ chân khách."),
            ("Nông dân trồng sầu riêng áp dụng nhật ký điện tử",
             "Mỗi lô hàng có mã truy xuất để đáp ứng yêu cầu của nhà nhập khẩu."),
            ("Chuỗi cửa hàng tiện lợi mở rộng ra các thị trấn",
             "Công ty dự kiến khai trương thêm 150 cửa hàng trong năm nay."),
        ],
    },
    "en": {
        "world": [
            ("Coastal towns agree shared plan for rising tides",
             "Ten municipalities will pool funds for sea walls and early-warning sirens."),
            ("Night trains return to a busy continental route",
             "Sleeper carriages are back after a decade, with fares aimed at students."),
            ("Mountain village powers itself with a small river turbine",
             "The community-owned turbine covers almost all of the village's winter demand."),
            ("City opens its first car-free school streets",
             "Roads outside five primary schools close to traffic at drop-off and pick-up times."),
            ("Island nation launches digital residency for remote workers",
             "Applicants must show a steady income and will pay a flat annual fee."),
            ("Festival of lights draws record crowds despite the rain",
             "Organisers counted more than two hundred thousand visitors over four nights."),
            ("Rescue teams practise for floods in a joint exercise",
             "Crews from three neighbouring regions trained together on the same river basin."),
        ],
        "tech": [
            ("Handheld consoles find a second life with community software",
             "Enthusiasts keep older devices useful long after official updates stop."),
            ("Open-source e-reader project reaches version one",
             "The firmware now supports offline reading lists and adjustable fonts."),
            ("Researchers build a sensor that runs on ambient light",
             "The tiny device reports temperature readings without any battery."),
            ("Libraries lend out laptops to close the homework gap",
             "Pupils can borrow a computer for a term, with help from volunteer tutors."),
            ("A retro game jam asks for games under 64 kilobytes",
             "Entries must fit in less memory than a single photo on a modern phone."),
            ("Repair cafés report a surge in broken phone screens",
             "Volunteers say spare parts are easier to find than they were five years ago."),
        ],
        "business": [
            ("Small bakeries band together to buy flour in bulk",
             "A new cooperative hopes to shield members from rising ingredient prices."),
            ("Shipping costs ease as port congestion clears",
             "Freight rates have fallen for the third month in a row."),
            ("Four-day week trial ends with most firms staying on",
             "Companies cited fewer sick days and easier hiring."),
            ("Second-hand clothing market keeps growing",
             "Resale platforms report more sellers than ever in their spring season."),
            ("Regional airline adds routes to smaller cities",
             "The carrier will use quieter turboprop aircraft on the new connections."),
        ],
        "science": [
            ("Astronomers map a dusty disc around a young star",
             "The images show gaps that may be carved by forming planets."),
            ("Deep-sea survey records dozens of unnamed species",
             "Remote vehicles filmed the animals at depths of more than four kilometres."),
            ("Ancient seeds sprout after centuries in a dry cave",
             "Botanists grew healthy seedlings from a small cache found in a clay jar."),
            ("New map of the brain's wiring published for all to use",
             "The open dataset covers connections between more than a hundred regions."),
            ("Citizen scientists spot a comet in archive photos",
             "Volunteers combing through old survey plates found the faint object."),
        ],
        "environment": [
            ("Wetland restoration brings back migrating birds",
             "Counts at the reserve have doubled since the old drainage ditches were blocked."),
            ("Urban rooftops turned into pollinator gardens",
             "The scheme offers grants to buildings that plant native flowering species."),
            ("Rivers cleaner after a decade of upgrades to treatment plants",
             "Oxygen levels have improved along most of the monitored stretches."),
            ("Community orchards planted on disused railway land",
             "Residents will share the harvest of apples, pears and plums."),
            ("Study finds quieter streets help city songbirds",
             "Birds near low-traffic roads sang at lower, more natural pitches."),
        ],
    },
}

# Body paragraphs by language and theme; each article takes a few of them.
PARAGRAPHS = {
    "vi": {
        "society": [
            "Theo kế hoạch, đơn vị phụ trách sẽ lấy ý kiến người dân trong suốt thời gian triển khai và công bố kết quả đánh giá sau khi kết thúc giai đoạn đầu.",
            "Nhiều người dân cho biết họ ủng hộ sự thay đổi, dù vẫn cần thêm thời gian để làm quen với cách tổ chức mới.",
            "Chính quyền địa phương khẳng định kinh phí thực hiện đã được bố trí đầy đủ và sẽ được công khai trên cổng thông tin của thành phố.",
            "Các chuyên gia đô thị nhận định đây là bước đi cần thiết, nhưng hiệu quả lâu dài phụ thuộc vào việc duy trì và giám sát thường xuyên.",
            "Trong những tuần tới, lực lượng chức năng sẽ tăng cường hướng dẫn tại các điểm đông người để tránh ùn tắc.",
        ],
        "world": [
            "Giới quan sát cho rằng kết quả này phản ánh mong muốn hợp tác ngày càng rõ nét giữa các nước trong khu vực.",
            "Các tổ chức quốc tế hoan nghênh quyết định và cam kết hỗ trợ kỹ thuật trong giai đoạn đầu triển khai.",
            "Tuy vậy, một số ý kiến lo ngại chi phí thực hiện sẽ là gánh nặng với các địa phương có nguồn lực hạn chế.",
            "Người dân tại nhiều thành phố đã theo dõi sự kiện qua các màn hình lớn đặt ở quảng trường trung tâm.",
            "Các bên dự kiến gặp lại vào cuối năm để đánh giá tiến độ và điều chỉnh mục tiêu nếu cần.",
        ],
        "tech": [
            "Theo nhóm phát triển, sản phẩm được thiết kế để hoạt động tốt ngay cả trên những thiết bị có cấu hình khiêm tốn.",
            "Người dùng thử nghiệm đánh giá cao tốc độ phản hồi và giao diện đơn giản, dễ làm quen.",
            "Mã nguồn của dự án được công bố công khai để cộng đồng cùng đóng góp và kiểm tra lỗi.",
            "Các chuyên gia khuyến nghị người dùng thường xuyên cập nhật phần mềm để được vá các lỗ hổng bảo mật.",
            "Nhóm nghiên cứu cho biết giai đoạn tiếp theo sẽ tập trung vào việc giảm điện năng tiêu thụ.",
        ],
        "business": [
            "Theo số liệu sơ bộ, doanh thu của ngành trong quý vừa qua tăng khoảng 8% so với cùng kỳ năm trước.",
            "Các doanh nghiệp cho biết chi phí vận chuyển và nguyên liệu vẫn là thách thức lớn nhất trong năm nay.",
            "Giới phân tích dự báo thị trường sẽ ổn định hơn vào nửa cuối năm khi nhu cầu tiêu dùng phục hồi.",
            "Nhiều cơ sở sản xuất đã đầu tư dây chuyền mới để đáp ứng tiêu chuẩn chất lượng của khách hàng nước ngoài.",
            "Hiệp hội ngành hàng kiến nghị đơn giản hóa thủ tục để doanh nghiệp nhỏ tiếp cận vốn dễ dàng hơn.",
        ],
    },
    "en": {
        "world": [
            "Officials said the first results would be reviewed in the spring, with a public report to follow.",
            "Residents interviewed on the street were broadly supportive, though several asked for clearer information.",
            "Neighbouring regions are watching closely and some have already asked to share the plans.",
            "Critics argue the budget is too small, but organisers say the scheme can grow once it proves itself.",
        ],
        "tech": [
            "The developers say the project was built to run well on modest hardware with little memory.",
            "Early testers praised the simple interface and how quickly it responds to input.",
            "All of the code has been published so that anyone can study it, fix bugs or adapt it.",
            "The team plans to focus next on battery life and on support for more languages.",
        ],
        "business": [
            "Preliminary figures suggest turnover in the sector rose by around six per cent on the year.",
            "Owners say energy and transport costs remain their biggest worry for the coming months.",
            "Analysts expect demand to settle later in the year as household budgets recover.",
            "Several firms have invested in new equipment to meet the standards of overseas buyers.",
        ],
        "science": [
            "The researchers stress that the findings are preliminary and will need to be confirmed.",
            "All of the data has been released so that other teams can check the analysis.",
            "The work relied on instruments that were unavailable even a decade ago.",
            "Next year the group hopes to repeat the measurements over a longer period.",
        ],
        "environment": [
            "Volunteers have recorded changes every month since the work began three years ago.",
            "Local councils say the approach costs less than the engineering works it replaces.",
            "Ecologists caution that recovery can stall if funding is not kept up.",
            "Schools nearby use the sites for outdoor lessons during the summer term.",
        ],
    },
}

# Sentences of the one long article; paragraphs are cut from a rotation of them.
LONG_ARTICLE_SENTENCES = [
    "Buổi sáng ở thị trấn ven biển bắt đầu từ rất sớm, khi những chiếc thuyền đầu tiên trở về bến sau một đêm dài ngoài khơi.",
    "Người bán cá bày hàng dọc con đường lát đá, tiếng gọi nhau í ới hòa cùng tiếng sóng vỗ vào kè.",
    "Những đứa trẻ đạp xe qua chợ trên đường đến trường, chiếc cặp sách đung đưa sau lưng.",
    "Ông lão sửa lưới ngồi dưới gốc phi lao, đôi tay thoăn thoắt dù mắt đã không còn tinh như trước.",
    "Theo những người lớn tuổi trong làng, nghề biển ở đây đã có từ hơn hai trăm năm và được truyền qua nhiều thế hệ.",
    "Mỗi gia đình đều có những câu chuyện riêng về các chuyến đi xa, về những mùa cá bội thu và cả những mùa bão dữ.",
    "Gần đây, nhiều người trẻ đã chọn ở lại quê để làm du lịch cộng đồng thay vì lên thành phố tìm việc.",
    "Họ dẫn khách đi thăm làng chài, chỉ cho khách cách đan lưới và nấu những món ăn quen thuộc của vùng biển.",
    "Du khách thường nán lại đến chiều để ngắm hoàng hôn từ ngọn hải đăng cũ ở cuối mũi đất.",
    "Chính quyền địa phương đã hỗ trợ xây dựng một nhà trưng bày nhỏ, nơi lưu giữ những dụng cụ đánh bắt xưa.",
    "Trong nhà trưng bày có cả những tấm ảnh đen trắng chụp bến thuyền từ nhiều thập kỷ trước.",
    "Người hướng dẫn kể rằng mỗi hiện vật đều do chính người dân trong làng tự nguyện đóng góp.",
    "Vào mùa lễ hội, cả làng cùng nhau chuẩn bị lễ cầu ngư với những nghi thức được giữ gìn cẩn thận.",
    "Tiếng trống hội vang lên từ sáng sớm, những chiếc thuyền được trang trí cờ hoa rực rỡ.",
    "Các bà, các mẹ tất bật chuẩn bị mâm cỗ, còn thanh niên thì tập dượt cho cuộc đua thuyền truyền thống.",
    "Năm nay, ban tổ chức còn mời thêm các đội từ những làng lân cận đến tham gia giao lưu.",
    "Bên cạnh niềm vui, người dân cũng không giấu nỗi lo về nguồn lợi thủy sản đang ngày càng suy giảm.",
    "Nhiều ngư dân đã tham gia các lớp tập huấn về khai thác bền vững và bảo vệ rạn san hô ven bờ.",
    "Một nhóm tình nguyện viên còn định kỳ lặn xuống làm sạch rác thải và theo dõi sức khỏe của rạn.",
    "Theo các nhà khoa học, nếu được bảo vệ tốt, hệ sinh thái ở đây có thể phục hồi đáng kể trong vòng mười năm.",
    "Chiều xuống, những gian hàng ăn vặt bắt đầu sáng đèn, mùi mực nướng lan khắp con phố nhỏ.",
    "Khách phương xa ngồi bên những chiếc bàn thấp, vừa ăn vừa nghe người bản địa kể chuyện làng.",
    "Đêm về, bến thuyền lại rộn ràng khi các tàu chuẩn bị cho chuyến ra khơi tiếp theo.",
    "Ánh đèn trên mặt biển lấp lánh như một thành phố nổi, kéo dài đến tận đường chân trời.",
]

VI_AUTHORS = ["Minh Anh", "Trần Hoài Nam", "Lê Phương Thảo", "Ngọc Hân", "Quốc Bảo", "Đỗ Thu Hà"]
EN_AUTHORS = ["Alex Morgan", "Priya Nair", "Tom Ellis", "Hannah Okafor", "Daniel Reyes"]

VI_WEEKDAYS = ["Thứ hai", "Thứ ba", "Thứ tư", "Thứ năm", "Thứ sáu", "Thứ bảy", "Chủ nhật"]

# Every headline was "published" some hours before this moment.
NEWS_CLOCK = datetime.datetime(2025, 6, 2, 9, 30)

THEMES_OF_MIXED = ["society", "world", "tech", "business"]


def vi_date(moment):
    return (f"{VI_WEEKDAYS[moment.weekday()]}, {moment.day}/{moment.month}/{moment.year}, "
            f"{moment:%H:%M} (GMT+7)")


def en_date(moment):
    return moment.strftime("%a, %d %b %Y %H:%M:%S GMT")


def pick_headlines(language, theme, offset, count):
    """A rotation of the theme's pool, so sources sharing a theme start differently."""
    if theme == "mixed":
        pools = [HEADLINES[language][t] for t in THEMES_OF_MIXED]
        merged = [pool[i] + (t,) for i in range(max(map(len, pools)))
                  for pool, t in zip(pools, THEMES_OF_MIXED) if i < len(pool)]
    else:
        merged = [entry + (theme,) for entry in HEADLINES[language][theme]]
    return [merged[(offset + i) % len(merged)] for i in range(count)]


def long_paragraphs():
    """30 paragraphs of 5 sentences each, about 3,000 words in all."""
    sentences = LONG_ARTICLE_SENTENCES
    paragraphs = []
    for p in range(30):
        start = (p * 7) % len(sentences)
        paragraphs.append(" ".join(sentences[(start + k) % len(sentences)] for k in range(5)))
    return paragraphs


def body_paragraphs(language, theme, seed, count):
    pool = PARAGRAPHS[language][theme]
    return [pool[(seed + k) % len(pool)] for k in range(count)]


def word_count(paragraphs):
    return sum(len(p.split()) for p in paragraphs)


def slug(source, category, n):
    return f"{DOMAIN}/{source}/{category}/tin-{n + 1}.html"


# Links that exercise percent-encoding and the cache file names: a query with
# "&", "=" and a fragment, and Vietnamese letters in the path.
SPECIAL_LINKS = {
    ("guardian", "world", 0): f"{DOMAIN}/guardian/world/story?id=7&ref=feed#top",
    ("dantri", "xa-hoi", 0): f"{DOMAIN}/dantri/xa-hoi/thư-viện-lưu-động-về-xã-đảo.html",
}

# Article shapes: by (source, category, index).
LONG_ARTICLE = ("vnexpress", "tin-moi", 1)
NO_SUMMARY = ("vnexpress", "tin-moi", 2)
NO_AUTHOR_NO_DATE = ("vnexpress", "tin-moi", 3)
SHORT_ARTICLE = ("vnexpress", "tin-moi", 4)

# The long article tells its own story, so it has its own headline.
LONG_HEADLINE = (
    "Một ngày ở làng chài ven biển: nghề cũ, khách mới",
    "Ghi chép về nhịp sống của một thị trấn biển, nơi nghề cá hàng trăm năm tuổi gặp du lịch cộng đồng.",
)

# How many headlines each feed has; the first feed has more than one screen
# of cards (the list shows five).
FEED_SIZES = {("vnexpress", "tin-moi"): 8, ("bbc-vn", "tin-moi"): 6}


def feed_size(source, category, source_index, category_index):
    return FEED_SIZES.get((source, category), 3 + (source_index + category_index) % 3)


def build():
    feeds = []
    articles = []
    hour = 0
    for source_index, (source, source_name, language, categories) in enumerate(SOURCES):
        authors = VI_AUTHORS if language == "vi" else EN_AUTHORS
        date_text = vi_date if language == "vi" else en_date
        for category_index, (category, theme) in enumerate(categories):
            count = feed_size(source, category, source_index, category_index)
            items = []
            for n, (title, lead, item_theme) in enumerate(
                    pick_headlines(language, theme, source_index * 3, count)):
                key = (source, category, n)
                hour += 1
                moment = NEWS_CLOCK - datetime.timedelta(hours=hour, minutes=7 * n)
                link = SPECIAL_LINKS.get(key, slug(source, category, n))
                author = None
                if n % 2 == 0 and key != NO_AUTHOR_NO_DATE:
                    author = authors[(hour + n) % len(authors)]
                image = f"{DOMAIN}/images/{source}-{category}-{n + 1}.jpg" if n % 3 == 0 else None
                if key == LONG_ARTICLE:
                    title, lead = LONG_HEADLINE
                if key == NO_SUMMARY:
                    lead = ""
                items.append({
                    "id": f"{source}-{category}-{n + 1}",
                    "title": title,
                    "lead": lead,
                    "link": link,
                    "pubDate": "" if key == NO_AUTHOR_NO_DATE else date_text(moment),
                    "imageUrl": image,
                    "author": author,
                    "sourceId": source,
                    "sourceName": source_name,
                    "categoryId": category,
                })
                if key == LONG_ARTICLE:
                    paragraphs = long_paragraphs()
                elif key == SHORT_ARTICLE:
                    paragraphs = body_paragraphs(language, item_theme, hour, 1)
                else:
                    paragraphs = [lead] * bool(lead) + body_paragraphs(language, item_theme, hour, 2 + hour % 4)
                words = word_count(paragraphs)
                articles.append({
                    "url": link,
                    "source": source_name,
                    "title": title,
                    "lead": lead,
                    "author": author,
                    "pubDate": None if key == NO_AUTHOR_NO_DATE else date_text(moment),
                    "paragraphs": paragraphs,
                    "wordCount": words,
                    "readingTimeMinutes": max(1, math.ceil(words / 200)),
                })
            feeds.append({"source": source, "category": category, "items": items})
    return {"feeds": feeds, "articles": articles}
