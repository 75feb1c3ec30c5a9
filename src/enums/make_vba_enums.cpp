// SPDX-License-Identifier: MIT
// arbolith-make-vba-enums CSV OUTPUT: builds Special.mdb, the VB/VBA enum
// table the enum viewer reads, from a CSV file of `Enum,Constant,Value`
// lines (a header line first). The file is written under a temporary name
// beside OUTPUT and renamed when complete, so a failed run leaves no
// half-made file behind.
#include "platform/database.h"
#include "platform/files.h"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using arbolith::Error;
using arbolith::Result;

struct CsvRow {
    std::string enumName;
    std::string constant;
    std::int32_t value = 0;
};

Result<std::vector<CsvRow>> ReadCsv(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return Error::FileSystem(errno, path.string() + ": cannot be read");
    std::vector<CsvRow> rows;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1 || line.empty()) continue;  // the header
        const std::size_t first = line.find(',');
        const std::size_t second = first == std::string::npos ? first : line.find(',', first + 1);
        const std::string where = path.string() + ":" + std::to_string(number) + ": ";
        if (second == std::string::npos || line.find(',', second + 1) != std::string::npos)
            return Error::Model(where + "expected Enum,Constant,Value");
        CsvRow row{line.substr(0, first), line.substr(first + 1, second - first - 1), 0};
        const char* begin = line.data() + second + 1;
        const char* end = line.data() + line.size();
        auto [ptr, ec] = std::from_chars(begin, end, row.value);
        if (ec != std::errc() || ptr != end || row.enumName.empty() || row.constant.empty())
            return Error::Model(where + "expected a name, a name and a 32-bit integer");
        rows.push_back(std::move(row));
    }
    return rows;
}

Result<void> Build(const std::filesystem::path& csv, const std::filesystem::path& output)
{
    Result<std::vector<CsvRow>> rows = ReadCsv(csv);
    if (!rows) return rows.error();
    std::filesystem::path temp = output;
    temp += ".partial-" + std::to_string(::getpid());
    std::error_code ec;
    std::filesystem::remove(temp, ec);
    {
        Result<arbolith::Database> db = arbolith::Database::Create(temp, ";pwd=vormtex");
        if (!db) return db.error();
        Result<void> made = [&]() -> Result<void> {
            if (auto r = db->ExecuteScript("CREATE TABLE [VB/VBA - Enums] ([Enum] TEXT COLLATE NOCASE, "
                                           "[Constant] TEXT COLLATE NOCASE, [Value] INTEGER)");
                !r)
                return r;
            Result<arbolith::Transaction> tx = db->Begin();
            if (!tx) return tx.error();
            Result<arbolith::Inserter> ins =
                arbolith::Inserter::Prepare(*db, "VB/VBA - Enums", {"Enum", "Constant", "Value"});
            if (!ins) return ins.error();
            for (const CsvRow& row : *rows) {
                if (auto r = ins->Insert({row.enumName, row.constant, row.value}); !r) return r.error();
            }
            return tx->Commit();
        }();
        if (!made) {
            std::filesystem::remove(temp, ec);
            return made;
        }
    }
    return arbolith::ReplaceFileWith(output, temp);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: arbolith-make-vba-enums CSV OUTPUT\n");
        return 2;
    }
    if (Result<void> built = Build(argv[1], argv[2]); !built) {
        std::fprintf(stderr, "arbolith-make-vba-enums: %s\n", built.error().description.c_str());
        return 1;
    }
    return 0;
}
