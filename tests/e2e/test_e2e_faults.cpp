// The running program against a controller that misbehaves: it closes at the wrong moment, never
// answers, answers late or in pieces, sends garbage, names impossible panels or floods replies.
// Whatever it does, the program must not crash or hang without a way out, must keep only what
// valid replies said, and must show the operator the program's own message.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <map>

#include "e2e/app_fixture.h"
#include "gui/link/command_log.h"
#include "core/link/controller_link.h"
#include "core/link/reply_wait.h"
#include "gui/link/u_frmTCPIP.h"
#include "core/model/codepage.h"
#include "core/session/session.h"
#include "core/model/system_table.h"
#include "gui/panels/panel_control_area.h"
#include "gui/panels/status_list.h"
#include "gui/tuner/u_frmTuner.h"
#include "core/storage/command_files.h"
#include "gui/userconfig/user_buttons.h"

namespace {

enum class Action { Scan, ScanThenRecall, Replay };
// What the operator does whenever a wait is in progress.
enum class Operator { Nothing, StopWaiting, DisconnectThenStop };

struct Fault {
  SimOptions options;
  QStringList processArgs;  // non-empty: the controller runs as its own process with these options
  QByteArray raw;           // sent once connected, before the action
  Action action = Action::Scan;
  Operator op = Operator::Nothing;
  QStringList messages;          // what the operator is shown, in order
  std::map<int, QString> inUse;  // slot -> model name the table must hold; every other slot unused
  std::map<int, int> status;     // slot -> Status the table must hold afterwards
  std::function<void(AppFixture&)> check;
};

SimOptions withPanels(std::vector<SimPanel> panels) {
  SimOptions o;
  o.panels = std::move(panels);
  return o;
}

const std::map<int, QString> kDefaultInUse{{2, "Orv15"}, {3, "Orv18"}, {4, "Orv15"}, {6, "Orv11"}};
const std::map<int, int> kDefaultStatus{{2, 4}, {3, 1}, {4, 2}, {6, 39}};

QByteArray randomBytes(qsizetype n, quint32 seed) {
  QRandomGenerator gen(seed);
  QByteArray bytes(n, Qt::Uninitialized);
  for (char& c : bytes) c = static_cast<char>(gen.bounded(256));
  bytes.replace("Ret", "rET");  // garbage, not a status reply by chance
  return bytes;
}

QByteArray statusFlood(int replies) {
  QByteArray flood;
  flood.reserve(replies * 20);
  for (int k = 0; k < replies; ++k) flood += ControllerSim::statusReply(2, k);
  return flood;
}

// Characters received, without the log's prefix: a chunk is logged as it came.
qsizetype receivedChars(const AppFixture& app) {
  const QString prefix = QStringLiteral("Rx from server: ");
  qsizetype n = 0;
  for (const QString& e : const_cast<AppFixture&>(app).w().link->logEntries())
    if (e.startsWith(prefix)) n += e.size() - prefix.size();
  return n;
}

// Every label that shows text which could read as markup must show it as it stands.
void labelsArePlainText(QWidget* top) {
  for (QLabel* l : top->findChildren<QLabel*>())
    if (Qt::mightBeRichText(l->text()))
      QVERIFY2(l->textFormat() == Qt::PlainText, qPrintable(l->objectName() + ": " + l->text()));
}

void writeReplayButton(AppFixture& app, const QStringList& lines) {
  QFile f(commandFilePath(0));
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(("Replay\r\n" + lines.join("\r\n") + "\r\n").toLatin1());
  f.close();
  UsrButtons[0].InUse = true;
  UsrButtons[0].ButtonText = QStringLiteral("Replay");
  UsrButtons[0].FileName = commandFilePath(0);
  app.w().userButtons->UpdateUsrButtons();
}

}  // namespace

Q_DECLARE_METATYPE(Fault)

class TestE2eFaults : public QObject {
  Q_OBJECT
 private slots:
  void misbehavingController_data();
  void misbehavingController();

  void markupIsShownAsText();
  void operatorClicksDuringAWait();
  void connectDisconnectCycles();
  void closingTheProgramDuringAWait();
};

