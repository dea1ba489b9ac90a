// orvd as a station runs it: a process between the simulator's process and its clients (orvctl,
// plain line clients), judged by what each client gets back, what reached the controller's wire
// and the hub's event log.
#include <QProcess>
#include <QTcpServer>
#include <QtTest>

#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include "orvd/hub_processes.h"

namespace {

struct Run {
  int status = -1;
  QString out;
  QString err;
};

Run run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000)) p.kill();
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

Run orvctl(const HubProcess& hub, const QStringList& command) {
  return run(QStringLiteral(ORVCTL_PATH), QStringList{"--host", "127.0.0.1", "--port", hub.portText()} + command);
}

// The hub has scanned the bus `times` times since it started.
#define WAIT_FOR_SCANS(hub, times) QTRY_COMPARE_WITH_TIMEOUT((hub).count(QStringLiteral("scan done")), (times), 20000)

// A client that connects and then never reads: its receive window kept small so what the hub
// sends it piles up on the hub's side.
class DeafClient {
 public:
  explicit DeafClient(quint16 port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    int small = 4096;
    ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
  }
  ~DeafClient() { ::close(fd_); }
  bool connected() const { return connected_; }
  // As much of `bytes` as the connection takes now.
  void send(const QByteArray& bytes) { (void)::send(fd_, bytes.constData(), size_t(bytes.size()), MSG_DONTWAIT); }

 private:
  int fd_ = -1;
  bool connected_ = false;
};

}  // namespace

class TestOrvd : public QObject {
  Q_OBJECT
 private slots:
  void orvctlThroughTheHub() {
    ControllerProcess controller;
    HubProcess hub(controller.port());
    QVERIFY(hub.port());
    WAIT_FOR_SCANS(hub, 1);
    QCOMPARE(controller.received().first(), QStringLiteral("#0xFF Get Name"));

    const Run table = orvctl(hub, {"scan"});
    QCOMPARE(table.status, 0);
    QCOMPARE(table.out, QStringLiteral("0x02  Orv15   Orvane Radio Router             4\n"
                                       "0x03  Orv18   Orvane 8 Port Auxiliary Switch  1\n"
                                       "0x04  Orv15   Orvane Radio Router             2\n"
                                       "0x06  Orv11   Orvane Feedline Extender/Tuner  39\n"));
    const Run get = orvctl(hub, {"get", "0x06"});
    QCOMPARE(get.status, 0);
    QCOMPARE(get.out, QStringLiteral("39\n"));
    const Run set = orvctl(hub, {"set", "0x03", "6"});
    QCOMPARE(set.status, 0);
    QCOMPARE(set.out, QStringLiteral("6\n"));
    QTRY_COMPARE(controller.received().count(QStringLiteral("#0x03 Set X:1=6")), 1);
    QCOMPARE(orvctl(hub, {"get", "0x03"}).out, QStringLiteral("6\n"));
    QCOMPARE(controller.received().count(QStringLiteral("#0x03 Set X:1=6")), 1);
    QTRY_VERIFY(
        hub.log().contains(QRegularExpression(QStringLiteral("client \\d+ \\(127\\.0\\.0\\.1:\\d+\\) set 0x03 to 6"))));
    QVERIFY(hub.log().contains(QStringLiteral("connected")));
  }

  void eachClientGetsItsOwnRepliesOnly() {
    ControllerProcess controller;
    HubProcess hub(controller.port());
    WAIT_FOR_SCANS(hub, 1);
    LineClientSocket first(hub.port());
    LineClientSocket second(hub.port());
    constexpr int kTimes = 12;
    for (int n = 0; n < kTimes; ++n) {
      first.send("#0x03 Get X\r\n");
      second.send(n == kTimes / 2 ? "#0x02 Set X:1=7\r\n" : "#0x02 Get X\r\n");
    }
    first.send("#0xFF Get Name\r\n");
    QTRY_COMPARE(first.lines().size(), kTimes + 1);
    QTRY_COMPARE(second.lines().size(), kTimes);
    QStringList expectFirst(kTimes, QStringLiteral("#0x03 Ret X:1=1"));
    expectFirst.append(QStringLiteral("#0xFF Ret 0x02:Name:Orv15 0x03:Name:Orv18 0x04:Name:Orv15 0x06:Name:Orv11"));
    QCOMPARE(first.lines(), expectFirst);
    const QStringList answers = second.lines();
    QCOMPARE(answers.mid(0, kTimes / 2), QStringList(kTimes / 2, QStringLiteral("#0x02 Ret X:1=4")));
    QCOMPARE(answers.mid(kTimes / 2), QStringList(kTimes / 2, QStringLiteral("#0x02 Ret X:1=7")));
  }

