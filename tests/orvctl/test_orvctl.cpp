// orvctl as a script runs it: a process of its own against the controller simulator's process,
// judged by its exit status, what it prints, and what the controller received and when.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

#include <csignal>
#include <cstring>

#include "core/model/records.h"

namespace {

struct Result {
  int status = -1;
  QString out;
  QString err;
};

// `input` goes to its standard input; `output`, when given, is where its standard output goes.
Result orvctl(const QStringList& args, const QByteArray& input = {}, const QString& output = {}) {
  QProcess p;
  if (!output.isEmpty()) p.setStandardOutputFile(output);
  p.start(QStringLiteral(ORVCTL_PATH), args);
  p.write(input);
  p.closeWriteChannel();
  if (!p.waitForFinished(30000)) p.kill();
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

struct Received {
  qint64 ms;
  QString line;
};

// The simulator as a process; it stamps every line it receives.
class Controller {
 public:
  explicit Controller(const QStringList& options = {}) {
    process_.start(QStringLiteral(CONTROLLER_SIM_PATH), QStringList{"--port", "0"} + options);
    process_.waitForStarted(10000);
    process_.waitForReadyRead(10000);
    const QByteArray first = process_.readLine();
    port_ = QString::fromLatin1(first.trimmed().split(':').last());
  }
  ~Controller() {
    process_.kill();
    process_.waitForFinished(10000);
  }
  QString port() const { return port_; }
  QStringList at() const { return {"--port", port_}; }

  // Everything logged so far.
  QString log() {
    log_ += QString::fromLatin1(process_.readAllStandardOutput());
    return log_;
  }
  QList<Received> received() {
    QList<Received> lines;
    static const QRegularExpression rx(QStringLiteral("^\\[t=(\\d+)\\] RX (.*)$"), QRegularExpression::MultilineOption);
    for (auto it = rx.globalMatch(log()); it.hasNext();) {
      const auto m = it.next();
      lines.append({m.captured(1).toLongLong(), m.captured(2)});
    }
    return lines;
  }

 private:
  QProcess process_;
  QString port_;
  QString log_;
};

// A controller that answers every line with the same bytes.
class CannedController {
 public:
  explicit CannedController(QByteArray answer) : answer_(std::move(answer)) {
    server_.listen(QHostAddress::LocalHost);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      QTcpSocket* peer = server_.nextPendingConnection();
      QObject::connect(peer, &QTcpSocket::readyRead, [this, peer] {
        while (peer->canReadLine()) {
          peer->readLine();
          peer->write(answer_);
        }
      });
    });
  }
  QStringList at() const { return {"--port", QString::number(server_.serverPort())}; }

 private:
  QTcpServer server_;
  QByteArray answer_;
};

// orvctl run in a thread of its own would block the canned controller; a process with the event
// loop turning meanwhile does not.
Result orvctlBeside(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(ORVCTL_PATH), args);
  QEventLoop loop;
  QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(30000, &loop, &QEventLoop::quit);
  if (p.state() != QProcess::NotRunning) loop.exec();
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// A Tuner.dat whose only filled memory is `memory` of `tuner`, that tuner at `address`.
void writeTunerMemory(const QString& path, int tuner, int address, int memory, int value) {
  TTunerRecord tuners[4];
  std::memset(tuners, 0, sizeof tuners);
  tuners[tuner - 1].Adresse = address;
  tuners[tuner - 1].Buttons[memory - 1].Verdi = value;
  writeFile(path, QByteArray(reinterpret_cast<const char*>(tuners), sizeof tuners));
}

// The pause between the lines sent, as the controller's clock saw them arrive: each at least
// 100 ms after the one before, less the few milliseconds a busy machine may delay one arrival.
void checkPaced(const QList<Received>& lines) {
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const qint64 gap = lines[i].ms - lines[i - 1].ms;
    QVERIFY2(gap >= 95, qPrintable(QStringLiteral("%1 ms before %2").arg(gap).arg(lines[i].line)));
  }
}

}  // namespace

