#pragma once
// The whole program's windows in a folder of their own, against the simulated controller on
// 127.0.0.1; every message box and file dialog is recorded.
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

#include "gui/app/u_frmMain.h"
#include "gui/common/operator_dialogs.h"
#include "controller_sim.h"
#include "support/program_state.h"

// The control of that name under `parent`; a missing one is said on the output.
template <class T>
T* named(QObject* parent, const QString& name) {
  T* found = parent->findChild<T*>(name);
  if (!found) qWarning("no control named %s", qPrintable(name));
  return found;
}

struct ReceivedLine {
  qint64 ms;
  QByteArray line;
};

class AppFixture {
 public:
  AppFixture();
  ~AppFixture();

  // Starts the controller (on a free port) and the program; the settings window points at it.
  void start(SimOptions options = {});
  // Only the program, for start-up cases; call before start() to prepare files.
  QString folder() const { return dir_.path() + u'/'; }
  QString configFile(const QString& name) const { return folder() + QStringLiteral("Configurations/") + name; }
  void startProgram();

  // The controller as a process of its own (the real executable), for cases where this program's
  // pauses must not pause the controller; its stdout stamps every line it receives.
  void startControllerProcess(const QStringList& options = {});
  QProcess& controllerProcess() { return process_; }

  void connectToController();
  void scan();

  TfrmMain& w() { return *window_; }
  ControllerSim& sim() { return *sim_; }
  DialogRecorder recorder;
  QList<ReceivedLine> received;

 private:
  QTemporaryDir dir_;
  ProgramState state_{&recorder};
  std::unique_ptr<ControllerSim> sim_;
  QProcess process_;
  std::unique_ptr<TfrmMain> window_;
  QElapsedTimer clock_;
};
