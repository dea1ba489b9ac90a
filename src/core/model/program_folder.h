#pragma once
#include <QString>

// The folder that holds "Configurations", the settings file and the command log, with a trailing '/'.
// Normally the executable's own folder. A build with ORV_USER_DATA_FOLDER (the system package, whose
// executables lie in a folder nobody may write to) uses "OrvControlClient" in the user's data folder:
// $XDG_DATA_HOME, or ~/.local/share. Created when missing; a failure shows later, when a file is written.
QString defaultProgramFolder();
