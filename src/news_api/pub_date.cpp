#include "news_api/pub_date.h"

#include <array>
#include <chrono>
#include <cstdio>

namespace papyr {
namespace {

struct Fields {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    std::optional<int> offset_minutes;
};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// A cursor over the date text. Every reading step either consumes what it
// reads and answers it, or consumes nothing.
class Cursor {
  public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool done() const { return pos_ >= text_.size(); }
    char peek() const { return done() ? '\0' : text_[pos_]; }
    std::string_view rest() const { return text_.substr(pos_); }

    bool eat(char c) {
        if (peek() != c)
            return false;
        ++pos_;
        return true;
    }
    void skip_spaces() {
        while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')
            ++pos_;
    }
    // Spaces and the punctuation that separates a date from its time.
    void skip_separators() {
        while (peek() == ' ' || peek() == ',' || peek() == '-' || peek() == '|' || peek() == '\t')
            ++pos_;
    }

    // An unsigned number of min_digits to max_digits digits.
    std::optional<int> number(std::size_t min_digits, std::size_t max_digits) {
        std::size_t end = pos_;
        int value = 0;
        while (end < text_.size() && end - pos_ < max_digits && text_[end] >= '0' &&
               text_[end] <= '9') {
            value = value * 10 + (text_[end] - '0');
            ++end;
        }
        if (end - pos_ < min_digits ||
            (end < text_.size() && text_[end] >= '0' && text_[end] <= '9'))
            return std::nullopt;
        pos_ = end;
        return value;
    }

    // A run of ASCII letters.
    std::string_view word() {
        const std::size_t start = pos_;
        while ((peek() >= 'a' && peek() <= 'z') || (peek() >= 'A' && peek() <= 'Z'))
            ++pos_;
        return text_.substr(start, pos_ - start);
    }

    bool eat_word(std::string_view expected) {
        const std::size_t start = pos_;
        if (equals_ignoring_case(word(), expected))
            return true;
        pos_ = start;
        return false;
    }

    std::size_t position() const { return pos_; }
    void rewind(std::size_t position) { pos_ = position; }

