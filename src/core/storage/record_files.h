#pragma once
// The record files in "Configurations": CurrentSetup.dat (128 TSystemRecord), Tuner.dat
// (4 TTunerRecord) and UsrButtonSetup.dat (20 TUsrBtnType), byte for byte from the tables.
#include <QString>

#include "core/model/file_result.h"
#include "core/model/system_table.h"

namespace records {

constexpr qint64 SystemFileSize = SystemSlots * qint64(sizeof(TSystemRecord));  // 395776
constexpr qint64 TunerFileSize = TunerSlots * qint64(sizeof(TTunerRecord));     // 3120
constexpr qint64 UsrButtonFileSize = MaxUsrBtns * qint64(sizeof(TUsrBtnType));  // 5600

// InstalledPath + "Configurations/" and the files in it, spelled as found on disk when they are used.
QString configurationsFolder();
QString currentSetupPath();
QString tunerPath();
QString usrButtonPath();

void createConfigurationsFolder();

// Labels from CurrentSetup.dat, tuner defaults or Tuner.dat, then UsrButtonSetup.dat.
void restoreAtStartup();

// Each store replaces its file whole (filewrite::writeWhole); a failure names the file and the
// reason ("Cannot create file ..."), and the caller shows it and goes on.
FileResult storeSystemSetup();
FileResult storeSystemSetupIfExists();  // writes nothing (and succeeds) when the file is not there yet
FileResult storeTuners();
FileResult storeUsrButtons();
// A saved configuration, under the file that `path` names in any letter case.
FileResult writeSystemTo(const QString& path);

// Reads a saved configuration, under the file that `path` names in any letter case, into
// SystemArray only if the file holds exactly 128 whole records; otherwise the table is untouched
// and `error` says why.
bool readSystemFrom(const QString& path, QString* error);

// Tuner.dat as it stands into TunerArray, for a front end that only reads it; a file that is
// missing or cannot be read leaves the table as it was and says so.
FileResult readTunerFile();

void Factorydefaults();

}  // namespace records