  // Whatever is not one of the controller's commands, exactly as the program writes them, never
  // reaches the controller; the client that sent it goes on being served.
  // A client that asks much at once takes a few places in the queue, not all of them: another's
  // request goes out long before the first client's are done.
  void aBusyClientLeavesRoomForTheOthers() {
    ControllerProcess controller({"--reply-delay", "50"});
    HubProcess hub(controller.port());
    WAIT_FOR_SCANS(hub, 1);
    LineClientSocket busy(hub.port());
    LineClientSocket other(hub.port());
    constexpr int kMany = 50;
    QByteArray requests;
    for (int n = 0; n < kMany; ++n) requests += "#0x03 Get X\r\n";
    busy.send(requests);
    QTRY_VERIFY(!busy.lines().isEmpty());
    other.send("#0x02 Get X\r\n");
    QTRY_COMPARE(other.lines(), QStringList{QStringLiteral("#0x02 Ret X:1=4")});
    QVERIFY2(busy.lines().size() < kMany / 2, qPrintable(QString::number(busy.lines().size())));
    QTRY_COMPARE_WITH_TIMEOUT(busy.lines().size(), kMany, 20000);
  }

  void aPortTakenIsSaidAndEndsTheStart() {
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost));
    const Run r = run(QStringLiteral(ORVD_PATH), {"--listen", "127.0.0.1:" + QString::number(taken.serverPort())});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(QStringLiteral("cannot listen on 127.0.0.1:%1").arg(taken.serverPort())),
             qPrintable(r.err));
  }

  void linesThatAreNoCommandArePassedOver() {
    ControllerProcess controller;
    HubProcess hub(controller.port());
    WAIT_FOR_SCANS(hub, 1);
    LineClientSocket client(hub.port());
    const QByteArray kLong(5000, 'x');
    const struct {
      QByteArray line;
      QString logged;
    } cases[] = {
        {kLong, QStringLiteral("sent a line longer than 256 characters")},
        {"#0x03 Get X" + kLong, QStringLiteral("sent a line longer than 256 characters")},
        {"#0x0a Get X", QStringLiteral("sent no command, passed over: #0x0a Get X")},
        {"#0x80 Get X", QStringLiteral("sent no command, passed over: #0x80 Get X")},
        {"#0x03 Set X:1=256", QStringLiteral("sent no command, passed over: #0x03 Set X:1=256")},
        {"#0x03 Set X:1=05", QStringLiteral("sent no command, passed over: #0x03 Set X:1=05")},
        {"#0x03 Set X:1=-1", QStringLiteral("sent no command, passed over: #0x03 Set X:1=-1")},
        {"#0x03 Set X:1= 5", QStringLiteral("sent no command, passed over: #0x03 Set X:1= 5")},
        {"#0x03 get x", QStringLiteral("sent no command, passed over: #0x03 get x")},
        {"#0x03 Ret X:1=5", QStringLiteral("sent no command, passed over: #0x03 Ret X:1=5")},
        {"#0x03 Get X\x1b[2J", QStringLiteral("sent no command, passed over: #0x03 Get X\\x1b[2J")},
    };
    QStringList expected;
    for (const auto& c : cases) {
      client.send(c.line + "\r\n#0x04 Get X\r\n");
      expected.append(QStringLiteral("#0x04 Ret X:1=2"));
      QTRY_COMPARE(client.lines(), expected);
      QVERIFY2(hub.log().contains(c.logged), qPrintable(c.logged));
    }
    // The scan's lines and one status request per case: nothing else reached the wire.
    for (const QString& line : controller.received())
      QVERIFY2(line == u"#0xFF Get Name" || (line.endsWith(u" Get X") && line.size() == 11), qPrintable(line));
    QCOMPARE(controller.received().count(QStringLiteral("#0x04 Get X")), qsizetype(std::size(cases)) + 1);
  }

  void aClientThatStopsReadingIsDroppedAndTheOthersGoOn() {
    ControllerProcess controller({"--many", "20"});
    HubProcess hub(controller.port());
    LineClientSocket reader(hub.port());
    DeafClient deaf(hub.port());
    QVERIFY(deaf.connected());
    QByteArray requests;
    for (int n = 0; n < 4000; ++n) requests += "#0xFF Get Name\r\n";
    QTRY_VERIFY(hub.count(QStringLiteral(" connected")) == 2);
    deaf.send(requests);
    QTRY_VERIFY_WITH_TIMEOUT(hub.log().contains(QStringLiteral("left: dropped, it does not read its replies")), 60000);
    reader.send("#0x05 Get X\r\n");
    QTRY_COMPARE(reader.lines().size(), 1);
    QVERIFY(reader.lines().first().startsWith(QStringLiteral("#0x05 Ret X:1=")));
  }

  void aFewConnectionsPerPeerAddress() {
    ControllerProcess controller;
    HubProcess hub(controller.port());
    std::vector<std::unique_ptr<LineClientSocket>> clients;
    for (int n = 0; n < 8; ++n) clients.push_back(std::make_unique<LineClientSocket>(hub.port()));
    QTRY_COMPARE(hub.count(QStringLiteral(" connected")), 8);
    LineClientSocket oneTooMany(hub.port());
    QTRY_COMPARE(oneTooMany.socket().state(), QAbstractSocket::UnconnectedState);
    QVERIFY(
        hub.log().contains(QStringLiteral("refused a connection from 127.0.0.1: 8 connections from there already")));
    // One leaving makes room.
    clients.pop_back();
    QTRY_COMPARE(hub.count(QStringLiteral("left: it closed the connection")), 1);
    LineClientSocket again(hub.port());
    again.send("#0x03 Get X\r\n");
    QTRY_COMPARE(again.lines(), QStringList{QStringLiteral("#0x03 Ret X:1=1")});
  }

  void theControllerLostAndBack() {
    auto controller = std::make_unique<ControllerProcess>();
    const QString port = controller->port();
    HubProcess hub(port);
    WAIT_FOR_SCANS(hub, 1);
    LineClientSocket client(hub.port());
    client.send("#0x03 Get X\r\n");
    QTRY_COMPARE(client.lines(), QStringList{QStringLiteral("#0x03 Ret X:1=1")});

    controller->kill();
    QTRY_COMPARE(hub.count(QStringLiteral("controller link down")), 1);
    // As from a silent controller: no answer, and the client stays connected.
    client.send("#0x03 Get X\r\n");
    QTRY_COMPARE(hub.count(QStringLiteral("not answered, the controller is down")), 1);
    controller = std::make_unique<ControllerProcess>(
        QStringList{"--panels", "0x02=Orv15:4,0x03=Orv18:5,0x04=Orv15:2,0x06=Orv11:39"}, port);
    QCOMPARE(controller->port(), port);
    QTRY_COMPARE_WITH_TIMEOUT(hub.count(QStringLiteral("controller link up")), 2, 20000);
    WAIT_FOR_SCANS(hub, 2);
    QCOMPARE(hub.count(QStringLiteral("scan done: panels 0x02 0x03 0x04 0x06; silent none")), 2);
    client.send("#0x03 Get X\r\n");
    QTRY_COMPARE(client.lines(), (QStringList{QStringLiteral("#0x03 Ret X:1=1"), QStringLiteral("#0x03 Ret X:1=5")}));
    QCOMPARE(client.socket().state(), QAbstractSocket::ConnectedState);
  }

  void commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");  // a part of it
    QTest::addColumn<QString>("err");
    QTest::newRow("help") << QStringList{"--help"} << 0 << "--listen ADDR:PORT"
                          << "";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "orvd "
                             << "";
    QTest::newRow("an option of later") << QStringList{"--http", "127.0.0.1:8502"} << 1 << ""
                                        << "orvd: unknown option '--http'; orvd --help lists them";
    QTest::newRow("a word") << QStringList{"scan"} << 1 << ""
                            << "orvd: unknown option 'scan'";
    QTest::newRow("listen without port") << QStringList{"--listen", "127.0.0.1"} << 1 << ""
                                         << "orvd: --listen: '127.0.0.1' is not ADDRESS:PORT";
    QTest::newRow("listen on a name") << QStringList{"--listen", "localhost:2502"} << 1 << ""
                                      << "orvd: --listen: 'localhost' is not a numeric IPv4 address";
    QTest::newRow("port out of range") << QStringList{"--port", "70000"} << 1 << ""
                                       << "orvd: --port must be a port number 1..65535, not '70000'";
    QTest::newRow("host by name") << QStringList{"--host", "station.local"} << 1 << ""
                                  << "orvd: --host: 'station.local' is not a numeric IPv4 address";
    QTest::newRow("no folder") << QStringList{"--dir", "/nonexistent/folder"} << 1 << ""
                               << "orvd: --dir: \"/nonexistent/folder\" is not a folder";
    QTest::newRow("value missing") << QStringList{"--station"} << 1 << ""
                                   << "orvd: --station needs a value";
  }
  void commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run r = run(QStringLiteral(ORVD_PATH), args);
    QCOMPARE(r.status, status);
    QVERIFY2(r.out.contains(out), qPrintable(r.out));
    QVERIFY2(r.err.contains(err), qPrintable(r.err));
    if (status != 0) QCOMPARE(r.err.count(u'\n'), 1);
  }

  void theControllerFromTheProgramsSettingsAndStopOnSigterm() {
    ControllerProcess controller;
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("OrvControlClient.INI")));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[TCPIP]\r\nAddress=127.0.0.1\r\nPort=" + controller.port().toLatin1() + "\r\n");
    ini.close();
    QProcess hub;
    hub.start(QStringLiteral(ORVD_PATH), {"--dir", dir.path(), "--listen", "127.0.0.1:0", "--station", "LA1X"});
    QString log;
    QTRY_VERIFY_WITH_TIMEOUT((log += QString::fromLocal8Bit(hub.readAllStandardError())).contains("scan done"), 20000);
    QVERIFY2(log.contains(QStringLiteral("for station LA1X, controller 127.0.0.1:") + controller.port()),
             qPrintable(log));
    hub.terminate();
    QVERIFY(hub.waitForFinished(10000));
    QCOMPARE(hub.exitStatus(), QProcess::NormalExit);
    QCOMPARE(hub.exitCode(), 0);
    QVERIFY(QString::fromLocal8Bit(hub.readAllStandardError()).contains(QStringLiteral("stopped")));
  }
};

QTEST_GUILESS_MAIN(TestOrvd)
#include "test_orvd.moc"
