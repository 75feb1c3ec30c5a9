// SPDX-License-Identifier: MIT
// Leaks the sanitizer build should not report in tests that open windows:
// fontconfig keeps its configuration for the life of the process and frees
// none of it. LeakSanitizer reads this function when the program has one;
// other builds never call it.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
