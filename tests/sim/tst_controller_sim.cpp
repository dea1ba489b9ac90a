#include "controller_sim.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

namespace {

const QByteArray kSentinel = "#0x02 Get X\r\n";
const QByteArray kSentinelReply = "#0x02 Ret X:1=4\r\n";

// A client that keeps every chunk as it arrived.
class Peer : public QObject {
 public:
  Peer() {
    connect(&socket, &QTcpSocket::readyRead, this, [this] { chunks << socket.readAll(); });
  }
  QByteArray all() const { return chunks.join(); }
  void send(const QByteArray& bytes) { socket.write(bytes); }

  QTcpSocket socket;
  QList<QByteArray> chunks;
};

SimOptions quietOptions() {
  SimOptions o;
  o.port = 0;
  o.echo = false;
  return o;
}

}  // namespace

class TestControllerSim : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ControllerSim> start(SimOptions options) {
    auto sim = std::make_unique<ControllerSim>(std::move(options));
    if (!sim->listen()) qFatal("listen: %s", qPrintable(sim->errorString()));
    return sim;
  }
  void connectPeer(Peer& peer, const ControllerSim& sim) {
    peer.socket.connectToHost(QHostAddress::LocalHost, sim.port());
    QTRY_COMPARE(peer.socket.state(), QAbstractSocket::ConnectedState);
    QTRY_COMPARE(sim.clientCount() > 0, true);
  }
  // Everything received before the reply to a trailing status request of 0x02: replies come in
  // order, so this is exactly the answer to `command` (empty when there is none).
  QByteArray answerTo(Peer& peer, const QByteArray& command) {
    const qsizetype before = peer.all().size();
    peer.send(command + kSentinel);
    [&] { QTRY_VERIFY(peer.all().mid(before).endsWith(kSentinelReply)); }();
    const QByteArray got = peer.all().mid(before);
    return got.endsWith(kSentinelReply) ? got.chopped(kSentinelReply.size()) : "<no reply to 0x02> " + got;
  }

 private slots:
  void scriptedSession();
  void replies_data();
  void replies();
  void sharedBusSeveralClients();
  void replyDelay();
  void splitReplies();
  void silentAddress();
  void closeAfter_data();
  void closeAfter();
  void onConnect();
  void noAnswerStillActsAndSendRawArrives();
  void clientGoneBeforeDelayedReply();
  void lineLengthCap_data();
  void lineLengthCap();
  void garbageDoesNotStopTheServer();
  void portInUse();
};

void TestControllerSim::scriptedSession() {
  auto sim = start(quietOptions());
  Peer peer;
  connectPeer(peer, *sim);

  // Each reply must arrive as one chunk: the client takes one chunk as the answer.
  const QList<QPair<QByteArray, QByteArray>> script = {
      {"#0xFF Get Name\r\n", "#0xFF Ret 0x02:Name:Orv15 0x03:Name:Orv18 0x04:Name:Orv15 0x06:Name:Orv11\r\n"},
      {"#0x02 Get X\r\n", "#0x02 Ret X:1=4\r\n"},
      {"#0x03 Get X\r\n", "#0x03 Ret X:1=1\r\n"},
      {"#0x04 Get X\r\n", "#0x04 Ret X:1=2\r\n"},
      {"#0x06 Get X\r\n", "#0x06 Ret X:1=39\r\n"},
      {"#0x03 Set X:1=3\r\n", "#0x03 Ret X:1=3\r\n"},
      {"#0x03 Get X\r\n", "#0x03 Ret X:1=3\r\n"},
      {"#0x06 Set X:1=255\r\n", "#0x06 Ret X:1=255\r\n"},
  };
  for (const auto& [command, reply] : script) {
    peer.chunks.clear();
    peer.send(command);
    QTRY_COMPARE(peer.chunks.size(), 1);
    QCOMPARE(peer.chunks.first(), reply);
  }
  QCOMPARE(sim->status(3), 3);
  QCOMPARE(sim->status(6), 255);

  // Unknown address: nothing comes back, the next request is answered normally.
  QCOMPARE(answerTo(peer, "#0x05 Get X\r\n"), QByteArray());
}

