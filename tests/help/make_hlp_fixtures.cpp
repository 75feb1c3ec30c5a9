// SPDX-License-Identifier: MIT
// Writes the WinHelp fixtures into the folder given (normally
// tests/data/help/winhelp):  make_hlp_fixtures tests/data/help/winhelp
#include <filesystem>
#include <fstream>
#include <iostream>

#include "help/hlp_fixtures.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_hlp_fixtures FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    for (const auto& fixture : arbolith::test::HlpFixtures()) {
        const auto image = arbolith::test::WriteHlp(arbolith::test::FixtureTopics(), fixture.options);
        std::ofstream out(folder / fixture.fileName, std::ios::binary | std::ios::trunc);
        out.write(image.bytes.data(), static_cast<std::streamsize>(image.bytes.size()));
        if (!out) {
            std::cerr << "cannot write " << (folder / fixture.fileName).string() << "\n";
            return 1;
        }
    }
    return 0;
}