void TestE2eFaults::misbehavingController_data() {
  QTest::addColumn<Fault>("fault");
  auto row = [](const char* name, Fault f) { QTest::newRow(name) << f; };

  {
    Fault f;
    f.options.noAnswer = true;
    f.options.closeAfter = 1;
    f.check = [](AppFixture& app) {
      QCOMPARE(app.w().link->logEntries().last(), QStringLiteral("Client is disconnecting the server"));
      QVERIFY(FirstScanDone);
      QCOMPARE(app.w().cbAddress->count(), 0);
    };
    row("closes during the name wait", f);
  }
  {
    Fault f;
    f.options.closeAfter = 2;  // answers the name and the first status request, then closes
    f.inUse = kDefaultInUse;
    f.status = {{2, 4}, {3, 0}, {4, 0}, {6, 0}};
    f.check = [](AppFixture& app) {
      QCOMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Connect the Server"));
      QVERIFY(app.w().btnScan->isVisible());
      QCOMPARE(app.w().cbAddress->count(), 4);
    };
    row("closes during the status poll", f);
  }
  {
    Fault f;
    f.processArgs = {"--close-after", "1"};
    f.action = Action::Replay;
    f.check = [](AppFixture& app) {
      const QStringList log = app.w().link->logEntries();
      QVERIFY(log.contains(QStringLiteral("#0x02 Set X:1=5\r\n")));
      QVERIFY(log.contains(QStringLiteral("#0x03 Set X:1=6\r\n")));
      QTRY_COMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Connect the Server"));
    };
    row("closes during a user-button replay", f);
  }
  {
    Fault f;
    f.options.closeAfter = 6;  // name, four polls, then the recall's set command
    f.action = Action::ScanThenRecall;
    f.inUse = kDefaultInUse;
    f.status = {{2, 4}, {3, 1}, {4, 2}, {6, 0}};
    f.check = [](AppFixture& app) {
      QTRY_COMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Connect the Server"));
      QCOMPARE(app.sim().status(6), 0);
    };
    row("closes during a tuner recall", f);
  }
  {
    Fault f;
    f.options.noAnswer = true;
    f.op = Operator::StopWaiting;
    f.check = [](AppFixture& app) {
      QVERIFY(FirstScanDone);
      QVERIFY(app.w().link->isConnected());
    };
    row("never answers, Stop waiting", f);
  }
  {
    Fault f;
    f.options.noAnswer = true;
    f.op = Operator::DisconnectThenStop;
    f.check = [](AppFixture& app) {
      QVERIFY(!app.w().link->isConnected());
      QCOMPARE(app.w().btnConn_DisConn->text(), QStringLiteral("Connect the Server"));
    };
    row("never answers, disconnect then Stop waiting", f);
  }
  {
    Fault f;
    f.options.silentAddresses = {0x03, 0x06};
    f.op = Operator::StopWaiting;
    f.inUse = kDefaultInUse;
    f.status = {{2, 4}, {3, 0}, {4, 2}, {6, 0}};
    row("two panels never answer, Stop waiting", f);
  }
  {
    Fault f;
    f.options.replyDelayMs = 150;
    f.inUse = kDefaultInUse;
    f.status = kDefaultStatus;
    row("answers late", f);
  }
  {
    Fault f;
    f.options.splitPauseMs = 5;
    f.inUse = kDefaultInUse;
    f.status = kDefaultStatus;
    row("splits every reply", f);
  }
  {
    Fault f;
    f.processArgs = {"--split-replies", "20", "--reply-delay", "30"};
    f.inUse = kDefaultInUse;
    f.status = kDefaultStatus;
    row("splits every reply, own process", f);
  }
  {
    Fault f;
    f.raw = randomBytes(64 * 1024, 7);
    f.inUse = kDefaultInUse;
    f.status = kDefaultStatus;
    row("random bytes", f);
  }
  {
    Fault f;
    f.raw = QByteArray(1 << 20, 'A') + "\r\n";
    f.inUse = kDefaultInUse;
    f.status = kDefaultStatus;
    row("one 1 MiB chunk", f);
  }
  {
    Fault f;
    f.raw = QByteArray(1 << 20, 'B') + randomBytes(5000, 3);
    f.inUse = kDefaultInUse;
    f.status = kDefaultStatus;
    row("more than 1 MiB without a line end", f);
  }
  {
    Fault f;
    f.raw = QByteArray(100000, 'x');
    f.inUse = kDefaultInUse;
    f.status = kDefaultStatus;
    row("100000 characters without CR LF", f);
  }
  {
    Fault f;
    f.options = withPanels({{2,
                             QByteArray("Orv\0"
                                        "15",
                                        5),
                             4},
                            {3, "Orv18", 1}});
    f.raw = QByteArray("\0\0\0\r\n", 5);
    f.inUse = {{2, QString::fromLatin1("Orv\0"
                                       "15",
                                       5)},
               {3, "Orv18"}};
    f.status = {{3, 1}};
    row("NUL bytes", f);
  }
  {
    Fault f;
    f.raw = QByteArray("#0x02 Ret X:1=4\0\r\n", 18);
    f.messages = {QStringLiteral("'4") + QChar(0) + QStringLiteral("' is not a valid integer value")};
    f.inUse = kDefaultInUse;
    f.status = kDefaultStatus;
    row("NUL byte in a status value", f);
  }
  {
    Fault f;
    f.raw = "#0x02 Ret X:1=1x\r\n";
    f.messages = {QStringLiteral("'1x' is not a valid integer value")};
    f.inUse = kDefaultInUse;
    f.status = kDefaultStatus;
    row("status value not a number", f);
  }
  {
    Fault f;
    f.options = withPanels({{2, "<b>x</b>", 4}, {3, "<img src=x>", 1}, {4, "Orv15", 2}});
    // A blank ends a model name.
    f.inUse = {{2, "<b>x</b>"}, {3, "<img"}, {4, "Orv15"}};
    f.status = {{2, 4}, {3, 1}, {4, 2}};
    f.check = [](AppFixture& app) {
      QCOMPARE(app.w().lblProdukt->text(), QStringLiteral("<b>x</b>"));
      labelsArePlainText(&app.w());
    };
    row("markup in model names", f);
  }
  {
    Fault f;
    f.options = withPanels({{0x85, "Orv15", 3}, {0xFE, "Orv11", 9}, {2, "Orv18", 1}});
    f.raw = "#0x85 Ret X:1=7\r\n#0xFE Ret X:1=7\r\n#0x1FF Ret X:1=7\r\n";
    f.inUse = {{2, "Orv18"}};
    f.status = {{2, 1}};
    f.check = [](AppFixture&) { QCOMPARE(AntallTunere, 0); };
    row("addresses above 0x7F", f);
  }
  {
    Fault f;
    f.options = withPanels({{1, "Orv11", 1}, {2, "Orv11", 2}, {3, "Orv11", 3}, {4, "Orv11", 4}, {5, "Orv11", 5}});
    f.inUse = {{1, "Orv11"}, {2, "Orv11"}, {3, "Orv11"}, {4, "Orv11"}, {5, "Orv11"}};
    f.status = {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}};
    f.check = [](AppFixture& app) {
      QCOMPARE(AntallTunere, 5);
      QCOMPARE(SystemArray[5].TunerNr, 5);
      for (int t = 0; t < TunerSlots; ++t) QCOMPARE(TunerArray[t].Adresse, t + 1);
      QVERIFY(app.w().findChild<QLabel*>(QStringLiteral("lbl2Orv11_5")));
    };
    row("five Orv11 panels", f);
  }
  {
    Fault f;
    f.options = withPanels({{2, "Orv0", 0}, {3, "Orv0", 0}, {4, "Orv18", 2}});
    // Each fill of an Orv0 panel tells the operator: the replies for 0x02 and 0x03, then the first panel.
    f.messages = QStringList(3, QStringLiteral("Unknown panel, possible due to a communication problem."));
    f.inUse = {{2, "Orv0"}, {3, "Orv0"}, {4, "Orv18"}};
    f.status = {{2, 0}, {3, 0}, {4, 2}};
    f.check = [](AppFixture& app) {
      QVERIFY(app.w().panels->gbOrv0->isVisible());
      QCOMPARE(SystemArray[2].BrukerDef.text(), Orv0Navn);
    };
    row("Orv0 panels", f);
  }
  {
    Fault f;
    f.options = withPanels({{2, "Orv99", 5}, {3, "orv15", 6}});
    f.inUse = {{2, "Orv99"}, {3, "orv15"}};
    f.status = {{2, 5}, {3, 6}};
    f.check = [](AppFixture& app) {
      QVERIFY(!app.w().panels->gbOrv15->isVisible());
      QCOMPARE(app.w().lblProdukt->text(), QStringLiteral("Orv99"));
    };
    row("unknown model", f);
  }
  {
    Fault f;
    f.raw = statusFlood(100000);
    f.inUse = kDefaultInUse;
    f.status = kDefaultStatus;  // the poll asks again afterwards
    f.check = [](AppFixture& app) { QVERIFY(app.w().link->logEntries().size() < 100000); };
    row("100000 status replies", f);
  }
}

