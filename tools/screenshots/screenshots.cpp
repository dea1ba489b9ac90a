// Writes the README's pictures: the main window after a scan, a tuner window and the editor.
// Usage: QT_QPA_PLATFORM=offscreen screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "app/u_frmMain.h"
#include "common/operator_dialogs.h"
#include "controller_sim.h"
#include "link/controller_link.h"
#include "link/u_frmTCPIP.h"
#include "tuner/u_frmTuner.h"

namespace {

void settle(int ms = 50) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool save(QWidget* w, const QString& path) {
  const bool ok = w->grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("OrvControlClient"));
  QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
  QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans Condensed"));
  const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs");
  QDir().mkpath(out);

  DialogRecorder recorder;  // no modal boxes while driving the windows
  dialogs::install(&recorder);

  SimOptions options;
  options.port = 0;
  options.echo = false;
  ControllerSim sim(options);
  if (!sim.listen()) return 1;

  QTemporaryDir folder;
  TfrmMain w(folder.path());
  w.show();
  w.frmTCPIP->lePort->setText(QString::number(sim.port()));
  w.btnConn_DisConn->click();
  while (!w.link->isConnected()) settle(10);
  w.btnScan->click();
  settle();

  bool ok = save(&w, out + QStringLiteral("/main-window.png"));

  w.btnTunerClick(1);
  settle();
  ok = save(w.frmTuner1, out + QStringLiteral("/tuner-window.png")) && ok;
  w.frmTuner1->close();

  for (const QString& line : recorder.messages) std::printf("message: %s\n", qPrintable(line));
  return ok ? 0 : 1;
}
