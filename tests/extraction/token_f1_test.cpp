// The corpus evaluation's measure: what counts as a word in each script,
// and the multiset counting of shared words.

#include "token_f1.h"

#include <gtest/gtest.h>

namespace papyr::extraction::eval {
namespace {

using Tokens = std::vector<std::string>;

TEST(TextTokens, PunctuationAndSpacesSeparateLowerCaseWords) {
    EXPECT_EQ(text_tokens("Mexico’s GDP grew 1.1% (AP) — «Ça va»"),
              (Tokens{"mexico", "s", "gdp", "grew", "1", "1", "ap", "ça", "va"}));
    EXPECT_EQ(text_tokens("ПРИВЕТ, мир!"), (Tokens{"привет", "мир"}));
    EXPECT_TRUE(text_tokens(" — … | ").empty());
}

TEST(TextTokens, ScriptsWithoutSpacesGiveOneTokenPerCharacter) {
    EXPECT_EQ(text_tokens("東京で、雨。"), (Tokens{"東", "京", "で", "雨"}));
    EXPECT_EQ(text_tokens("ภาษาไทย"), (Tokens{"ภ", "า", "ษ", "า", "ไ", "ท", "ย"}));
    // Korean is written with spaces: its words stay whole, next to Han.
    EXPECT_EQ(text_tokens("한국 일보 韓國"), (Tokens{"한국", "일보", "韓", "國"}));
}

TEST(TextTokens, CombiningMarksStayInsideTheirWordAndAreComposed) {
    EXPECT_EQ(text_tokens("हिन्दी समाचार"), (Tokens{"हिन्दी", "समाचार"}));
    EXPECT_EQ(text_tokens("Su\u0308dtirol cafe\u0301"), (Tokens{"südtirol", "café"}));
}

TEST(TextTokens, InvisibleCharactersNeitherMakeNorSplitWords) {
    EXPECT_EQ(text_tokens("Geschlechts\u00ADeintrag zero\u200Bwidth \u00AD"),
              (Tokens{"geschlechtseintrag", "zerowidth"}));
}

TEST(ScoreTokens, SharedWordsAreCountedAsMultisets) {
    // Returned: the x3, cat; expected: the x1, cat, sat. Shared: the, cat.
    const TokenScore score = score_tokens("the the the cat", "The cat sat");
    EXPECT_DOUBLE_EQ(score.precision, 2.0 / 4.0);
    EXPECT_DOUBLE_EQ(score.recall, 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(score.f1, 2 * 0.5 * (2.0 / 3.0) / (0.5 + 2.0 / 3.0));
}

TEST(ScoreTokens, OrderAndParagraphBreaksDoNotMatter) {
    const TokenScore score = score_tokens("second line\nfirst line", "first line second line");
    EXPECT_DOUBLE_EQ(score.f1, 1.0);
}

TEST(ScoreTokens, NothingSharedOrNothingReturnedScoresZero) {
    EXPECT_DOUBLE_EQ(score_tokens("", "an article").f1, 0.0);
    EXPECT_DOUBLE_EQ(score_tokens("a menu", "an article").f1, 0.0);
    EXPECT_DOUBLE_EQ(score_tokens("an article", "").recall, 0.0);
}

}  // namespace
}  // namespace papyr::extraction::eval