void TestE2eFaults::misbehavingController() {
  QFETCH(Fault, fault);
  AppFixture app;
  QProcess process;
  if (fault.processArgs.isEmpty()) {
    app.start(fault.options);
  } else {
    process.setProgram(QCoreApplication::applicationDirPath() + "/controller-sim");
    process.setArguments(QStringList{"--port", "0"} + fault.processArgs);
    process.start();
    QVERIFY(process.waitForReadyRead(10000));
    const QByteArray first = process.readLine();
    QVERIFY2(first.startsWith("listening on 127.0.0.1:"), first.constData());
    app.startProgram();
    app.w().frmTCPIP->lePort->setText(QString::fromLatin1(first.trimmed().split(':').last()));
  }
  app.w().btnConn_DisConn->click();
  QTRY_VERIFY(app.w().link->isConnected());
  if (fault.processArgs.isEmpty()) QTRY_COMPARE(app.sim().clientCount(), 1);

  // The operator, watching for a wait that does not end.
  QTimer operatorHand;
  operatorHand.setInterval(20);
  int interventions = 0;
  int waitingTicks = 0;  // a reply the simulator is about to send is not a wait to end
  QObject::connect(&operatorHand, &QTimer::timeout, [&] {
    waitingTicks = app.w().replyWait->isWaiting() ? waitingTicks + 1 : 0;
    if (waitingTicks < 5 || fault.op == Operator::Nothing || interventions > 1000) return;
    waitingTicks = 0;
    ++interventions;
    if (fault.op == Operator::DisconnectThenStop && app.w().link->isConnected()) app.w().btnConn_DisConn->click();
    app.w().btnStopWaiting->click();
  });
  operatorHand.start();

  if (!fault.raw.isEmpty()) {
    app.sim().sendRaw(fault.raw);
    // Everything has arrived (every received byte is one logged character) before the action.
    QTRY_COMPARE_WITH_TIMEOUT(receivedChars(app), fault.raw.size(), 60000);
  }

  switch (fault.action) {
    case Action::Scan: app.scan(); break;
    case Action::ScanThenRecall:
      app.scan();
      app.w().btnTunerClick(1);
      QVERIFY(app.w().frmTuner1->isVisible());
      app.w().frmTuner1->btnxClick(1);
      break;
    case Action::Replay:
      writeReplayButton(app, {"#0x02 Set X:1=5", "#0x03 Set X:1=6", "#0x04 Set X:1=7"});
      app.w().userButtons->button(0)->click();
      break;
  }
  operatorHand.stop();
  if (fault.op != Operator::Nothing) QVERIFY(interventions > 0);

  if (fault.check) fault.check(app);
  if (QTest::currentTestFailed()) return;
  QCOMPARE(app.recorder.messages, fault.messages);
  for (int k = 0; k < SystemSlots; ++k) {
    const auto it = fault.inUse.find(k);
    QVERIFY2(bool(SystemArray[k].I_bruk) == (it != fault.inUse.end()), qPrintable(QString::number(k)));
    if (it != fault.inUse.end()) {
      QCOMPARE(SystemArray[k].Navn.text(), it->second);
      QCOMPARE(SystemArray[k].Adresse, k);
    }
  }
  for (const auto& [slot, value] : fault.status) QTRY_COMPARE(SystemArray[slot].Status, value);

  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished();
  }
}