void TestControllerSim::replies_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QByteArray>("reply");

  const QByteArray names = "#0xFF Ret 0x02:Name:Orv15 0x0A:Name:Orv11 0x7F:Name:Orv18\r\n";
  QTest::newRow("name request") << QByteArray("#0xFF Get Name\r\n") << names;
  QTest::newRow("name request lower-case hex") << QByteArray("#0xff Get Name\r\n") << names;
  QTest::newRow("name request lone LF") << QByteArray("#0xFF Get Name\n") << names;
  QTest::newRow("status lower-case hex") << QByteArray("#0x0a Get X\r\n") << QByteArray("#0x0A Ret X:1=200\r\n");
  QTest::newRow("status upper-case 0X") << QByteArray("#0X0A Get X\r\n") << QByteArray("#0x0A Ret X:1=200\r\n");
  QTest::newRow("status highest address") << QByteArray("#0x7F Get X\r\n") << QByteArray("#0x7F Ret X:1=8\r\n");
  QTest::newRow("surrounding blanks") << QByteArray(" \t#0x0A Get X \r\n") << QByteArray("#0x0A Ret X:1=200\r\n");
  QTest::newRow("set") << QByteArray("#0x0a Set X:1=17\r\n") << QByteArray("#0x0A Ret X:1=17\r\n");
  QTest::newRow("set negative") << QByteArray("#0x0A Set X:1=-5\r\n") << QByteArray("#0x0A Ret X:1=-5\r\n");
  QTest::newRow("set int max") << QByteArray("#0x0A Set X:1=2147483647\r\n")
                               << QByteArray("#0x0A Ret X:1=2147483647\r\n");

  const QByteArray none;
  QTest::newRow("status unknown address") << QByteArray("#0x05 Get X\r\n") << none;
  QTest::newRow("set unknown address") << QByteArray("#0x05 Set X:1=1\r\n") << none;
  QTest::newRow("status of broadcast") << QByteArray("#0xFF Get X\r\n") << none;
  QTest::newRow("name from one panel") << QByteArray("#0x0A Get Name\r\n") << none;
  QTest::newRow("set value overflow") << QByteArray("#0x0A Set X:1=2147483648\r\n") << none;
  QTest::newRow("set value not decimal") << QByteArray("#0x0A Set X:1=0x10\r\n") << none;
  QTest::newRow("set value empty") << QByteArray("#0x0A Set X:1=\r\n") << none;
  QTest::newRow("set value trailing text") << QByteArray("#0x0A Set X:1=5 x\r\n") << none;
  QTest::newRow("keywords are exact") << QByteArray("#0x0A get x\r\n") << none;
  QTest::newRow("one address digit") << QByteArray("#0xA Get X\r\n") << none;
  QTest::newRow("no blank after address") << QByteArray("#0x0AGet X\r\n") << none;
  QTest::newRow("NUL inside") << QByteArray("#0x0A Get X\0\r\n", 14) << none;
  QTest::newRow("empty line") << QByteArray("\r\n") << none;
  QTest::newRow("reply text") << QByteArray("#0x0A Ret X:1=3\r\n") << none;
  QTest::newRow("lone CR is no terminator") << QByteArray("#0x0A Get X\r#0x0A Get X\r\n") << none;
}

void TestControllerSim::replies() {
  QFETCH(QByteArray, command);
  QFETCH(QByteArray, reply);
  SimOptions o = quietOptions();
  o.panels = {{0x7F, "Orv18", 8}, {0x02, "Orv15", 4}, {0x0A, "Orv11", 200}};
  auto sim = start(o);
  Peer peer;
  connectPeer(peer, *sim);
  QCOMPARE(answerTo(peer, command), reply);
}

void TestControllerSim::sharedBusSeveralClients() {
  auto sim = start(quietOptions());
  Peer a, b, c;
  for (Peer* p : {&a, &b, &c}) connectPeer(*p, *sim);
  QTRY_COMPARE(sim->clientCount(), 3);

  // Interleaved requests: every client gets its own answer and no other.
  a.send("#0x02 Get X\r\n");
  b.send("#0x06 Get X\r\n");
  c.send("#0xFF Get Name\r\n");
  QTRY_COMPARE(a.all(), QByteArray("#0x02 Ret X:1=4\r\n"));
  QTRY_COMPARE(b.all(), QByteArray("#0x06 Ret X:1=39\r\n"));
  QTRY_VERIFY(c.all().startsWith("#0xFF Ret 0x02:Name:Orv15") && c.all().endsWith("\r\n"));

  a.send("#0x04 Set X:1=7\r\n");
  QTRY_COMPARE(sim->status(4), 7);
  QCOMPARE(answerTo(b, "#0x04 Get X\r\n"), QByteArray("#0x04 Ret X:1=7\r\n"));

  c.socket.abort();
  QTRY_COMPARE(sim->clientCount(), 2);
  QCOMPARE(answerTo(a, "#0x03 Get X\r\n"), QByteArray("#0x03 Ret X:1=1\r\n"));
}

void TestControllerSim::replyDelay() {
  SimOptions o = quietOptions();
  o.replyDelayMs = 300;
  auto sim = start(o);
  Peer peer;
  connectPeer(peer, *sim);

  QElapsedTimer clock;
  clock.start();
  peer.send("#0x02 Get X\r\n#0x06 Get X\r\n");
  QTRY_COMPARE_WITH_TIMEOUT(peer.all(), QByteArray("#0x02 Ret X:1=4\r\n#0x06 Ret X:1=39\r\n"), 10000);
  QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
}

