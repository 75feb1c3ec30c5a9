// SPDX-License-Identifier: MIT
// A comparison as text lines (the report window, arbolith-cli diff) and as
// JSON (arbolith-cli diff --json).
#pragma once

#include "diff/model_diff.h"
#include "platform/json_writer.h"

#include <string>
#include <vector>

namespace arbolith::diff {

// One line per section, change and field, sections in the diff's order:
//   Object Foo: changed
//     doc string: "old" → "new"
//     + member Bar (method): Function Bar() As Long
//     - member Baz (propget): Property Get Baz() As String
//     ~ member Qux (propget)
//         access: "R" → ""
//     + edge to Child "label"
//   Object Gone: removed (4 members)
//   Enum Colours: changed
//     ~ constant Red: value "1" → "2"
// then the summary line. Equal models give no lines.
std::vector<std::string> DiffReportLines(const ModelDiff& diff);

// "objects: 1 added, 0 removed, 2 changed; members: ...; edges: ...;
// enums: ...; constants: ..."
std::string SummaryLine(const DiffSummary& summary);

// The JSON document of `arbolith-cli diff --json`, schema
// "arbolith-cli/diff/1".
void WriteDiffJson(JsonWriter& json, const ModelFacts& before, const ModelFacts& after, const ModelDiff& diff);

}  // namespace arbolith::diff
