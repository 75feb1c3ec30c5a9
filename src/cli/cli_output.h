// SPDX-License-Identifier: MIT
// Every line arbolith-cli writes goes through Printable: names and messages
// come from type libraries and model files, and a control character in them
// must not break a line of the output or reach the terminal as a command.
#pragma once

#include "platform/json_writer.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace arbolith::cli {

// The text with each control character written as an escape: "\n", "\r",
// "\t", "\x1b" for the other C0 codes and DEL, "\u0085" for the C1 codes
// (U+0080 to U+009F) and the line and paragraph separators (U+2028,
// U+2029), and "\xff" for each byte that is not part of valid UTF-8.
// Everything else, backslashes too, stays as it is.
std::string Printable(std::string_view text);

// Appends Printable(text) to `out`.
void AppendPrintable(std::string& out, std::string_view text);

// Printable(text) and a line break, written to `stream`.
void PrintLine(std::FILE* stream, std::string_view text);

// "arbolith-cli: " and the text, as one line on stderr.
void Complain(std::string_view text);

// A --json document: an object opened with its first member,
// "schema": "arbolith-cli/<command>/<version>". The version goes up when a
// field changes meaning or goes away.
JsonWriter BeginJsonDocument(std::string_view command, int version = 1);

// Closes the document's object, writes it to stdout and returns the exit
// status: `status`, or 1 when stdout cannot be written.
int FinishJsonDocument(JsonWriter& json, int status = 0);

// A field whose value is a string, or null when the string is empty.
void FieldOrNull(JsonWriter& json, std::string_view key, std::string_view value);

}  // namespace arbolith::cli
