// SPDX-License-Identifier: MIT
// Progress of long work on the one user-interface thread: a caption to show
// (the wizard's alert label, the command line's stderr) and a chance for the
// window to handle pending events between steps.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace arbolith {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void Caption(std::string_view text) = 0;
    // Called between steps of long work; the window processes pending events.
    virtual void Yield() {}
};

// Keeps every caption, for tests.
class RecordingProgress : public ProgressSink {
public:
    std::vector<std::string> captions;
    void Caption(std::string_view text) override { captions.emplace_back(text); }
};

// Shows nothing.
class SilentProgress : public ProgressSink {
public:
    void Caption(std::string_view) override {}
};

}  // namespace arbolith
