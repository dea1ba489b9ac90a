#pragma once
// The program's files are named without regard to letter case: "CONFIGURATIONS/tuner.DAT" copied
// in from another system is the program's "Configurations/Tuner.dat". These turn the name the
// program uses into the spelling found on disk, at the moment of use.
#include <QString>

namespace filenames {

// `relative` (components separated by "/") under `folder`, which is taken as it stands. For each
// component an entry of exactly that name wins; otherwise an entry that differs only in letter
// case is taken (a folder for every component but the last); of several such entries the first in
// code-unit order of their names. From the first component with no match on, the rest keeps the
// program's own spelling, so a new file or folder is made under the program's name inside the
// existing folders. A trailing "/" is kept.
QString resolve(const QString& folder, const QString& relative);

// An absolute path resolved the same way below the root of the file system.
QString resolve(const QString& absolutePath);

// `relative` under InstalledPath, the executable's folder.
QString programFile(const QString& relative);

}  // namespace filenames
