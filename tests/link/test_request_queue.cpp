// The request queue on a real controller link: against the simulator for what a controller does,
// against a controller the test plays itself for what one may do wrong.
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

#include "controller_sim.h"
#include "core/link/controller_link.h"
#include "core/link/request_queue.h"
#include "core/model/system_table.h"

namespace {

using Kind = RequestFailure::Kind;
using Pieces = QList<QByteArray>;

// One who asks: every result it is handed, in order.
class Asker : public QObject {
 public:
  std::function<void(const RequestResult&)> take() {
    return [this](const RequestResult& result) { results.append(result); };
  }
  QList<RequestResult> results;
};

// A controller whose every line the test writes; it keeps what it received.
class ScriptedController : public QObject {
 public:
  ScriptedController() {
    server.listen(QHostAddress::LocalHost);
    connect(&server, &QTcpServer::newConnection, this, [this] {
      peer = server.nextPendingConnection();
      connect(peer, &QTcpSocket::readyRead, this, [this] {
        while (peer->canReadLine()) received.append(peer->readLine().trimmed());
      });
    });
  }
  void write(const QByteArray& bytes) {
    peer->write(bytes);
    peer->flush();
  }
  QTcpServer server;
  QPointer<QTcpSocket> peer;
  QList<QByteArray> received;
};

RequestQueue::Options shortTimeout(qsizetype capacity = 8) {
  RequestQueue::Options options;
  options.timeoutMs = 300;
  options.capacity = capacity;
  return options;
}

}  // namespace

class TestRequestQueue : public QObject {
  Q_OBJECT

  std::unique_ptr<ControllerLink> link_;
  std::unique_ptr<RequestQueue> queue_;
  std::unique_ptr<ScriptedController> controller_;

  // The queue on a link connected to the scripted controller.
  void openScripted(RequestQueue::Options options = shortTimeout()) {
    controller_ = std::make_unique<ScriptedController>();
    link_ = std::make_unique<ControllerLink>();
    queue_ = std::make_unique<RequestQueue>(*link_, options);
    link_->open(QStringLiteral("127.0.0.1"), controller_->server.serverPort());
    QTRY_VERIFY(link_->isConnected() && controller_->peer);
  }
  // Written, and handed on by the link (whole, or as a piece held too long for its line end).
  void writeAndWaitTillTaken(const QByteArray& bytes) {
    QSignalSpy taken(link_.get(), &ControllerLink::chunkRead);
    controller_->write(bytes);
    QTRY_VERIFY(!taken.isEmpty());
  }
  // Written once the controller has the command.
  void answerAfter(const QByteArray& command, const QByteArray& reply) {
    QTRY_VERIFY(controller_->received.contains(command));
    controller_->write(reply);
  }

 private slots:
  void init() { resetProgramState(); }
  void cleanup() {
    queue_.reset();
    link_.reset();
    controller_.reset();
  }

  // Each asker gets its own answer, once, in the order asked; the panel's new value is the
  // controller's.
  void answersGoToTheirOwnAskers() {
    SimOptions options;
    options.port = 0;
    options.echo = false;
    ControllerSim sim(options);
    QVERIFY(sim.listen());
    ControllerLink link;
    RequestQueue queue(link, RequestQueue::Options{});
    QSignalSpy opened(&link, &ControllerLink::opened);
    link.open(QStringLiteral("127.0.0.1"), sim.port());
    QVERIFY(opened.wait());

    Asker names, status, set;
    queue.submit(Request::name(), &names, names.take());
    queue.submit(Request::status(0x02), &status, status.take());
    queue.submit(Request::set(0x03, 6), &set, set.take());
    QVERIFY(names.results.isEmpty() && status.results.isEmpty() && set.results.isEmpty());  // never within submit
    QTRY_COMPARE(set.results.size(), 1);
    QCOMPARE(names.results.size(), 1);
    QCOMPARE(status.results.size(), 1);

    QVERIFY(!names.results[0].failure);
    QCOMPARE(names.results[0].names.entries.size(), 4);
    QCOMPARE(names.results[0].names.entries[3].model, u"Orv11");
    QVERIFY(!status.results[0].failure);
    QCOMPARE(status.results[0].line, u"#0x02 Ret X:1=4");
    QCOMPARE(status.results[0].value, 4);
    QVERIFY(!set.results[0].failure);
    QCOMPARE(set.results[0].value, 6);
    QCOMPARE(sim.status(0x03), 6);
  }