void TestControllerSim::splitReplies() {
  SimOptions o = quietOptions();
  o.splitPauseMs = 200;
  auto sim = start(o);
  Peer peer;
  connectPeer(peer, *sim);

  const QByteArray reply = "#0x06 Ret X:1=39\r\n";
  QElapsedTimer clock;
  peer.send("#0x06 Get X\r\n");
  QTRY_COMPARE(peer.chunks.size(), 1);
  clock.start();
  QCOMPARE(peer.chunks.at(0), reply.left(reply.size() / 2));
  QTRY_COMPARE(peer.chunks.size(), 2);
  QCOMPARE(peer.chunks.at(1), reply.mid(reply.size() / 2));
  QVERIFY2(clock.elapsed() >= 100, qPrintable(QString::number(clock.elapsed())));

  // Queued replies are not interleaved.
  peer.chunks.clear();
  peer.send("#0x02 Get X\r\n#0x03 Get X\r\n");
  QTRY_COMPARE_WITH_TIMEOUT(peer.all(), QByteArray("#0x02 Ret X:1=4\r\n#0x03 Ret X:1=1\r\n"), 10000);
}

void TestControllerSim::silentAddress() {
  SimOptions o = quietOptions();
  o.silentAddresses = {0x03, 0x06};
  auto sim = start(o);
  Peer peer;
  connectPeer(peer, *sim);

  QCOMPARE(answerTo(peer, "#0x03 Get X\r\n"), QByteArray());
  QCOMPARE(answerTo(peer, "#0x06 Set X:1=9\r\n"), QByteArray());
  QCOMPARE(sim->status(6), 9);  // the panel still acts
  QCOMPARE(answerTo(peer, "#0x04 Get X\r\n"), QByteArray("#0x04 Ret X:1=2\r\n"));
  // Still on the bus: the name reply lists it.
  QVERIFY(answerTo(peer, "#0xFF Get Name\r\n").contains("0x03:Name:Orv18"));
}

void TestControllerSim::closeAfter_data() {
  QTest::addColumn<int>("n");
  QTest::addColumn<int>("delayMs");
  QTest::addColumn<QByteArray>("commands");
  QTest::addColumn<QByteArray>("expected");
  const QByteArray three = "#0x02 Get X\r\n#0x03 Get X\r\n#0x04 Get X\r\n";
  const QByteArray two = "#0x02 Ret X:1=4\r\n#0x03 Ret X:1=1\r\n";
  QTest::newRow("at once") << 0 << 0 << three << QByteArray();
  QTest::newRow("after two") << 2 << 0 << three << two;
  QTest::newRow("after two, delayed") << 2 << 100 << three << two;
  QTest::newRow("unanswered lines count")
      << 2 << 0 << QByteArray("#0x02 Get X\r\n#0x05 Get X\r\n#0x03 Get X\r\n") << QByteArray("#0x02 Ret X:1=4\r\n");
}

void TestControllerSim::closeAfter() {
  QFETCH(int, n);
  QFETCH(int, delayMs);
  QFETCH(QByteArray, commands);
  QFETCH(QByteArray, expected);
  SimOptions o = quietOptions();
  o.closeAfter = n;
  o.replyDelayMs = delayMs;
  auto sim = start(o);
  Peer peer;
  QSignalSpy closed(&peer.socket, &QTcpSocket::disconnected);
  peer.socket.connectToHost(QHostAddress::LocalHost, sim->port());
  QTRY_COMPARE(peer.socket.state() == QAbstractSocket::ConnectedState || closed.size() == 1, true);

  peer.send(commands);
  QTRY_COMPARE(closed.size(), 1);
  QCOMPARE(peer.all() + peer.socket.readAll(), expected);
  QTRY_COMPARE(sim->clientCount(), 0);

  // Every new connection gets its own count.
  if (n > 0) {
    Peer again;
    connectPeer(again, *sim);
    QCOMPARE(answerTo(again, QByteArray()), QByteArray());
  }
}

void TestControllerSim::onConnect() {
  SimOptions o = quietOptions();
  QString error;
  o.onConnect = unescapeBytes(QStringLiteral("#0x02 Ret X:1=9\\r\\n\\x00\\xFFhi\\\\"), &error).value();
  auto sim = start(o);
  Peer first, second;
  connectPeer(first, *sim);
  connectPeer(second, *sim);
  const QByteArray expected = QByteArray("#0x02 Ret X:1=9\r\n") + '\0' + "\xFF" + "hi\\";
  QTRY_COMPARE(first.all(), expected);
  QTRY_COMPARE(second.all(), expected);
  QCOMPARE(sim->status(2), 4);  // what the controller says is not a command to itself
}