void TestE2eFaults::markupIsShownAsText() {
  // A controller and a loaded configuration file both carry markup; every place shows it literally.
  AppFixture app;
  SimOptions options = withPanels({{2, "<b>x</b>", 4}, {3, "Orv18", 1}, {6, "Orv11", 39}});
  app.start(options);
  app.connectToController();
  app.scan();
  QCOMPARE(app.w().lblProdukt->text(), QStringLiteral("<b>x</b>"));
  QCOMPARE(app.w().lblProdukt->textFormat(), Qt::PlainText);

  for (int slot : {3, 6}) {
    SystemArray[slot].BrukerDef = QStringLiteral("<img src=x>");
    for (int port = 1; port <= 8; ++port) *SystemArray[slot].btnTxt(port) = QStringLiteral("<i>p</i>&1");
  }
  app.w().statusList->RemoveStatus();
  app.w().statusList->StatusScroll();
  for (const char* name : {"lbl2Orv18_3", "lbl2Orv11_6"}) {
    auto* l = app.w().findChild<QLabel*>(QString::fromLatin1(name));
    QVERIFY2(l, name);
    QCOMPARE(l->textFormat(), Qt::PlainText);
  }
  for (int slot : {3, 6}) {
    app.w().cbAddress->setCurrentText("0x0" + QString::number(slot));
    app.w().session->cbAddressChange();
    labelsArePlainText(&app.w());
  }
  app.w().btnTunerClick(1);
  QVERIFY(app.w().frmTuner1->isVisible());
  labelsArePlainText(app.w().frmTuner1);
}