  private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

std::string_view trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// "Thu, ", "Thursday ", "Thứ tư, ", "Chủ nhật, ": skipped without checking
// that the day is right (feeds get it wrong, and the date says it anyway).
std::string_view strip_weekday(std::string_view text) {
    static constexpr std::array<std::string_view, 14> kEnglish = {
        "mon",    "tue",     "wed",       "thu",      "fri",    "sat",      "sun",
        "monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"};
    static constexpr std::array<std::string_view, 2> kVietnamese = {"Thứ ", "Chủ nhật"};
    for (const auto prefix : kVietnamese) {
        if (text.substr(0, prefix.size()) == prefix) {
            const auto comma = text.find(',');
            return comma == std::string_view::npos ? text : trim(text.substr(comma + 1));
        }
    }
    Cursor cursor(text);
    const std::string_view name = cursor.word();
    for (const auto day : kEnglish) {
        if (equals_ignoring_case(name, day)) {
            cursor.eat('.');
            cursor.skip_spaces();
            cursor.eat(',');
            return trim(cursor.rest());
        }
    }
    return text;
}

std::optional<int> month_from_name(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "january", "february", "march",     "april",   "may",      "june",
        "july",    "august",   "september", "october", "november", "december"};
    if (name.size() < 3)
        return std::nullopt;
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        const bool abbreviation = name.size() == 3 || (name.size() == 4 && i == 8);  // "Sept"
        if (equals_ignoring_case(name, kMonths[i]) ||
            (abbreviation && equals_ignoring_case(name, kMonths[i].substr(0, name.size()))))
            return static_cast<int>(i) + 1;
    }
    return std::nullopt;
}

// "+0700", "+07:00", "+07", "-5": minutes east of UTC.
std::optional<int> numeric_offset(Cursor& cursor) {
    const std::size_t start = cursor.position();
    const char sign = cursor.peek();
    if (sign != '+' && sign != '-')
        return std::nullopt;
    cursor.eat(sign);
    std::optional<int> hours;
    int minutes = 0;
    const std::size_t digits_start = cursor.position();
    if (auto four = cursor.number(4, 4)) {
        hours = *four / 100;
        minutes = *four % 100;
    } else {
        cursor.rewind(digits_start);
        hours = cursor.number(1, 2);
        if (hours && cursor.eat(':')) {
            const auto mm = cursor.number(2, 2);
            if (!mm)
                hours.reset();
            else
                minutes = *mm;
        }
    }
    if (!hours || *hours > 14 || minutes > 59) {
        cursor.rewind(start);
        return std::nullopt;
    }
    const int total = *hours * 60 + minutes;
    return sign == '-' ? -total : total;
}

std::optional<int> zone(Cursor& cursor) {
    cursor.skip_spaces();
    const bool parenthesised = cursor.eat('(');
    std::optional<int> offset;
    if (cursor.eat('Z') || cursor.eat('z')) {
        offset = 0;
    } else if (auto numeric = numeric_offset(cursor)) {
        offset = numeric;
    } else {
        const std::size_t start = cursor.position();
        const std::string_view name = cursor.word();
        static constexpr std::array<std::pair<std::string_view, int>, 13> kNames = {{{"gmt", 0},
                                                                                     {"utc", 0},
                                                                                     {"ut", 0},
                                                                                     {"est", -300},
                                                                                     {"edt", -240},
                                                                                     {"cst", -360},
                                                                                     {"cdt", -300},
                                                                                     {"mst", -420},
                                                                                     {"mdt", -360},
                                                                                     {"pst", -480},
                                                                                     {"pdt", -420},
                                                                                     {"ict", 420},
                                                                                     {"bst", 60}}};
        for (const auto& [zone_name, minutes] : kNames) {
            if (equals_ignoring_case(name, zone_name))
                offset = minutes;
        }
        if (offset && *offset == 0) {
            // "GMT+7", "UTC+07:00".
            if (auto shift = numeric_offset(cursor))
                offset = shift;
        }
        if (!offset)
            cursor.rewind(start);
    }
    if (parenthesised && !cursor.eat(')'))
        return std::nullopt;
    return offset;
}

// "HH:MM[:SS[.fraction]]".
bool time_of_day(Cursor& cursor, Fields& fields) {
    const auto hour = cursor.number(1, 2);
    if (!hour || !cursor.eat(':'))
        return false;
    const auto minute = cursor.number(2, 2);
    if (!minute)
        return false;
    fields.hour = *hour;
    fields.minute = *minute;
    if (cursor.eat(':')) {
        const auto second = cursor.number(2, 2);
        if (!second)
            return false;
        fields.second = *second;
        if (cursor.eat('.') || cursor.eat(',')) {
            if (!cursor.number(1, 9))
                return false;
        }
    }
    return true;
}

// A zone's name in parentheses after its offset, as mail-style generators
// write it: "+0000 (UTC)". The offset already says it all.
void skip_zone_comment(Cursor& cursor) {
    const std::size_t start = cursor.position();
    if (cursor.eat('(') && !cursor.word().empty() && cursor.eat(')'))
        return;
    cursor.rewind(start);
}

// The end of a layout: an optional zone, then nothing.
bool finish(Cursor& cursor, Fields& fields) {
    cursor.skip_spaces();
    if (cursor.done())
        return true;
    fields.offset_minutes = zone(cursor);
    cursor.skip_spaces();
    skip_zone_comment(cursor);
    cursor.skip_spaces();
    return fields.offset_minutes.has_value() && cursor.done();
}

// "2025-05-09T11:02:00+07:00", "2025-05-09 11:02", "2025-05-09".
std::optional<Fields> iso_8601(std::string_view text) {
    Cursor cursor(text);
    Fields fields;
    const auto year = cursor.number(4, 4);
    if (!year || !cursor.eat('-'))
        return std::nullopt;
    const auto month = cursor.number(1, 2);
    if (!month || !cursor.eat('-'))
        return std::nullopt;
    const auto day = cursor.number(1, 2);
    if (!day)
        return std::nullopt;
    fields.year = *year;
    fields.month = *month;
    fields.day = *day;
    if (cursor.eat('T') || cursor.eat('t') || cursor.eat(' ')) {
        cursor.skip_spaces();
        if (!time_of_day(cursor, fields))
            return std::nullopt;
    }
    if (!finish(cursor, fields))
        return std::nullopt;
    return fields;
}

// "06 Feb 2025 20:30:48 +0700" (the weekday already stripped).
std::optional<Fields> rfc_822(std::string_view text) {
    Cursor cursor(text);
    Fields fields;
    const auto day = cursor.number(1, 2);
    cursor.skip_spaces();
    cursor.eat('-');
    const auto month = month_from_name(cursor.word());
    cursor.skip_spaces();
    cursor.eat('-');
    const std::size_t year_start = cursor.position();
    auto year = cursor.number(4, 4);
    if (!year) {
        cursor.rewind(year_start);
        year = cursor.number(2, 2);
        if (year)
            year = *year < 50 ? 2000 + *year : 1900 + *year;
    }
    if (!day || !month || !year)
        return std::nullopt;
    fields.day = *day;
    fields.month = *month;
    fields.year = *year;
    cursor.skip_spaces();
    if (!cursor.done() && cursor.peek() >= '0' && cursor.peek() <= '9' &&
        !time_of_day(cursor, fields))
        return std::nullopt;
    if (!finish(cursor, fields))
        return std::nullopt;
    return fields;
}

// "22/10/2025 19:25", "10/2/2026 9:25:00 AM", "2025/10/22 19:25:00".
std::optional<Fields> numeric_date(std::string_view text) {
    Cursor cursor(text);
    Fields fields;
    const auto first = cursor.number(1, 4);
    if (!first || !cursor.eat('/'))
        return std::nullopt;
    const auto second = cursor.number(1, 2);
    if (!second || !cursor.eat('/'))
        return std::nullopt;
    const auto third = cursor.number(1, 4);
    if (!third)
        return std::nullopt;
    cursor.skip_separators();
    bool has_meridiem = false;
    if (!cursor.done() && cursor.peek() >= '0' && cursor.peek() <= '9') {
        if (!time_of_day(cursor, fields))
            return std::nullopt;
        cursor.skip_spaces();
        const std::size_t before = cursor.position();
        const std::string_view meridiem = cursor.word();
        if (equals_ignoring_case(meridiem, "am") || equals_ignoring_case(meridiem, "pm")) {
            if (fields.hour < 1 || fields.hour > 12)
                return std::nullopt;
            has_meridiem = true;
            fields.hour = fields.hour % 12 + (equals_ignoring_case(meridiem, "pm") ? 12 : 0);
        } else {
            cursor.rewind(before);
        }
    }
    if (*first > 31) {
        fields.year = *first;
        fields.month = *second;
        fields.day = *third;
    } else {
        if (*third < 1000)
            return std::nullopt;
        fields.year = *third;
        // Vietnamese pages write day/month; the US style of some feeds comes
        // with AM/PM. A first number above 12 can only be a day.
        const bool month_first = has_meridiem && *first <= 12;
        fields.month = month_first ? *first : *second;
        fields.day = month_first ? *second : *first;
    }
    if (!finish(cursor, fields))
        return std::nullopt;
    return fields;
}

std::optional<std::int64_t> to_instant(const Fields& fields, int default_offset_minutes) {
    using namespace std::chrono;
    if (fields.year < 1970 || fields.year > 2199 || fields.hour > 23 || fields.minute > 59 ||
        fields.second > 60)
        return std::nullopt;
    const year_month_day date{year{fields.year}, month{static_cast<unsigned>(fields.month)},
                              day{static_cast<unsigned>(fields.day)}};
    if (!date.ok())
        return std::nullopt;
    const std::int64_t days = sys_days{date}.time_since_epoch().count();
    const int second = fields.second == 60 ? 59 : fields.second;  // a leap second
    const int offset = fields.offset_minutes.value_or(default_offset_minutes);
    return days * 86400 + fields.hour * 3600 + fields.minute * 60 + second -
           static_cast<std::int64_t>(offset) * 60;
}

}  // namespace

