// The controller link without a screen: the error numbers of failed attempts, how long a reply
// that has not yet got its line end is held, and the reply wait's pause.
#include <QElapsedTimer>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/link/command_log.h"
#include "core/link/controller_link.h"
#include "core/link/reply_wait.h"
#include "core/model/system_table.h"

namespace {

// What the system itself says when a blocking connection attempt to the same place fails.
int systemErrorOfConnecting(const QString& address, quint16 port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  ::inet_pton(AF_INET, address.toLatin1().constData(), &to.sin_addr);
  const int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  const int error = rc == 0 ? 0 : errno;
  ::close(fd);
  return error;
}

quint16 portNobodyListensOn() {
  QTcpServer server;
  server.listen(QHostAddress::LocalHost);
  return server.serverPort();  // closed again when it goes out of scope
}

// A link connected to a controller that the test plays itself, with its log and reply wait.
struct PeerAndLink {
  QTcpServer server;
  CommandLog log;
  ControllerLink link;
  ReplyWait wait{link};
  QTcpSocket* peer = nullptr;

  PeerAndLink() { link.setLog(&log); }

  bool connect() {
    if (!server.listen(QHostAddress::LocalHost)) return false;
    link.open(QStringLiteral("127.0.0.1"), server.serverPort());
    if (!server.waitForNewConnection(5000)) return false;
    peer = server.nextPendingConnection();
    QDeadlineTimer deadline(5000);
    while (!link.isConnected() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return link.isConnected();
  }
};

}  // namespace

class TestControllerLink : public QObject {
  Q_OBJECT
 private slots:
  void init() { resetProgramState(); }

  void failedAttemptGivesTheSystemsErrorNumber_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("expected");  // 0: what the system says for the same attempt
    QTest::newRow("refused") << "127.0.0.1" << int(portNobodyListensOn()) << 0;
    QTest::newRow("network unreachable") << "255.255.255.255" << 2501 << 0;
    QTest::newRow("not a numeric address") << "controller.local" << 2501 << EINVAL;
    QTest::newRow("port out of range") << "127.0.0.1" << 70000 << EINVAL;
  }
  void failedAttemptGivesTheSystemsErrorNumber() {
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(int, expected);
    if (expected == 0) expected = systemErrorOfConnecting(address, static_cast<quint16>(port));
    QVERIFY(expected != 0);
    ControllerLink link;
    QSignalSpy errors(&link, &ControllerLink::socketError);
    link.open(address, port);
    QVERIFY(errors.isEmpty());  // reported later, from the event loop
    QVERIFY(errors.wait(5000));
    const QString message = errors.at(0).at(0).toString();
    QVERIFY2(message.startsWith(QStringLiteral("Asynchronous socket error %1 (").arg(expected)), qPrintable(message));
    QVERIFY(!link.isOpenOrOpening());
  }