class TestOrvctl : public QObject {
  Q_OBJECT
 private slots:
  void scanListsEveryPanelPacedAsThePoll() {
    Controller controller;
    const Result table = orvctl(controller.at() + QStringList{"scan"});
    QCOMPARE(table.status, 0);
    QCOMPARE(table.out, QStringLiteral("0x02  Orv15   Orvane Radio Router             4\n"
                                       "0x03  Orv18   Orvane 8 Port Auxiliary Switch  1\n"
                                       "0x04  Orv15   Orvane Radio Router             2\n"
                                       "0x06  Orv11   Orvane Feedline Extender/Tuner  39\n"));
    QVERIFY(table.err.isEmpty());  // progress only on a terminal

    QTRY_COMPARE(controller.received().size(), 5);
    const QList<Received> lines = controller.received();
    QCOMPARE(lines[0].line, QStringLiteral("#0xFF Get Name"));
    QCOMPARE(lines[4].line, QStringLiteral("#0x06 Get X"));
    checkPaced(lines.mid(1));

    const Result json = orvctl(controller.at() + QStringList{"scan", "--json"});
    QCOMPARE(json.status, 0);
    const QJsonArray panels = QJsonDocument::fromJson(json.out.toUtf8()).array();
    QCOMPARE(panels.size(), 4);
    QCOMPARE(panels[3].toObject(), (QJsonObject{{"address", "0x06"},
                                                {"model", "Orv11"},
                                                {"description", "Orvane Feedline Extender/Tuner"},
                                                {"status", 39},
                                                {"tuner", 1}}));
    QVERIFY(panels[0].toObject()["tuner"].isNull());
  }

  void commandsAgainstTheController_data() {
    QTest::addColumn<QStringList>("controllerOptions");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");  // a part of the one line
    QTest::newRow("get") << QStringList() << QStringList{"get", "0x03"} << 0 << "1\n"
                         << "";
    QTest::newRow("set") << QStringList() << QStringList{"set", "0x03", "6"} << 0 << "6\n"
                         << "";
    QTest::newRow("step up") << QStringList() << QStringList{"step", "0x06", "+16"} << 0 << "55\n"
                             << "";
    QTest::newRow("step within 0") << QStringList() << QStringList{"step", "0x06", "-100"} << 0 << "0\n"
                                   << "";
    QTest::newRow("step within 255") << QStringList() << QStringList{"step", "0x06", "+1000"} << 0 << "255\n"
                                     << "";
    QTest::newRow("step on no tuner") << QStringList() << QStringList{"step", "0x03", "+1"} << 4 << ""
                                      << "0x03 is an Orv18, not an Orv11";
    QTest::newRow("step on no panel") << QStringList() << QStringList{"step", "0x07", "+1"} << 4 << ""
                                      << "no panel answers at 0x07";
    QTest::newRow("no reply") << QStringList{"--silent-address", "0x03"}
                              << QStringList{"--timeout", "300", "get", "0x03"} << 3 << ""
                              << "within 300 ms: the status of 0x03";
    QTest::newRow("connection lost") << QStringList{"--close-after", "1", "--no-answer"} << QStringList{"get", "0x03"}
                                     << 2 << ""
                                     << "lost";
  }
  void commandsAgainstTheController() {
    QFETCH(QStringList, controllerOptions);
    QFETCH(QStringList, args);
    Controller controller(controllerOptions);
    const Result r = orvctl(controller.at() + args);
    QTEST(r.status, "status");
    QTEST(r.out, "out");
    QFETCH(QString, err);
    if (err.isEmpty())
      QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    else
      QVERIFY2(r.err.startsWith("orvctl: ") && r.err.contains(err) && r.err.count(u'\n') == 1, qPrintable(r.err));
  }

