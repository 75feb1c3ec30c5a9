// SPDX-License-Identifier: MIT
#include "help/help_location.h"

namespace arbolith::help {

Result<std::filesystem::path> LocateHelpFile(std::string_view setting, const HelpPlaces&)
{
    return Error::FileSystem(0, "the help file " + std::string(setting) + " cannot be looked for yet");
}

}  // namespace arbolith::help