  // Lines that are no reply to the command out: what came before it was sent, a reply of another
  // panel, a reply that came after its request gave up.
  void onlyTheReplyToTheCommandCounts_data() {
    QTest::addColumn<QByteArray>("before");  // written and taken before the command
    QTest::addColumn<Pieces>("reply");       // written once the controller has the command, piece by piece
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("held");  // the command goes out while the link still holds `before`
    QTest::newRow("a stranger's line before the command")
        << QByteArray("#0x03 Ret X:1=7\r\n") << Pieces{"#0x03 Ret X:1=1\r\n"} << 1 << false;
    QTest::newRow("the start of a stranger's line before the command")
        << QByteArray("#0x03 Ret X:1=") << Pieces{"7\r\n#0x03 Ret X:1=1\r\n"} << 1 << false;
    QTest::newRow("the start of a stranger's line the link still holds")
        << QByteArray("#0x03 Ret X:1=") << Pieces{"7\r\n#0x03 Ret X:1=1\r\n"} << 1 << true;
    QTest::newRow("a reply of another panel first")
        << QByteArray() << Pieces{"#0x04 Ret X:1=9\r\n#0x03 Ret X:1=2\r\n"} << 2 << false;
    QTest::newRow("a longer address that starts alike")
        << QByteArray() << Pieces{"#0x031 Ret X:1=9\r\n#0x03 Ret X:1=3\r\n"} << 3 << false;
    QTest::newRow("in pieces the link hands on apart")
        << QByteArray() << Pieces{"#0x03 Ret X:1=", "5\r\n"} << 5 << false;
  }
  void onlyTheReplyToTheCommandCounts() {
    QFETCH(QByteArray, before);
    QFETCH(Pieces, reply);
    QFETCH(int, value);
    QFETCH(bool, held);
    openScripted();
    if (held)
      controller_->write(before);
    else if (!before.isEmpty())
      writeAndWaitTillTaken(before);
    Asker asker;
    queue_->submit(Request::status(0x03), &asker, asker.take());
    QTRY_VERIFY(controller_->received.contains("#0x03 Get X"));
    for (const QByteArray& piece : reply) writeAndWaitTillTaken(piece);
    QTRY_COMPARE(asker.results.size(), 1);
    QVERIFY(!asker.results[0].failure);
    QCOMPARE(asker.results[0].value, value);
  }

  void lateReplyCountsForNoLaterRequest() {
    openScripted();
    Asker first, second;
    queue_->submit(Request::status(0x03), &first, first.take());
    QTRY_COMPARE(first.results.size(), 1);
    QCOMPARE(first.results[0].failure->kind, Kind::NoReply);

    writeAndWaitTillTaken("#0x03 Ret X:1=7\r\n");
    queue_->submit(Request::status(0x03), &second, second.take());
    QTRY_COMPARE(controller_->received.count("#0x03 Get X"), 2);
    controller_->write("#0x03 Ret X:1=8\r\n");
    QTRY_COMPARE(second.results.size(), 1);
    QVERIFY(!second.results[0].failure);
    QCOMPARE(second.results[0].value, 8);
    QCOMPARE(first.results.size(), 1);
  }

  // Replies that cannot be taken end the request with what was wrong.
  void repliesThatDoNotRead_data() {
    QTest::addColumn<int>("kind");  // Request::Kind
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("message");
    QTest::newRow("a value that is no number")
        << int(Request::Kind::Status) << QByteArray("#0x03 Ret X:1=zz\r\n") << int(Kind::BadReply) << "#0x03 Ret X:1=zz"
        << "'zz' is not a valid integer value";
    QTest::newRow("a name reply that does not read")
        << int(Request::Kind::Name) << QByteArray("#0xFF Ret 0xZZ:Name:Orv15\r\n") << int(Kind::BadReply)
        << "#0xFF Ret 0xZZ:Name:Orv15"
        << "'0xZZ' is not a valid integer value";
    QTest::newRow("a line longer than any reply")
        << int(Request::Kind::Set) << "#0x03 Ret X:1=" + QByteArray(1 << 20, '9') + "\r\n"
        << int(Kind::LineTooLong) << "#0x03 Ret X:1=" + QString(RequestQueue::kLongestLine - 14, u'9') << "";
  }
  void repliesThatDoNotRead() {
    QFETCH(int, kind);
    QFETCH(QByteArray, reply);
    QFETCH(int, failure);
    QFETCH(QString, line);
    QFETCH(QString, message);
    openScripted();
    const Request request = kind == int(Request::Kind::Name)     ? Request::name()
                            : kind == int(Request::Kind::Status) ? Request::status(0x03)
                                                                 : Request::set(0x03, 6);
    Asker asker;
    queue_->submit(request, &asker, asker.take());
    answerAfter(request.command().trimmed().toLatin1(), reply);
    QTRY_COMPARE(asker.results.size(), 1);
    QVERIFY(asker.results[0].failure);
    QCOMPARE(int(asker.results[0].failure->kind), failure);
    QCOMPARE(asker.results[0].failure->line, line);
    QCOMPARE(asker.results[0].failure->message, message);
  }

  // Told whenever one comes, by its start alone, a request out or not.
  void overLongLineIsTold() {
    openScripted();
    QSignalSpy told(queue_.get(), &RequestQueue::lineTooLong);
    controller_->write(QByteArray(3 * RequestQueue::kLongestLine, 'x') + "\r\nok\r\n");
    QTRY_COMPARE(told.size(), 1);
    QCOMPARE(told[0][0].toString(), QString(RequestQueue::kLongestLine, u'x'));
  }