void TestE2eFaults::operatorClicksDuringAWait() {
  AppFixture app;
  SimOptions options;
  options.silentAddresses = {0x04};
  app.start(options);
  app.connectToController();

  // Inside the wait for 0x04: a second scan, then Stop waiting several times, then a disconnect
  // and a new connection; each nested wait gets the same way out.
  int step = 0;
  int waitingTicks = 0;  // only a wait that lasts: 0x04 never answers
  QTimer hand;
  hand.setInterval(20);
  QObject::connect(&hand, &QTimer::timeout, [&] {
    waitingTicks = app.w().replyWait->isWaiting() ? waitingTicks + 1 : 0;
    if (waitingTicks < 5 || step > 200) return;
    waitingTicks = 0;
    ++step;
    if (step == 1) {
      // A second scan inside the first one's wait, from its own event so this hand keeps working.
      QTimer::singleShot(0, app.w().btnScan, &QPushButton::click);
      return;
    }
    if (step % 3 == 0) {
      app.w().btnConn_DisConn->click();
      app.w().btnConn_DisConn->click();
    }
    for (int k = 0; k < 3; ++k) app.w().btnStopWaiting->click();
  });
  hand.start();
  app.scan();
  hand.stop();
  QVERIFY(step > 1);
  QCOMPARE(app.recorder.messages, QStringList());
  for (int k = 0; k < SystemSlots; ++k)
    if (SystemArray[k].I_bruk) QVERIFY(kDefaultInUse.count(k));
  QVERIFY(FirstScanDone);
}

namespace {
qint64 residentKiB() {
  QFile f(QStringLiteral("/proc/self/statm"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  const QList<QByteArray> fields = f.readAll().split(' ');
  return fields.size() > 1 ? fields[1].toLongLong() * 4 : -1;
}
}  // namespace

void TestE2eFaults::connectDisconnectCycles() {
  AppFixture app;
  app.start();
  app.connectToController();
  app.scan();
  app.w().btnConn_DisConn->click();
  app.w().Button3->click();
  const qint64 before = residentKiB();
  for (int cycle = 0; cycle < 200; ++cycle) {
    app.w().btnConn_DisConn->click();
    QTRY_VERIFY(app.w().link->isConnected());
    app.w().btnConn_DisConn->click();
    QVERIFY(!app.w().link->isConnected());
  }
  QTRY_COMPARE(app.sim().clientCount(), 0);
  app.w().Button3->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  const qint64 after = residentKiB();
  qInfo("resident memory before 200 connect/disconnect cycles: %lld KiB, after: %lld KiB", before, after);
  QVERIFY(app.recorder.messages.isEmpty());
  QCOMPARE(app.w().lbRespons->count(), 0);
}

void TestE2eFaults::closingTheProgramDuringAWait() {
  AppFixture app;
  SimOptions options;
  options.noAnswer = true;
  app.start(options);
  app.connectToController();
  bool asked = false;
  QTimer::singleShot(0, [&] {
    QTRY_VERIFY(app.w().replyWait->isWaiting());
    asked = true;
    app.w().close();
  });
  app.scan();  // returns: closing ends the wait
  QVERIFY(asked);
  QVERIFY(!app.w().isVisible());
  // Every later wait of the abandoned operation ends at once too.
  app.w().link->SendCommand(QStringLiteral("#0x02 Get X\r\n"));
  StrengMottatt = false;
  app.w().replyWait->waitForReply();
  QVERIFY(StrengMottatt);
}

QTEST_MAIN(TestE2eFaults)
#include "test_e2e_faults.moc"
