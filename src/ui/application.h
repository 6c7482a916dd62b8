#pragma once

// The application-wide settings the program makes at start, before its main window exists:
// its name and version, the desktop file and icon its windows belong to, the windows' default
// font, and the rule that the program ends with its last window, tool windows included.
void setUpApplication();
