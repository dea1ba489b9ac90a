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

#include "model/records.h"

namespace {

struct Result {
  int status = -1;
  QString out;
  QString err;
};

Result orvctl(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(ORVCTL_PATH), args);
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
                                       "0x06  Orv11   Orvane Feedline Extender/Tuner  27\n"));
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
    QTest::newRow("unknown option") << QStringList{"--verbose", "get", "0x02"} << "unknown option '--verbose'";
    QTest::newRow("option without value") << QStringList{"--timeout"} << "--timeout needs a value";
    QTest::newRow("address above 0x7F") << QStringList{"get", "0x80"} << "'0x80' is not a panel address";
    QTest::newRow("address without 0x") << QStringList{"get", "02"} << "'02' is not a panel address";
    QTest::newRow("one digit") << QStringList{"get", "0x2"} << "'0x2' is not a panel address";
    QTest::newRow("escape codes") << QStringList{"get", "\x1b[2J"} << "'\\x1b[2J' is not a panel address";
    QTest::newRow("value not an integer") << QStringList{"set", "0x02", "12x"} << "'12x' is not a valid integer value";
    QTest::newRow("missing value") << QStringList{"set", "0x02"} << "usage: orvctl set ADDR VALUE";
    QTest::newRow("step not an integer") << QStringList{"step", "0x06", "+z"} << "'+z' is not a valid integer value";
    QTest::newRow("scan option") << QStringList{"scan", "--xml"} << "usage: orvctl scan [--json]";
    QTest::newRow("port not an integer") << QStringList{"--port", "25x", "get", "0x02"}
                                         << "'25x' is not a valid integer value";
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
    QVERIFY2(r.err.startsWith("orvctl: ") && r.err.contains(err), qPrintable(r.err));
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