  void controllerAnsweringOtherwise_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<QString>("err");
    QTest::newRow("another value") << QByteArray("#0x03 Ret X:1=5\r\n") << "0x03 reported 5, not 6";
    QTest::newRow("not a number") << QByteArray("#0x03 Ret X:1=zz\r\n") << "'zz' is not a valid integer value";
  }
  void controllerAnsweringOtherwise() {
    QFETCH(QByteArray, answer);
    QFETCH(QString, err);
    CannedController controller(answer);
    const Result r = orvctlBeside(controller.at() + QStringList{"set", "0x03", "6"});
    QCOMPARE(r.status, 4);
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
  }

  void noConnection() {
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString port = QString::number(closed.serverPort());
    closed.close();
    const Result r = orvctl({"--port", port, "get", "0x02"});
    QCOMPARE(r.status, 2);
    QCOMPARE(r.err,
             QStringLiteral("orvctl: cannot connect to 127.0.0.1:%1: Connection refused (error 111)\n").arg(port));
  }

  void badUseSendsNothing_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("err");
    QTest::newRow("no command") << QStringList{} << "no command given";
    QTest::newRow("unknown command") << QStringList{"reboot"} << "unknown command 'reboot'";
    QTest::newRow("unknown option") << QStringList{"--loud", "get", "0x02"} << "unknown option '--loud'";
    QTest::newRow("option without value") << QStringList{"--timeout"} << "--timeout needs a value";
    QTest::newRow("address above 0x7F") << QStringList{"get", "0x80"} << "'0x80' is not a panel address";
    QTest::newRow("address without 0x") << QStringList{"get", "02"} << "'02' is not a panel address";
    QTest::newRow("one digit") << QStringList{"get", "0x2"} << "'0x2' is not a panel address";
    QTest::newRow("address with a sign") << QStringList{"get", "0x+2"} << "'0x+2' is not a panel address";
    QTest::newRow("address with a blank") << QStringList{"get", "0x 2"} << "'0x 2' is not a panel address";
    QTest::newRow("address and a blank") << QStringList{"get", "0x2 "} << "'0x2 ' is not a panel address";
    QTest::newRow("escape codes") << QStringList{"get", "\x1b[2J"} << "'\\x1b[2J' is not a panel address";
    QTest::newRow("value not an integer") << QStringList{"set", "0x02", "12x"} << "VALUE '12x' is not a whole number";
    QTest::newRow("value a lone $") << QStringList{"set", "0x02", "$"} << "VALUE '$' is not a whole number";
    QTest::newRow("value empty") << QStringList{"set", "0x02", ""} << "VALUE '' is not a whole number";
    QTest::newRow("value above a byte") << QStringList{"set", "0x03", "300"} << "VALUE must lie in 0..255, not 300";
    QTest::newRow("value negative") << QStringList{"set", "0x03", "-1"} << "VALUE must lie in 0..255, not -1";
    QTest::newRow("value the largest integer")
        << QStringList{"set", "0x03", "2147483647"} << "VALUE must lie in 0..255, not 2147483647";
    QTest::newRow("missing value") << QStringList{"set", "0x02"} << "usage: orvctl set ADDR VALUE";
    QTest::newRow("step not an integer") << QStringList{"step", "0x06", "+z"} << "N '+z' is not a whole number";
    QTest::newRow("scan option") << QStringList{"scan", "--xml"} << "usage: orvctl scan";
    QTest::newRow("port not an integer") << QStringList{"--port", "25x", "get", "0x02"}
                                         << "--port '25x' is not a whole number";
    QTest::newRow("port out of range") << QStringList{"--port", "70000", "get", "0x02"}
                                       << "--port must lie in 1..65535";
    QTest::newRow("host name") << QStringList{"--host", "controller.local", "get", "0x02"}
                               << "not a numeric IPv4 address";
    QTest::newRow("timeout") << QStringList{"--timeout", "0", "get", "0x02"} << "--timeout must lie in";
    QTest::newRow("tuner 5") << QStringList{"recall", "5", "1"} << "TUNER must lie in 1..4, not 5";
    QTest::newRow("memory 49") << QStringList{"recall", "1", "49"} << "MEMORY must lie in 1..48, not 49";
    QTest::newRow("no Tuner.dat") << QStringList{"recall", "1", "1"} << "Tuner.dat\". The file does not exist.";
    QTest::newRow("button 20") << QStringList{"run", "20"} << "N must lie in 0..19, not 20";
    QTest::newRow("no command file") << QStringList{"run", "3"} << "3_UserConfig.txt\". The file does not exist.";
  }
  void badUseSendsNothing() {
    QFETCH(QStringList, args);
    QFETCH(QString, err);
    Controller controller;
    QTemporaryDir dir;
    const bool portGiven = args.contains(u"--port");
    const Result r = orvctl(QStringList{"--dir", dir.path()} + (portGiven ? QStringList() : controller.at()) + args);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.startsWith("orvctl: ") && r.err.contains(err) && r.err.count(u'\n') == 1, qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    QTest::qWait(50);
    QVERIFY2(!controller.log().contains(u"connected"), qPrintable(controller.log()));
  }

  void recallSendsTheStoredMemory() {
    Controller controller;
    QTemporaryDir dir;
    // Copied from another system: the names in other letter case.
    writeTunerMemory(dir.path() + "/configurations/TUNER.DAT", 2, 6, 5, 42);
    const Result r = orvctl(QStringList{"--dir", dir.path()} + controller.at() + QStringList{"recall", "2", "5"});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QStringLiteral("42\n"));
    QTRY_COMPARE(controller.received().size(), 1);
    QCOMPARE(controller.received().last().line, QStringLiteral("#0x06 Set X:1=42"));

    const Result none = orvctl(QStringList{"--dir", dir.path()} + controller.at() + QStringList{"recall", "1", "5"});
    QCOMPARE(none.status, 1);
    QVERIFY2(none.err.contains("tuner 1 has no panel address"), qPrintable(none.err));
  }

  void runReplaysTheButtonPaced() {
    Controller controller;
    QTemporaryDir dir;
    writeFile(dir.path() + "/Configurations/7_UserConfig.txt",
              "Contest\r\n#0x02 Set X:1=3\r\n#0x03 Set X:1=8\r\n#0x06 Set X:1=20\r\n");
    // The controller's address and port come from the program's settings file.
    writeFile(dir.path() + "/OrvControlClient.INI",
              "[TCPIP]\nAddress=127.0.0.1\nPort=" + controller.port().toLatin1() + "\n");
    const Result r = orvctl({"--dir", dir.path(), "run", "7"});
    QCOMPARE(r.status, 0);
    QTRY_COMPARE(controller.received().size(), 3);
    const QList<Received> lines = controller.received();
    QCOMPARE(lines[0].line, QStringLiteral("#0x02 Set X:1=3"));
    QCOMPARE(lines[2].line, QStringLiteral("#0x06 Set X:1=20"));
    checkPaced(lines);
  }

  // The follower through orvctl: the map's tuner memory comes from the program's Tuner.dat, a
  // logger's packet moves the radio into the range, SIGTERM ends it cleanly.
  void followSendsTheMapsTunerMemory() {
    Controller controller;
    QTemporaryDir dir;
    writeTunerMemory(dir.path() + "/Configurations/Tuner.dat", 1, 6, 5, 42);
    writeFile(dir.path() + "/bands.map", "# kHz  actions\n3500-3800  0x02=2  tuner1=5\n");
    QUdpSocket probe;  // a free UDP port for the logger's packets
    QVERIFY(probe.bind(QHostAddress::LocalHost, 0));
    const quint16 udpPort = probe.localPort();
    probe.close();

    const QStringList common =
        QStringList{"--dir", dir.path()} + controller.at() + QStringList{"follow", "--n1mm", QString::number(udpPort)};
    const Result badMap = orvctl(common + QStringList{"--map", dir.path() + "/missing.map"});
    QCOMPARE(badMap.status, 1);

    QProcess follower;
    follower.start(QStringLiteral(ORVCTL_PATH), common + QStringList{"--map", dir.path() + "/bands.map"});
    QVERIFY(follower.waitForStarted(10000));
    QUdpSocket logger;
    const QByteArray packet =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<RadioInfo><RadioNr>1</RadioNr><TXFreq>355000</TXFreq>"
        "<IsTransmitting>False</IsTransmitting><ActiveRadioNr>1</ActiveRadioNr></RadioInfo>\r\n";
    // Sent again until the follower, still starting, has heard it.
    QTRY_VERIFY_WITH_TIMEOUT(
        (logger.writeDatagram(packet, QHostAddress::LocalHost, udpPort), controller.received().size() >= 2), 10000);
    const QList<Received> lines = controller.received();
    QCOMPARE(lines[0].line, QStringLiteral("#0x02 Set X:1=2"));
    QCOMPARE(lines[1].line, QStringLiteral("#0x06 Set X:1=42"));
    ::kill(static_cast<pid_t>(follower.processId()), SIGTERM);
    QVERIFY(follower.waitForFinished(10000));
    QCOMPARE(follower.exitStatus(), QProcess::NormalExit);
    QCOMPARE(follower.exitCode(), 0);
    QCOMPARE(controller.received().size(), 2);  // the packets repeated the same range: sent once
  }

  // Replies slow to complete, a greeting before the command, panels that cannot be used or do not
  // answer: a command takes only the whole line that answers it.
  void repliesAreTakenWhole_data() {
    QTest::addColumn<QStringList>("controllerOptions");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");  // each line a part of one line of standard error
    const QString table = QStringLiteral(
        "0x02  Orv15   Orvane Radio Router             4\n"
        "0x03  Orv18   Orvane 8 Port Auxiliary Switch  1\n"
        "0x04  Orv15   Orvane Radio Router             2\n"
        "0x06  Orv11   Orvane Feedline Extender/Tuner  39\n");
    QTest::newRow("get, reply in two pieces")
        << QStringList{"--split-replies", "60"} << QStringList{"get", "0x03"} << 0 << "1\n"
        << "";
    QTest::newRow("scan, replies in two pieces")
        << QStringList{"--split-replies", "60"} << QStringList{"scan"} << 0 << table << "";
    const QString greeting = QStringLiteral("#0x03 Ret X:1=7\\r\\n#0xFF Ret 0x05:Name:Orv18\\r\\n");
    QTest::newRow("get after a greeting")
        << QStringList{"--on-connect", greeting} << QStringList{"get", "0x03"} << 0 << "1\n"
        << "";
    QTest::newRow("scan after a greeting")
        << QStringList{"--on-connect", greeting} << QStringList{"scan"} << 0 << table << "";
    QTest::newRow("scan with a silent panel and unusable addresses")
        << QStringList{"--panels", "0x00=Orv15:1,0x02=Orv15:4,0x90=Orv18:2,0x03=Orv18:1", "--silent-address", "0x03"}
        << QStringList{"--timeout", "300", "scan"} << 3
        << "0x02  Orv15   Orvane Radio Router             4\n"
           "0x03  Orv18   Orvane 8 Port Auxiliary Switch  no reply\n"
        << "warning: the controller names Orv15 at 0x00, which cannot be used: panels are 0x01 to 0x7F\n"
           "warning: the controller names Orv18 at 0x90, which cannot be used\n"
           "within 300 ms: the status of 0x03";
  }
  void repliesAreTakenWhole() {
    QFETCH(QStringList, controllerOptions);
    QFETCH(QStringList, args);
    QFETCH(QString, err);
    Controller controller(controllerOptions);
    const Result r = orvctl(controller.at() + args);
    QTEST(r.status, "status");
    QTEST(r.out, "out");
    const QStringList expected = err.isEmpty() ? QStringList() : err.split(u'\n');
    const QStringList lines = r.err.isEmpty() ? QStringList() : r.err.trimmed().split(u'\n');
    QCOMPARE(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
      QVERIFY2(lines[i].startsWith("orvctl: ") && lines[i].contains(expected[i]), qPrintable(r.err));
  }

  // A controller that closes, one that answers otherwise and one that floods: every failure is
  // its exit status and one short line, the odd bytes escaped.
  void failuresAreOneLine_data() {
    QTest::addColumn<QByteArray>("answer");  // empty: the simulator, closing after the first line
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");
    QTest::newRow("run, connection lost") << QByteArray() << QStringList{"run", "7"} << 2 << "lost";
    QTest::newRow("run, answered otherwise")
        << QByteArray("#0x02 Ret X:1=9\r\n") << QStringList{"run", "7"} << 4 << "0x02 reported 9, not 3";
    QTest::newRow("a reply of 1 MiB") << "#0x03 Ret X:1=" + QByteArray(1 << 20, '9') + "\r\n"
                                      << QStringList{"get", "0x03"} << 4
                                      << "sent a line longer than 8192 bytes: #0x03 Ret X:1=999";
    QTest::newRow("control bytes in a reply")
        << QByteArray("#0x03 Ret X:1=\x1b[2J\r\n") << QStringList{"get", "0x03"} << 4
        << "answered #0x03 Ret X:1=\\x1b[2J: '\\x1b[2J' is not a valid integer value";
  }
  void failuresAreOneLine() {
    QFETCH(QByteArray, answer);
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, err);
    QTemporaryDir dir;
    writeFile(dir.path() + "/Configurations/7_UserConfig.txt", "Contest\r\n#0x02 Set X:1=3\r\n#0x03 Set X:1=8\r\n");
    std::unique_ptr<Controller> sim;
    std::unique_ptr<CannedController> canned;
    QStringList at;
    if (answer.isEmpty()) {
      sim = std::make_unique<Controller>(QStringList{"--close-after", "1"});
      at = sim->at();
    } else {
      canned = std::make_unique<CannedController>(answer);
      at = canned->at();
    }
    const Result r = orvctlBeside(QStringList{"--dir", dir.path()} + at + args);
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.startsWith("orvctl: ") && r.err.contains(err) && r.err.count(u'\n') == 1 && r.err.size() < 300,
             qPrintable(r.err.left(400)));
  }

  // Nothing of a button's file goes out unless every line is a set command a panel can take.
  void runRefusesLinesThatAreNoCommand_data() {
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("err");
    QTest::newRow("words") << QByteArray("hello world") << "line 3: 'hello world' is not a command";
    QTest::newRow("address above 0x7F") << QByteArray("#0x99 Set X:1=1") << "line 3: '#0x99 Set X:1=1'";
    QTest::newRow("value above a byte") << QByteArray("#0x02 Set X:1=300") << "line 3: '#0x02 Set X:1=300'";
  }
  void runRefusesLinesThatAreNoCommand() {
    QFETCH(QByteArray, line);
    QFETCH(QString, err);
    Controller controller;
    QTemporaryDir dir;
    writeFile(dir.path() + "/Configurations/4_UserConfig.txt", "Bad\r\n#0x02 Set X:1=3\r\n" + line + "\r\n");
    const Result r = orvctl(QStringList{"--dir", dir.path()} + controller.at() + QStringList{"run", "4"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(err) && r.err.count(u'\n') == 1, qPrintable(r.err));
    QTest::qWait(50);
    QVERIFY2(!controller.log().contains(u"connected"), qPrintable(controller.log()));
  }

  void recallRefusesWhatWasNeverStored_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("label");
    QTest::addColumn<QString>("err");
    QTest::newRow("beyond a byte") << 99999
                                   << QByteArray(
                                          "\x04"
                                          "80 m")
                                   << "tuner 1 memory 5 holds 99999";
    QTest::newRow("never stored") << 0 << QByteArray("\x0bNo \n config") << "tuner 1 memory 5 has no stored setting";
  }
  void recallRefusesWhatWasNeverStored() {
    QFETCH(int, value);
    QFETCH(QByteArray, label);
    QFETCH(QString, err);
    Controller controller;
    QTemporaryDir dir;
    TTunerRecord tuners[4];
    std::memset(tuners, 0, sizeof tuners);
    tuners[0].Adresse = 6;
    std::memcpy(&tuners[0].Buttons[4].Tekst, label.constData(), label.size());
    tuners[0].Buttons[4].Verdi = value;
    writeFile(dir.path() + "/Configurations/Tuner.dat",
              QByteArray(reinterpret_cast<const char*>(tuners), sizeof tuners));
    const Result r = orvctl(QStringList{"--dir", dir.path()} + controller.at() + QStringList{"recall", "1", "5"});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains(err) && r.err.count(u'\n') == 1, qPrintable(r.err));
    QTest::qWait(50);
    QVERIFY(!controller.log().contains(u"connected"));
  }

  // On a terminal the scan shows its progress on standard error; an error that ends it starts a
  // line of its own. util-linux's script gives it that terminal.
  void scanProgressIsClearedBeforeAnError() {
    Controller controller({"--close-after", "2"});
    QProcess terminal;
    terminal.start(QStringLiteral("script"),
                   {"-qec", QStringLiteral(ORVCTL_PATH) + " --port " + controller.port() + " scan", "/dev/null"});
    QVERIFY(terminal.waitForFinished(30000));
    QCOMPARE(terminal.exitCode(), 2);
    const QByteArray shown = terminal.readAllStandardOutput();
    QVERIFY2(shown.contains("polling 0x03 (2 of 4)"), shown.constData());
    QVERIFY2(shown.contains('\r' + QByteArray(40, ' ') +
                            "\rorvctl: connection to 127.0.0.1:" + controller.port().toLatin1() + " lost"),
             shown.constData());
  }

  // A script's view: JSON results and failures, the traffic on request, and output that could not
  // be written is a failure.
  void forScripts() {
    Controller controller;
    const Result json = orvctl(controller.at() + QStringList{"--json", "set", "0x03", "6"});
    QCOMPARE(json.status, 0);
    QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).object(), (QJsonObject{{"address", "0x03"}, {"status", 6}}));

    const Result failed = orvctl(controller.at() + QStringList{"--json", "--timeout", "300", "get", "0x07"});
    QCOMPARE(failed.status, 3);
    QVERIFY(failed.out.isEmpty());
    const QJsonObject error = QJsonDocument::fromJson(failed.err.toUtf8()).object();
    QCOMPARE(error["error"].toString(), u"no-reply");
    QCOMPARE(error["status"].toInt(), 3);
    QVERIFY(error["message"].toString().contains(u"the status of 0x07"));

    const Result followFailed =
        orvctl(controller.at() + QStringList{"--json", "follow", "--rig", "127.0.0.1:1", "--map", "/nonexistent.map"});
    QCOMPARE(followFailed.status, 1);
    const QJsonObject followError = QJsonDocument::fromJson(followFailed.err.toUtf8()).object();
    QCOMPARE(followError["error"].toString(), u"bad-use");
    QVERIFY(followError["message"].toString().startsWith(u"map /nonexistent.map: "));

    const Result verbose = orvctl(controller.at() + QStringList{"--verbose", "get", "0x02"});
    QCOMPARE(verbose.out, u"4\n");
    QCOMPARE(verbose.err, u"> #0x02 Get X\n< #0x02 Ret X:1=4\n");

    const Result full = orvctl(controller.at() + QStringList{"get", "0x02"}, {}, QStringLiteral("/dev/full"));
    QCOMPARE(full.status, 5);
    QCOMPARE(full.err, u"orvctl: cannot write to standard output: No space left on device\n");

    const Result version = orvctl({"--version"});
    QCOMPARE(version.status, 0);
    QVERIFY(QRegularExpression(QStringLiteral("^orvctl \\d+\\.\\d+")).match(version.out).hasMatch());

    for (const QStringList& args : {QStringList{"get", "--help"}, QStringList{"follow", "--help"}}) {
      const Result help = orvctl(args);
      QCOMPARE(help.status, 0);
      QVERIFY2(help.out.startsWith(u"usage: orvctl ", Qt::CaseInsensitive) && help.out.contains(args[0]),
               qPrintable(help.out));
      QVERIFY(help.err.isEmpty());
    }
  }

  // Commands one a line in one connection, each answered by one line; the first failure ends the
  // batch unless --keep-going.
  void batchFromStandardInput() {
    Controller controller;
    const QByteArray commands = "# the shack\nget 0x03\nset 0x03 300\nset 0x03 6\nget 0x03\n";
    const Result stop = orvctl(controller.at() + QStringList{"--timeout", "500", "-"}, commands);
    QCOMPARE(stop.status, 1);
    QCOMPARE(stop.out, u"1\nerror 1: VALUE must lie in 0..255, not 300\n");
    QVERIFY2(stop.err.startsWith(u"orvctl: line 3: VALUE must lie") && stop.err.count(u'\n') == 1,
             qPrintable(stop.err));

    QTemporaryDir dir;
    writeFile(dir.path() + "/batch.txt", commands);
    const Result going = orvctl(controller.at() + QStringList{"batch", "--keep-going", dir.path() + "/batch.txt"});
    QCOMPARE(going.status, 1);
    QCOMPARE(going.out, u"1\nerror 1: VALUE must lie in 0..255, not 300\n6\n6\n");
    QTRY_COMPARE(controller.log().count(u" connected from"), 2);  // one connection each
  }

  // Every panel at the start, then one line per change, until SIGTERM.
  void watchPrintsChanges() {
    Controller controller;
    QProcess watch;
    watch.start(QStringLiteral(ORVCTL_PATH), controller.at() + QStringList{"watch"});
    QVERIFY(watch.waitForStarted(10000));
    QString seen;
    QTRY_VERIFY_WITH_TIMEOUT((seen += QString::fromUtf8(watch.readAllStandardOutput())).count(u'\n') >= 4, 10000);
    QCOMPARE(seen, u"0x02 4\n0x03 1\n0x04 2\n0x06 39\n");
    QCOMPARE(orvctl(controller.at() + QStringList{"set", "0x04", "7"}).status, 0);
    QTRY_VERIFY_WITH_TIMEOUT((seen += QString::fromUtf8(watch.readAllStandardOutput())).count(u'\n') >= 5, 10000);
    QCOMPARE(seen.section(u'\n', 4, 4), u"0x04 7");
    ::kill(static_cast<pid_t>(watch.processId()), SIGTERM);
    QVERIFY(watch.waitForFinished(10000));
    QCOMPARE(watch.exitStatus(), QProcess::NormalExit);
    QCOMPARE(watch.exitCode(), 0);
    QVERIFY(watch.readAllStandardOutput().isEmpty());
  }

  // follow refuses at the start, in one line naming the file and the reason, what it could not
  // send safely; --check reads everything and connects to nothing.
  void followChecksBeforeConnecting_data() {
    QTest::addColumn<QByteArray>("map");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("tunerFile");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("err");
    QTest::newRow("tuner that no scan placed") << QByteArray("3500-3800 tuner2=1\n") << "--rig" << true << 1
                                               << "line 1: tuner 2 has no panel address in Tuner.dat";
    QTest::newRow("no Tuner.dat") << QByteArray("3500-3800 tuner1=5\n") << "--rig" << false << 1
                                  << "Tuner.dat\". The file does not exist.";
    QTest::newRow("NUL in a map line") << QByteArray("3500-3800 0x02=\0x\n", 18) << "--rig" << true << 1
                                       << "line 1: '0x02=\\x00x': the value must be a number 0 to 255";
    QTest::newRow("bad option") << QByteArray("3500-3800 0x02=1\n") << "--rigg" << true << 1
                                << "orvctl follow: Unknown option 'rigg'.; orvctl follow --help lists the options";
    QTest::newRow("--check, a hidden range")
        << QByteArray("7000-7200 0x02=1\n7050-7100 0x02=2\n") << "--rig" << true << 0 << "warning: map ";
  }
  void followChecksBeforeConnecting() {
    QFETCH(QByteArray, map);
    QFETCH(QString, source);
    QFETCH(bool, tunerFile);
    QFETCH(int, status);
    QFETCH(QString, err);
    Controller controller;
    QTemporaryDir dir;
    if (tunerFile) writeTunerMemory(dir.path() + "/Configurations/Tuner.dat", 1, 6, 5, 42);
    writeFile(dir.path() + "/bands.map", map);
    const bool check = status == 0;
    const Result r = orvctl(QStringList{"--dir", dir.path()} + controller.at() +
                            QStringList{"follow", source, "127.0.0.1:1", "--map", dir.path() + "/bands.map"} +
                            (check ? QStringList{"--check"} : QStringList()));
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.contains(err) && r.err.count(u'\n') == 1, qPrintable(r.err));
    if (check) {
      QVERIFY2(r.err.contains(u"line 2 (7050-7100 kHz) is never applied"), qPrintable(r.err));
      QCOMPARE(r.out, "map " + dir.path() + "/bands.map: 2 rules, 1 warnings\n");
    }
    QTest::qWait(50);
    QVERIFY2(!controller.log().contains(u"connected"), qPrintable(controller.log()));
  }

  void helpAndNoScreenLibraries() {
    const Result help = orvctl({"--help"});
    QCOMPARE(help.status, 0);
    QVERIFY(help.out.contains("Exit status"));
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QStringLiteral(ORVCTL_PATH)});
    QVERIFY(ldd.waitForFinished(10000));
    const QString libraries = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    QVERIFY(libraries.contains("libQt6Core"));
    QVERIFY2(!libraries.contains("libQt6Widgets") && !libraries.contains("libQt6Gui"), qPrintable(libraries));
  }
};

QTEST_MAIN(TestOrvctl)
#include "test_orvctl.moc"
