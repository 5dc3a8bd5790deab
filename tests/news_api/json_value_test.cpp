#include "news_api/json_value.h"

#include <gtest/gtest.h>

#include <string>

namespace papyr::json {
namespace {

TEST(JsonValue, ReadsEveryKindAndKeepsMemberOrder) {
    const auto value =
        parse_value(R"( {"b": [1, -2, 2.5, "x\u00e9", true, null], "a": {"n": {}}, "b": false} )");
    ASSERT_TRUE(value) << value.error();
    const Object& members = *value->as_object();
    ASSERT_EQ(members.size(), 3U);
    EXPECT_EQ(members[0].key, "b");
    EXPECT_EQ(members[1].key, "a");
    // find() answers the first of a repeated key.
    const Array& items = *value->find("b")->as_array();
    ASSERT_EQ(items.size(), 6U);
    EXPECT_EQ(std::get<std::uint64_t>(*items[0].as_number()), 1U);
    EXPECT_EQ(std::get<std::int64_t>(*items[1].as_number()), -2);
    EXPECT_EQ(std::get<double>(*items[2].as_number()), 2.5);
    EXPECT_EQ(*items[3].as_string(), "xé");
    EXPECT_EQ(*items[4].as_bool(), true);
    EXPECT_TRUE(items[5].is_null());
    EXPECT_EQ(value->find("a")->find("n")->kind_name(), "an object");
    EXPECT_EQ(value->find("missing"), nullptr);
    EXPECT_EQ(items[0].find("b"), nullptr);
}

TEST(JsonValue, FailsWithTheDescriptionAndPosition) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"", "EOF while parsing a value at line 1 column 0"},
        {"{\"a\": 1,\n \"b\" 2}", "expected `:` at line 2 column 6"},
        {"[1, 2", "EOF while parsing a list at line 1 column 5"},
        {"{\"a\": nul}", "expected ident at line 1 column 10"},
        {"{\"a\": x}", "expected value at line 1 column 7"},
        {"[1] 2", "trailing characters at line 1 column 5"},
        {"[1,]", "trailing comma at line 1 column 4"},
        {"\"\xFF\"", "invalid unicode code point at line 1 column 3"},
    };
    for (const auto& c : cases) {
        const auto value = parse_value(c.text);
        ASSERT_FALSE(value) << c.text;
        EXPECT_EQ(value.error(), c.error) << c.text;
    }
}

TEST(JsonValue, RefusesNestingDeeperThanTheReadersLimit) {
    std::string deep(200, '[');
    deep += std::string(200, ']');
    const auto value = parse_value(deep);
    ASSERT_FALSE(value);
    EXPECT_NE(value.error().find("recursion limit exceeded"), std::string::npos);
    EXPECT_TRUE(parse_value(std::string(100, '[') + std::string(100, ']')));
}

}  // namespace
}  // namespace papyr::json
