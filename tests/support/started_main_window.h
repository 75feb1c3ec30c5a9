// SPDX-License-Identifier: MIT
// A test that starts the program's main window the way the program starts
// (offscreen, in a program folder of the test's own), with scripted answers.
#pragma once

#include "app/browser_hooks.h"
#include "app/main_window.h"
#include "app/sample_model.h"
#include "app/startup.h"
#include "platform/prompt.h"
#include "support/qt_application.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <filesystem>
#include <memory>
#include <stdexcept>

namespace arbolith::test {

class StartedMainWindow : public ::testing::Test {
protected:
    StartedMainWindow() { QtApp(); }
    void TearDown() override
    {
        if (m_window) m_window->close();
    }

    // Starts (again) with `sample` as the first start's library ("" for none).
    frmZVMain& Start(const std::filesystem::path& sample = FindSampleLibrary())
    {
        m_window.reset();
        m_hooks = std::make_unique<ObjectBrowserHooks>(sample);
        m_window = StartMainWindow(m_prompt, *m_hooks, {m_home.path()});
        if (!m_window) throw std::runtime_error("start-up failed");
        QApplication::processEvents();
        return *m_window;
    }

    TempDir m_home;
    ScriptedPrompt m_prompt;
    std::unique_ptr<ObjectBrowserHooks> m_hooks;  // outlives the window
    std::unique_ptr<frmZVMain> m_window;
};

}  // namespace arbolith::test
