// SPDX-License-Identifier: MIT
// One QApplication for the whole test program, made on first use. Tests run
// on the offscreen platform at 96 DPI (set by the CTest environment).
#pragma once

#include <QApplication>

namespace arbolith::test {

inline QApplication& QtApp()
{
    static int argc = 1;
    static char name[] = "arbolith-test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: widgets of a failed test may outlive any scope.
    static QApplication* app = [] {
        auto* a = new QApplication(argc, argv);
        QApplication::setApplicationDisplayName("Arbolith");
        return a;
    }();
    return *app;
}

}  // namespace arbolith::test