std::optional<std::int64_t> parse_pub_date(std::string_view text, int default_offset_minutes) {
    const std::string_view date = strip_weekday(trim(text));
    if (date.empty())
        return std::nullopt;
    for (const auto layout : {iso_8601, rfc_822, numeric_date}) {
        if (const auto fields = layout(date))
            return to_instant(*fields, default_offset_minutes);
    }
    return std::nullopt;
}

std::string format_vietnam_time(std::int64_t utc_seconds) {
    using namespace std::chrono;
    static constexpr std::array<std::string_view, 7> kWeekdays = {
        "Chủ nhật", "Thứ hai", "Thứ ba", "Thứ tư", "Thứ năm", "Thứ sáu", "Thứ bảy"};
    const std::int64_t local = utc_seconds + kVietnamOffsetMinutes * 60;
    std::int64_t day_number = local / 86400;
    std::int64_t second_of_day = local % 86400;
    if (second_of_day < 0) {
        second_of_day += 86400;
        --day_number;
    }
    const sys_days day_point{days{day_number}};
    const year_month_day date{day_point};
    const weekday week_day{day_point};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s, %u/%u/%d, %02d:%02d (GMT+7)",
                  std::string(kWeekdays[week_day.c_encoding()]).c_str(),
                  static_cast<unsigned>(date.day()), static_cast<unsigned>(date.month()),
                  static_cast<int>(date.year()), static_cast<int>(second_of_day / 3600),
                  static_cast<int>(second_of_day % 3600 / 60));
    return buffer;
}

std::string vietnam_pub_date(std::string_view text, int default_offset_minutes) {
    const auto instant = parse_pub_date(text, default_offset_minutes);
    return instant ? format_vietnam_time(*instant) : std::string();
}

}  // namespace papyr
