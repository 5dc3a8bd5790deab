#include "news_api/json_writer.h"

#include "news_api/json_number.h"

namespace papyr::json {

void Writer::begin_container(char bracket) {
    out_ += bracket;
    first_.push_back(true);
    has_value_ = false;
}

void Writer::end_container(char bracket) {
    first_.pop_back();
    if (layout_ == JsonLayout::Indented && has_value_) {
        out_ += '\n';
        out_.append(first_.size() * 2, ' ');
    }
    out_ += bracket;
    value_written();
}

void Writer::separator() {
    const bool first = first_.back();
    first_.back() = false;
    if (layout_ == JsonLayout::Compact) {
        if (!first)
            out_ += ',';
        return;
    }
    out_ += first ? "\n" : ",\n";
    out_.append(first_.size() * 2, ' ');
}

void Writer::key(std::string_view name) {
    separator();
    string(name);
    out_ += layout_ == JsonLayout::Compact ? ":" : ": ";
}

void Writer::element() {
    separator();
}

// Only what JSON requires is escaped; everything else, the solidus, DEL and
// all non-ASCII text included, is written as it is.
void Writer::string(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out_ += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out_ += "\\\"";
                break;
            case '\\':
                out_ += "\\\\";
                break;
            case '\b':
                out_ += "\\b";
                break;
            case '\f':
                out_ += "\\f";
                break;
            case '\n':
                out_ += "\\n";
                break;
            case '\r':
                out_ += "\\r";
                break;
            case '\t':
                out_ += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    out_ += "\\u00";
                    out_ += kHex[byte >> 4];
                    out_ += kHex[byte & 0xF];
                } else {
                    out_ += c;
                }
        }
    }
    out_ += '"';
    value_written();
}

void Writer::null() {
    out_ += "null";
    value_written();
}

void Writer::boolean(bool value) {
    out_ += value ? "true" : "false";
    value_written();
}

void Writer::unsigned_integer(std::uint64_t value) {
    out_ += std::to_string(value);
    value_written();
}

void Writer::float32(float value) {
    out_ += format_json_float(value);
    value_written();
}

}  // namespace papyr::json
