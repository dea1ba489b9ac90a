#pragma once
// A temporary program folder with its "Configurations" folder, fresh tables and recorded dialogs.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "gui/common/operator_dialogs.h"
#include "support/program_state.h"
#include "core/storage/command_files.h"

struct ProgramFolder {
  QTemporaryDir dir;
  DialogRecorder rec;
  ProgramState state{&rec, dir.path() + u'/'};

  ProgramFolder() { QDir().mkpath(configurations()); }

  QString configurations() const { return InstalledPath + QStringLiteral("Configurations/"); }

  static void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
  }
  static QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  // Slot k in use with its command file holding `bytes`.
  void configure(int k, const QString& text, const QByteArray& bytes) {
    UsrButtons[k].Index = k;
    UsrButtons[k].InUse = true;
    UsrButtons[k].ButtonText.set(text);
    UsrButtons[k].FileName.set(commandFilePath(k));
    writeBytes(commandFilePath(k), bytes);
  }
};
