// Writes the README's pictures: the main window after a scan, a tuner window with labelled memories
// and the user configuration editor with a few lines.
// Usage: QT_QPA_PLATFORM=offscreen screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "gui/app/u_frmMain.h"
#include "gui/common/operator_dialogs.h"
#include "controller_sim.h"
#include "core/link/controller_link.h"
#include "gui/link/u_frmTCPIP.h"
#include "core/model/system_table.h"
#include "gui/panels/panel_control_area.h"
#include "gui/tuner/u_frmTuner.h"
#include "gui/userconfig/u_frmConfigButtons.h"
#include "gui/userconfig/user_buttons.h"

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

template <typename T>
T* child(QWidget* parent, const char* name) {
  T* w = parent->findChild<T*>(QString::fromLatin1(name));
  if (!w) std::printf("missing control %s\n", name);
  return w;
}

struct Entry {
  const char* buttonText;
  const char* address;
  const char* position;
};

// One user configuration typed into the editor the way an operator would: text, address, position,
// "Enter Line", "Save entry".
void openEditor(TfrmConfigButtons* editor) {
  child<QComboBox>(editor, "cbEntries")->clear();  // as the menu item does before every showing
  editor->show();
  settle();
  child<QPushButton>(editor, "btnClrKey")->click();
}

void addUserConfiguration(TfrmConfigButtons* editor, const Entry& entry) {
  openEditor(editor);
  child<QLineEdit>(editor, "leButtonText")->setText(QString::fromUtf8(entry.buttonText));
  auto* address = child<QComboBox>(editor, "cbAddress");
  address->setCurrentIndex(address->findText(QString::fromLatin1(entry.address)));
  editor->cbAddressChange();
  child<QLineEdit>(editor, "edtPos")->setText(QString::fromLatin1(entry.position));
  child<QPushButton>(editor, "btnNewLine")->click();
  child<QPushButton>(editor, "btnSaveCommand")->click();
  settle();
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

  // Two user buttons, made in the editor.
  for (const Entry& e : {Entry{"Beam to TX 1", "0x02", "1"}, Entry{"Amplifier on", "0x03", "5"}})
    addUserConfiguration(w.frmConfigButtons, e);
  w.userButtons->UpdateUsrButtons();

  // The operator's labels on the ports of the router on view.
  const char* portLabels[] = {"TX 1", "TX 2", "SDR", "Beam", "Dipole", "Vertical", "Loop", "Dummy"};
  for (int port = 1; port <= 8; ++port) *SystemArray[2].btnTxt(port) = QString::fromLatin1(portLabels[port - 1]);
  w.panels->OppdaterPanel(2);
  settle();

  bool ok = save(&w, out + QStringLiteral("/main-window.png"));

  // Tuner memories with band labels and settings, the second one recalled.
  const struct {
    const char* line1;
    const char* line2;
    int value;
  } memories[] = {{"160 m", "1.830", 0x12}, {"80 m", "3.520", 0x27},  {"80 m", "3.780", 0x2C},
                  {"40 m", "7.040", 0x48},  {"40 m", "7.150", 0x4D},  {"30 m", "10.120", 0x63},
                  {"20 m", "14.050", 0x80}, {"20 m", "14.250", 0x86}, {"17 m", "18.100", 0x9A}};
  int k = 0;
  for (const auto& m : memories) {
    TKnapperRecord& memory = TunerArray[0].Buttons[k++];
    memory.Tekst = QString::fromLatin1(m.line1) + QChar(10) + QString::fromLatin1(m.line2);
    memory.Verdi = m.value;
  }
  w.btnTunerClick(1);
  settle();
  w.frmTuner1->memoryButton(2)->click();
  settle(200);
  ok = save(w.frmTuner1, out + QStringLiteral("/tuner-window.png")) && ok;
  w.frmTuner1->close();

  // The editor on a new entry: a button text and the lines "Use config" writes for every panel.
  TfrmConfigButtons* editor = w.frmConfigButtons;
  openEditor(editor);
  child<QComboBox>(editor, "cbEntries")->setEditText(QString());
  child<QLineEdit>(editor, "leButtonText")->setText(QStringLiteral("Contest 40 m"));
  child<QPushButton>(editor, "btnCurrConfig")->click();
  settle();
  ok = save(editor, out + QStringLiteral("/editor.png")) && ok;
  editor->close();

  for (const QString& line : recorder.messages) std::printf("message: %s\n", qPrintable(line));
  return ok ? 0 : 1;
}
