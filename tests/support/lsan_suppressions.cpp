// SPDX-License-Identifier: MIT
// Leaks the sanitizer build should not report in tests that open windows:
// fontconfig keeps its configuration for the life of the process and frees
// none of it; Graphviz's dot layout (2.42) does not free the virtual edges it
// makes to break cycles, a few hundred bytes per diagram, allocated through
// libgvc (its libraries have no frame pointers, so a fast unwind of the
// allocation shows only libgvc). The graphs themselves come from libcgraph
// and stay checked. LeakSanitizer reads this function when the program has
// one; other builds never call it.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libgvplugin_dot_layout.so\n"
           "leak:libgvc.so\n";
}