  // The controller's end of an open connection: closed in order, it is a close; reset, it is the
  // error it is, told with the system's own number, after the close handling and after what arrived
  // before it was handed on.
  void controllerEndingTheConnection_data() {
    QTest::addColumn<bool>("reset");
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("closed") << false << QByteArray();
    QTest::newRow("closed after a reply") << false << QByteArray("#0x06 Ret X:1=5\r\n");
    QTest::newRow("reset") << true << QByteArray();
    QTest::newRow("reset after a reply") << true << QByteArray("#0x06 Ret X:1=5\r\n");
  }
  void controllerEndingTheConnection() {
    QFETCH(bool, reset);
    QFETCH(QByteArray, before);
    PeerAndLink c;
    QVERIFY(c.connect());
    QStringList events;
    connect(&c.link, &ControllerLink::closed, [&] { events << c.link.logEntries().join(u'|'); });
    connect(&c.link, &ControllerLink::socketError, [&](const QString& message) { events << message; });
    c.peer->write(before);
    c.peer->flush();
    if (reset) {
      const linger abortive{1, 0};
      ::setsockopt(static_cast<int>(c.peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    }
    c.peer->close();
    QTRY_VERIFY(!c.link.isConnected());
    QTRY_COMPARE(events.size(), reset ? 2 : 1);
    const QString log = (before.isEmpty() ? QString() : "Rx from server: " + QString::fromLatin1(before) + u'|') +
                        QStringLiteral("Client is disconnecting the server");
    QCOMPARE(events.first(), log);
    if (reset)
      QCOMPARE(events.last(), socketErrorMessage(ECONNRESET, QString::fromLocal8Bit(std::strerror(ECONNRESET))));
  }

  // What each chunk is told as, in order, and what the reply wait keeps of it: a chunk that cannot
  // be read is in hand but does not end the wait.
  void chunkIsToldOnceAsRead_data() {
    QTest::addColumn<QByteArray>("chunk");
    QTest::addColumn<QStringList>("told");
    QTest::addColumn<bool>("arrived");
    QTest::newRow("two replies") << QByteArray("#0x02 Ret X:1=4\r\n#0x03 Ret X:1=5\r\n")
                                 << QStringList{"read 2", "status 2,3", "received"} << true;
    QTest::newRow("no reply") << QByteArray("hello\r\n") << QStringList{"read 0", "received"} << true;
    QTest::newRow("name reply") << QByteArray("#0xFF Ret 0x02:Name:Orv15\r\n") << QStringList{"read 0", "received"}
                                << true;
    QTest::newRow("bad value") << QByteArray("#0x06 Ret X:1=zz\r\n")
                               << QStringList{"read 0", "failed 'zz' is not a valid integer value"} << false;
    QTest::newRow("bad address") << QByteArray("#0x02 Ret X:1=\r4\n#0x03 Ret X:1=5\r\n")
                                 << QStringList{"read 2", "failed '$0x03' is not a valid integer value"} << false;
  }
  void chunkIsToldOnceAsRead() {
    QFETCH(QByteArray, chunk);
    QFETCH(QStringList, told);
    QFETCH(bool, arrived);
    PeerAndLink c;
    QVERIFY(c.connect());
    QStringList events;
    connect(&c.link, &ControllerLink::chunkRead, [&](const QString& text, const StatusReplies& status) {
      QCOMPARE(text.toLatin1(), chunk);
      events << "read " + QString::number(status.replies.size());
    });
    connect(&c.link, &ControllerLink::statusRead, [&](const StatusReplies&, const QList<int>& addresses) {
      QStringList numbers;
      for (int a : addresses) numbers << QString::number(a);
      events << "status " + numbers.join(u',');
    });
    connect(&c.link, &ControllerLink::chunkReceived, [&] { events << "received"; });
    connect(&c.link, &ControllerLink::chunkFailed, [&](const QString& message) { events << "failed " + message; });
    c.wait.expectReply();
    c.peer->write(chunk);
    c.peer->flush();
    QTRY_COMPARE(events, told);
    QCOMPARE(RxStr.toLatin1(), chunk);
    QCOMPARE(StrengMottatt, arrived);
  }

  // Everything that has arrived is one chunk, however large: a burst of replies is handed on whole.
  void burstIsReadAsOneChunk() {
    PeerAndLink c;
    QVERIFY(c.connect());
    QByteArray burst;
    for (int k = 0; burst.size() < 40 * 1024; ++k)
      burst += "#0x" + QByteArray::number(k % 100 + 1, 16).rightJustified(2, '0').toUpper() +
               " Ret X:1=" + QByteArray::number(k % 8 + 1) + "\r\n";
    QSignalSpy chunks(&c.link, &ControllerLink::chunkReceived);
    c.peer->write(burst);
    c.peer->flush();
    QVERIFY(chunks.wait(5000));
    QCOMPARE(chunks.size(), 1);
    QCOMPARE(chunks.at(0).at(0).toString().toLatin1(), burst);
  }

  // A controller that sends a reply a byte at a time never gets its piece held for longer than
  // the hold, counted from the piece's first byte.
  void tricklingReplyIsHandedOnAfterTheHold() {
    PeerAndLink c;
    QVERIFY(c.connect());
    ControllerLink& link = c.link;
    QTcpSocket* peer = c.peer;

    const QByteArray reply = "#0x06 Ret X:1=" + QByteArray(60, '1').prepend('0');
    qsizetype sent = 0;
    QTimer trickle;
    connect(&trickle, &QTimer::timeout, [&] {
      if (sent < reply.size()) peer->write(reply.mid(sent++, 1));
    });
    trickle.start(ControllerLink::kPartialLineMs / 4);
    // The whole text takes far longer than the hold to arrive; a piece goes on before that.
    QTRY_VERIFY_WITH_TIMEOUT(link.logEntries().size() >= 1, 5000);
    QVERIFY2(sent < reply.size(), qPrintable(link.logEntries().first()));
    QVERIFY(reply.startsWith(link.logEntries().first().mid(16).toLatin1()));
    trickle.stop();
  }

  // The poll's pause: the repaints asked for are done in it, a reply that arrives meanwhile waits
  // for the wait after it, and the pause lasts at least as long as asked.
  void pauseDoesRepaintsOnlyAndHoldsTheReply() {
    PeerAndLink c;
    QVERIFY(c.connect());
    ControllerLink& link = c.link;
    QTcpSocket* peer = c.peer;

    struct Seen : QObject {
      QList<QEvent::Type> types;
      bool event(QEvent* e) override {
        types.append(e->type());
        return true;
      }
    } seen;
    QCoreApplication::postEvent(&seen, new QEvent(QEvent::UpdateRequest));
    QCoreApplication::postEvent(&seen, new QEvent(QEvent::User));
    peer->write("#0x06 Ret X:1=5\r\n");
    peer->flush();
    StrengMottatt = false;
    QElapsedTimer clock;
    clock.start();
    c.wait.pause(50);
    QVERIFY(clock.elapsed() >= 50);
    QCOMPARE(seen.types, QList<QEvent::Type>{QEvent::UpdateRequest});
    QVERIFY(link.logEntries().isEmpty());
    QVERIFY(!StrengMottatt);

    c.wait.waitForReply();
    QCOMPARE(link.logEntries(), QStringList{QStringLiteral("Rx from server: #0x06 Ret X:1=5\r\n")});
    QCoreApplication::processEvents();
    QCOMPARE(seen.types, (QList<QEvent::Type>{QEvent::UpdateRequest, QEvent::User}));
  }

  // The pacing is counted from the command's sending: work done after the send (its log entry, a
  // slow screen) falls within the pause instead of adding to it, and the pause is never short.
  void pauseCountsFromTheSend() {
    PeerAndLink c;
    QVERIFY(c.connect());
    ControllerLink& link = c.link;
    QElapsedTimer sinceSend;
    sinceSend.start();
    link.SendCommand(QStringLiteral("#0x06 Get X\r\n"));
    QTest::qSleep(150);  // the program is busy after sending
    QElapsedTimer sinceCall;
    sinceCall.start();
    c.wait.pause(200);
    QVERIFY(sinceSend.elapsed() >= 200);
    QVERIFY2(sinceCall.elapsed() < 150, qPrintable(QString::number(sinceCall.elapsed())));
    QTRY_VERIFY(c.peer->bytesAvailable() >= 13);
    QCOMPARE(c.peer->readAll(), QByteArray("#0x06 Get X\r\n"));
  }
};

QTEST_MAIN(TestControllerLink)
#include "test_controller_link.moc"
