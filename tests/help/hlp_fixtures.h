// SPDX-License-Identifier: MIT
// The WinHelp files kept in tests/data/help/winhelp: the same four topics
// stored uncompressed, LZ77-compressed and with each kind of phrase table.
// make_hlp_fixtures writes them; help_tests checks the kept files still
// match what the writer makes and reads them from disk.
#pragma once

#include <string>
#include <vector>

#include "help/hlp_writer.h"

namespace arbolith::test {

struct HlpFixture {
    std::string fileName;  // in tests/data/help/winhelp
    HlpOptions options;
};

// Context numbers 10, 20, 30 and 40; topic 2 is long enough to run over
// several topic blocks.
std::vector<HlpTopic> FixtureTopics();
std::vector<HlpFixture> HlpFixtures();

}  // namespace arbolith::test
