// SPDX-License-Identifier: MIT
// The rows of one query as "a|b|c" texts, so a test compares whole rows in
// one assertion and a failure shows every field.
#pragma once

#include "platform/database.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace arbolith::test {

inline std::vector<std::string> QueryRows(Database& db, std::string_view sql, std::string_view null = "")
{
    std::vector<std::string> out;
    auto stmt = db.Prepare(sql);
    EXPECT_TRUE(stmt.ok()) << stmt.error().description;
    while (stmt.ok() && stmt->Step().value()) {
        std::string row;
        for (int i = 0; i < stmt->ColumnCount(); ++i)
            row += (i ? "|" : "") + (stmt->IsNull(i) ? std::string(null) : stmt->Text(i));
        out.push_back(row);
    }
    return out;
}

}  // namespace arbolith::test
