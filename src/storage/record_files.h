#pragma once
// The record files in "Configurations": CurrentSetup.dat (128 TSystemRecord), Tuner.dat
// (4 TTunerRecord) and UsrButtonSetup.dat (20 TUsrBtnType), byte for byte from the tables.
#include <QString>

#include <functional>

#include "model/file_result.h"
#include "model/system_table.h"

class QIODevice;

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

// Each store writes its file whole or leaves the old one in place; a failure names the file and
// the reason ("Cannot create file ..."), and the caller shows it and goes on.
FileResult storeSystemSetup();
FileResult storeSystemSetupIfExists();  // writes nothing (and succeeds) when the file is not there yet
FileResult storeTuners();
FileResult storeUsrButtons();
FileResult writeSystemTo(const QString& path);

// Reads a saved configuration into SystemArray only if the file holds exactly 128 whole records;
// otherwise the table is untouched and `error` says why.
bool readSystemFrom(const QString& path, QString* error);

// Tuner.dat as it stands into TunerArray, for a front end that only reads it; a file that is
// missing or cannot be read leaves the table as it was and says so.
FileResult readTunerFile();

void Factorydefaults();

// Writes `size` bytes to a record file being written; returns the bytes written or -1.
// Tests replace it to make a write fail part-way; an empty function restores QIODevice::write.
using WriteFunction = std::function<qint64(QIODevice& device, const char* data, qint64 size)>;
void setWriteFunction(WriteFunction fn);

}  // namespace records
