#pragma once
// One test case's share of the program-wide values: every table and run-time value at its start,
// InstalledPath at the case's folder, record files written as the program writes them, and every
// message box and file dialog going to the case's recorder instead of the screen. When the case
// ends everything is put back, so no case sees another's leftovers.
#include <QString>

#include "gui/common/operator_dialogs.h"
#include "core/model/system_table.h"
#include "core/model/file_write.h"

class ProgramState {
 public:
  explicit ProgramState(DialogBackend* dialogs, const QString& installedPath = QString()) {
    reset(installedPath);
    dialogs::install(dialogs);
  }
  ~ProgramState() {
    dialogs::install(nullptr);
    reset(QString());
  }
  ProgramState(const ProgramState&) = delete;
  ProgramState& operator=(const ProgramState&) = delete;

 private:
  static void reset(const QString& installedPath) {
    resetProgramState();
    InstalledPath = installedPath;
    filewrite::setWriteFunction({});
  }
};
