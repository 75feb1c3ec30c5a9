// SPDX-License-Identifier: MIT
// The main window's side of the Options and Branch Counts windows.
#pragma once

#include "app/settings.h"
#include "dialogs/options_values.h"

namespace arbolith {

class frmZVMain;

// The object tree's indentation from the settings, in the window's pixels.
void ApplyTreeIndent(frmZVMain& window);

// The settings the Options window edits, and the way back.
OptionsState OptionsFromSettings(const Settings& settings);
void StoreOptions(const OptionsState& state, Settings& settings);

}  // namespace arbolith
