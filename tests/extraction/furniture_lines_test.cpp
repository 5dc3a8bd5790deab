// The furniture lines that the body filter trims at a body's edges: which
// lines are dates, credits and prompts in the languages pages come in, and
// which look alike but are article text.

#include "extraction/furniture_lines.h"

#include <gtest/gtest.h>

namespace papyr::extraction {
namespace {

TEST(FurnitureLines, DatelinesAreDatesTimesAndReadingTimesWithFewWords) {
    for (const char* line : {"Stand: 22.04.2024, 06:00 Uhr", "October 23, 2025 5:50 pm CET",
                             "17:41 JST, October 13, 2024", "Uppdaterad 15.59 | Publicerad 14.14",
                             "2024年04月24日23:52", "3 Min Lesezeit", "2min", "Datum 28.04.2023"})
        EXPECT_TRUE(is_dateline(line)) << line;
    for (const char* line : {"The vote was 52 to 48 in the end.", "＜震度4＞",
                             "In 2015, Field gave a talk at NASA's Ames Research Center.",
                             "Minutes of the meeting were published"})
        EXPECT_FALSE(is_dateline(line)) << line;
}

TEST(FurnitureLines, ClosingLinesAreCreditsAndPromptsToTheReader) {
    for (const char* line :
         {"Associated Press writer John Leicester in Paris contributed to this report.",
          "Mit Material von dpa", "(Quelle: APA/sda/dpa)", "First published in The Conversation.",
          "Sign up to our free newsletter for the week's best stories.",
          "Folgst du schon 20 Minuten auf Whatsapp?",
          "Do you have a story to tell? Email: news@example.co.uk",
          "Il vous reste 57.09% de cet article à lire. La suite est réservée aux abonnés.",
          "[button link=\"/subscribe\"]", "© 2025 Example Media. All rights reserved."})
        EXPECT_TRUE(is_closing_furniture(line)) << line;
    for (const char* line :
         {"The preliminary hearing is scheduled for June 26 at 9 am, the court said.",
          "She said surrounding herself with the right people has also improved her confidence.",
          "Fairmont Jasper Park Lodge is now open."})
        EXPECT_FALSE(is_closing_furniture(line)) << line;
}

TEST(FurnitureLines, NamesStartBylinesAndBiographies) {
    const std::vector<std::string> authors = {"Nina Magoley", "Ann Lee"};
    EXPECT_TRUE(starts_with_name("Von Nina Magoley", authors));
    EXPECT_TRUE(starts_with_name("By ANN LEE, Harbour reporter", authors));
    EXPECT_TRUE(starts_with_name("Ann Lee is a reporter covering transport.", authors));
    EXPECT_FALSE(starts_with_name("Ann Leeson said the plan was sound.", authors));
    EXPECT_FALSE(starts_with_name("The mayor met Ann Lee.", authors));
    EXPECT_FALSE(starts_with_name("Ann Lee", {}));
}

}  // namespace
}  // namespace papyr::extraction
