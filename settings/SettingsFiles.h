#pragma once
// The dialogs of the settings-file commands: the INI file that all settings are
// saved to or loaded from.
#include <string>

#include "owl/Window.h"

// The save (save true) or open dialog for "Tapvox setting files (*.ini)"; the chosen
// path (".ini" added when it has no extension), or empty when the user cancelled.
std::string ChooseSettingsFile(OWL::TWindow* parent, bool save);