void TestControllerSim::noAnswerStillActsAndSendRawArrives() {
  SimOptions o = quietOptions();
  o.noAnswer = true;
  auto sim = start(o);
  Peer a, b;
  connectPeer(a, *sim);
  connectPeer(b, *sim);
  QTRY_COMPARE(sim->clientCount(), 2);

  QSignalSpy received(sim.get(), &ControllerSim::lineReceived);
  a.send("#0xFF Get Name\r\n#0x02 Get X\r\n#0x02 Set X:1=6\r\n");
  QTRY_COMPARE(received.size(), 3);
  QCOMPARE(received.at(2).at(0).toByteArray(), QByteArray("#0x02 Set X:1=6"));
  QCOMPARE(sim->status(2), 6);

  // Raw text reaches every client; nothing was sent before it.
  sim->sendRaw("#0x02 Ret X:1=6\r\n");
  QTRY_COMPARE(a.all(), QByteArray("#0x02 Ret X:1=6\r\n"));
  QTRY_COMPARE(b.all(), QByteArray("#0x02 Ret X:1=6\r\n"));
}

void TestControllerSim::clientGoneBeforeDelayedReply() {
  SimOptions o = quietOptions();
  o.replyDelayMs = 100;
  o.splitPauseMs = 100;
  auto sim = start(o);
  {
    Peer gone;
    connectPeer(gone, *sim);
    QSignalSpy received(sim.get(), &ControllerSim::lineReceived);
    gone.send("#0x02 Get X\r\n#0x03 Get X\r\n");
    QTRY_COMPARE(received.size(), 2);
    gone.socket.abort();
  }
  QTRY_COMPARE(sim->clientCount(), 0);
  Peer peer;
  connectPeer(peer, *sim);
  peer.send("#0x04 Get X\r\n");
  QTRY_COMPARE_WITH_TIMEOUT(peer.all(), QByteArray("#0x04 Ret X:1=2\r\n"), 10000);
}

void TestControllerSim::lineLengthCap_data() {
  QTest::addColumn<int>("length");
  QTest::addColumn<QByteArray>("terminator");
  QTest::addColumn<bool>("answered");
  QTest::newRow("at the cap, CR LF") << 64 << QByteArray("\r\n") << true;
  QTest::newRow("at the cap, LF") << 64 << QByteArray("\n") << true;
  QTest::newRow("one over, CR LF") << 65 << QByteArray("\r\n") << false;
  QTest::newRow("one over, LF") << 65 << QByteArray("\n") << false;
  QTest::newRow("far over") << 100000 << QByteArray("\r\n") << false;
}

void TestControllerSim::lineLengthCap() {
  QFETCH(int, length);
  QFETCH(QByteArray, terminator);
  QFETCH(bool, answered);
  SimOptions o = quietOptions();
  o.maxLineLength = 64;
  auto sim = start(o);
  Peer peer;
  connectPeer(peer, *sim);

  // Blanks are trimmed, so a padded request is a valid command of the given length.
  const QByteArray command = "#0x06 Get X";
  const QByteArray line = QByteArray(length - command.size(), ' ') + command + terminator;
  // Small pieces, so the server may see the line over several reads.
  for (qsizetype i = 0; i < line.size(); i += 7) {
    peer.send(line.mid(i, 7));
    peer.socket.flush();
  }
  QCOMPARE(answerTo(peer, QByteArray()), answered ? QByteArray("#0x06 Ret X:1=39\r\n") : QByteArray());
}

void TestControllerSim::garbageDoesNotStopTheServer() {
  auto sim = start(quietOptions());
  Peer peer;
  connectPeer(peer, *sim);

  QByteArray garbage(1 << 20, Qt::Uninitialized);
  QRandomGenerator random(2501);
  for (char& c : garbage) c = static_cast<char>(random.bounded(256));
  garbage += QByteArray(300000, '\0');  // a long NUL run without any LF
  garbage += "\n";
  peer.send(garbage);

  // Random bytes hold no valid command: nothing comes back for them.
  QCOMPARE(answerTo(peer, QByteArray()), QByteArray());
  QCOMPARE(answerTo(peer, "#0x06 Get X\r\n"), QByteArray("#0x06 Ret X:1=39\r\n"));
}

void TestControllerSim::portInUse() {
  auto first = start(quietOptions());
  SimOptions o = quietOptions();
  o.port = first->port();
  ControllerSim second(o);
  QVERIFY(!second.listen());
  QVERIFY(!second.errorString().isEmpty());
}

QTEST_GUILESS_MAIN(TestControllerSim)
#include "tst_controller_sim.moc"