  void connectionLostMidWait() {
    openScripted();
    Asker out, waiting;
    queue_->submit(Request::status(0x03), &out, out.take());
    queue_->submit(Request::status(0x04), &waiting, waiting.take());
    QTRY_VERIFY(controller_->received.contains("#0x03 Get X"));
    controller_->peer->disconnectFromHost();
    QTRY_COMPARE(waiting.results.size(), 1);
    QCOMPARE(out.results.size(), 1);
    QCOMPARE(out.results[0].failure->kind, Kind::ConnectionLost);
    QCOMPARE(waiting.results[0].failure->kind, Kind::NoConnection);
    QCOMPARE(controller_->received, QList<QByteArray>{"#0x03 Get X"});

    // Not connected: refused, from the event loop, and nothing sent.
    Asker late;
    queue_->submit(Request::set(0x03, 1), &late, late.take());
    QVERIFY(late.results.isEmpty());
    QTRY_COMPARE(late.results.size(), 1);
    QCOMPARE(late.results[0].failure->kind, Kind::NoConnection);
  }

  // A link opened again over the open one: what waited on the old connection ends there.
  void linkOpenedAnewMidWait() {
    openScripted();
    Asker asker;
    queue_->submit(Request::status(0x03), &asker, asker.take());
    QTRY_VERIFY(controller_->received.contains("#0x03 Get X"));
    QSignalSpy opened(link_.get(), &ControllerLink::opened);
    link_->open(QStringLiteral("127.0.0.1"), controller_->server.serverPort());
    QVERIFY(opened.wait());
    QTRY_COMPARE(asker.results.size(), 1);
    QCOMPARE(asker.results[0].failure->kind, Kind::ConnectionLost);
  }

  // An asker that is gone is never called; the queue goes on with the next one.
  void askerGoneBeforeItsReply() {
    openScripted();
    auto gone = std::make_unique<Asker>();
    bool called = false;
    queue_->submit(Request::status(0x03), gone.get(), [&called](const RequestResult&) { called = true; });
    auto neverSent = std::make_unique<Asker>();
    queue_->submit(Request::status(0x05), neverSent.get(), [&called](const RequestResult&) { called = true; });
    Asker next;
    queue_->submit(Request::status(0x04), &next, next.take());
    QTRY_VERIFY(controller_->received.contains("#0x03 Get X"));
    gone.reset();
    neverSent.reset();
    controller_->write("#0x03 Ret X:1=1\r\n");
    answerAfter("#0x04 Get X", "#0x04 Ret X:1=2\r\n");
    QTRY_COMPARE(next.results.size(), 1);
    QCOMPARE(next.results[0].value, 2);
    QVERIFY(!called);
    QCOMPARE(controller_->received, (QList<QByteArray>{"#0x03 Get X", "#0x04 Get X"}));
  }

  void queueIsBounded() {
    openScripted(shortTimeout(/*capacity=*/2));
    Asker asker;
    for (int address = 1; address <= 3; ++address) queue_->submit(Request::status(address), &asker, asker.take());
    QTRY_COMPARE(asker.results.size(), 1);
    QCOMPARE(asker.results[0].failure->kind, Kind::QueueFull);
  }

  // A greeting that comes as the connection opens is passed over: the first command waits for it.
  void greetingIsPassedOver() {
    SimOptions options;
    options.port = 0;
    options.echo = false;
    options.onConnect = "#0x03 Ret X:1=7\r\n";
    ControllerSim sim(options);
    QVERIFY(sim.listen());
    ControllerLink link;
    RequestQueue::Options queueOptions;
    queueOptions.greetingMs = 50;
    RequestQueue queue(link, queueOptions);
    Asker asker;
    connect(&link, &ControllerLink::opened, &asker, [&] { queue.submit(Request::status(0x03), &asker, asker.take()); });
    link.open(QStringLiteral("127.0.0.1"), sim.port());
    QTRY_COMPARE(asker.results.size(), 1);
    QVERIFY(!asker.results[0].failure);
    QCOMPARE(asker.results[0].value, 1);
  }

  // The one blocking wait: the result of a request, with the events run meanwhile.
  void waitForTheResult() {
    openScripted();
    connect(controller_->peer.data(), &QTcpSocket::readyRead, controller_.get(),
            [this] { controller_->write("#0x02 Ret X:1=4\r\n"); });
    const RequestResult result = waitForResult(*queue_, Request::status(0x02));
    QVERIFY(!result.failure);
    QCOMPARE(result.value, 4);
    const RequestResult silent = waitForResult(*queue_, Request::status(0x05));
    QCOMPARE(silent.failure->kind, Kind::NoReply);
  }
};

QTEST_GUILESS_MAIN(TestRequestQueue)
#include "test_request_queue.moc"
