// SPDX-License-Identifier: MIT
#include "help/hlp_fixtures.h"

namespace arbolith::test {

std::vector<HlpTopic> FixtureTopics()
{
    std::vector<HlpTopic> topics;
    topics.push_back({10,
                      "Overview",
                      {"Arbolith reads the help files of older libraries.",
                       "A paragraph with a\ttab and a\nline break in it.", "Bold\x01 words\x01 inside one paragraph."},
                      {"overview", "start"}});
    topics.push_back({20,
                      "The Application object",
                      {"Represents the whole application.", "Caf\xE9 prices start at \x80 3."},
                      {"Application"}});
    HlpTopic longTopic{30, "A long topic", {}, {"long"}};
    for (int i = 1; i <= 60; ++i)
        longTopic.paragraphs.push_back("Paragraph " + std::to_string(i) +
                                       " of the long topic, which runs over several topic blocks so that "
                                       "its records cross from one block into the next.");
    topics.push_back(longTopic);
    topics.push_back({40, "Last topic", {"The end of the application help."}, {"end", "application"}});
    return topics;
}

std::vector<HlpFixture> HlpFixtures()
{
    const std::vector<std::string> phrases = {"the application", "topic", "paragraph", "help", "long", "of the"};
    std::vector<HlpFixture> fixtures(4);
    fixtures[0].fileName = "plain.hlp";
    fixtures[0].options.contentsTopic = 1;
    fixtures[1].fileName = "lz77.hlp";
    fixtures[1].options.compression = HlpCompression::Lz77;
    fixtures[2].fileName = "phrases.hlp";
    fixtures[2].options.compression = HlpCompression::Lz77;
    fixtures[2].options.phrases = HlpPhrases::Old;
    fixtures[2].options.phraseList = phrases;
    fixtures[3].fileName = "hall.hlp";
    fixtures[3].options.compression = HlpCompression::Lz77SmallBlocks;
    fixtures[3].options.phrases = HlpPhrases::Hall;
    fixtures[3].options.phraseList = phrases;
    fixtures[3].options.treePageSize = 64;
    return fixtures;
}

}  // namespace arbolith::test
