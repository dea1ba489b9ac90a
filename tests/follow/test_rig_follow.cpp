#include "follow/controller_channel.h"
#include "follow/rig_source.h"
#include "follow_fixture.h"

namespace {

constexpr int kPollMs = 40;
constexpr int kLinkWaitMs = 15000;  // a reconnect pause grows to 5 s

// A rig that answers "f" and "t" with whatever the test sets; an empty answer is no answer.
class FakeRig : public QObject {
 public:
  FakeRig() {
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, [this] {
      QTcpSocket* socket = server.nextPendingConnection();
      connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        while (socket->canReadLine()) {
          const QByteArray question = socket->readLine().trimmed();
          const QByteArray answer = question == "f" ? frequency : question == "t" ? transmit : QByteArray();
          if (!answer.isEmpty()) socket->write(answer + '\n');
        }
      });
    });
  }
  QTcpServer server;
  QByteArray frequency = "145000000";
  QByteArray transmit = "0";
};

}  // namespace

class TestRigFollow : public QObject {
  Q_OBJECT

 private:
  // The follower on a rig at `rigPort` and a controller at `controllerPort`, reporting to `record`.
  void follow(quint16 rigPort, quint16 controllerPort, FollowOptions options = {}) {
    source_ = std::make_unique<RigSource>(QStringLiteral("127.0.0.1"), rigPort, kPollMs);
    channel_ = std::make_unique<ControllerChannel>(QStringLiteral("127.0.0.1"), controllerPort, 1000);
    follower_ = std::make_unique<Follower>(parseBandMap(kMap), *source_, *channel_, &storedMemory, options);
    record_.watch(*follower_);
    follower_->start();
  }
  // A few more polls, so that anything the follower were to send has arrived.
  void letItPoll() {
    QSignalSpy reads(source_.get(), &FrequencySource::stateRead);
    QTRY_VERIFY(reads.count() >= 4);
  }

  std::unique_ptr<RigSource> source_;
  std::unique_ptr<ControllerChannel> channel_;
  std::unique_ptr<Follower> follower_;
  Recorder record_;

 private slots:
  void cleanup() {
    follower_.reset();
    channel_.reset();
    source_.reset();
    record_.events.clear();
    record_.sent.clear();
  }

  void sendsTheRuleOnEnteringItsRangeOnly() {
    Rigctld rig;
    QVERIFY(rig.start());
    auto sim = startSim();
    record_.watch(*sim);
    follow(rig.port(), sim->port());

    QTRY_VERIFY(record_.said("frequency 145000 kHz, no rule: keeping the last setting"));
    letItPoll();
    QCOMPARE(record_.sent, QList<QByteArray>());

    QVERIFY(rig.rigctl({"F", "3550000"}));
    QTRY_COMPARE(record_.sent, kLine1);
    QTRY_VERIFY(record_.said("applied line 2 (3500-3800 kHz)"));

    // Within the range, then outside every range: nothing more.
    QVERIFY(rig.rigctl({"F", "3700000"}));
    QTRY_VERIFY(record_.said("frequency 3700 kHz, rule line 2 (3500-3800 kHz)"));
    QVERIFY(rig.rigctl({"F", "10120000"}));
    QTRY_VERIFY(record_.said("frequency 10120 kHz, no rule"));
    letItPoll();
    QCOMPARE(record_.sent, kLine1);

    QVERIFY(rig.rigctl({"F", "7100000"}));
    QTRY_COMPARE(record_.sent, kLine1 + kLine2);
    QTRY_COMPARE(sim->status(0x02), 3);
    QCOMPARE(sim->status(0x03), 5);

    // Coming back enters the first range again.
    QVERIFY(rig.rigctl({"F", "3510000"}));
    QTRY_COMPARE(record_.sent, kLine1 + kLine2 + kLine1);
  }

  void neverSwitchesWhileTransmitting() {
    Rigctld rig;
    QVERIFY(rig.start());
    QVERIFY(rig.rigctl({"F", "3550000"}));
    auto sim = startSim();
    record_.watch(*sim);
    follow(rig.port(), sim->port());
    QTRY_VERIFY(record_.said("applied line 2 (3500-3800 kHz)"));

    QVERIFY(rig.rigctl({"T", "1"}));
    QTRY_VERIFY(record_.said("transmitting"));
    QVERIFY(rig.rigctl({"F", "7100000"}));
    QTRY_VERIFY(record_.said("switch to line 3 (7000-7200 kHz) deferred: the radio is transmitting"));
    QVERIFY(rig.rigctl({"F", "14100000"}));
    QTRY_VERIFY(record_.said("frequency 14100 kHz"));
    letItPoll();
    QCOMPARE(record_.sent, kLine1);

    // The rule of the frequency when transmitting ends, not the one seen first.
    QVERIFY(rig.rigctl({"T", "0"}));
    QTRY_COMPARE(record_.sent, kLine1 + kLine3);
    QTRY_VERIFY(record_.said("applied line 4 (14000-14350 kHz)"));
  }

  void unreadableTransmitState_data() {
    QTest::addColumn<bool>("switchWithoutPtt");
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::newRow("checked") << false << QList<QByteArray>();
    QTest::newRow("--no-ptt-check") << true << kLine1;
  }
  void unreadableTransmitState() {
    QFETCH(bool, switchWithoutPtt);
    QFETCH(QList<QByteArray>, sent);
    Rigctld rig;
    QVERIFY(rig.start(/*transmitSettable=*/false));
    QVERIFY(rig.rigctl({"F", "3550000"}));
    auto sim = startSim();
    record_.watch(*sim);
    follow(rig.port(), sim->port(), {switchWithoutPtt});

    QTRY_VERIFY(record_.said("the rig answered RPRT -11 when asked whether it transmits"));
    if (!switchWithoutPtt)
      QTRY_VERIFY(record_.said("switch to line 2 (3500-3800 kHz) deferred: the transmit state cannot be read"));
    QTRY_COMPARE(record_.sent, sent);
    letItPoll();
    QCOMPARE(record_.sent, sent);
  }

  void rigLinkLostAndBack() {
    Rigctld rig;
    QVERIFY(rig.start());
    QVERIFY(rig.rigctl({"F", "3550000"}));
    auto sim = startSim();
    record_.watch(*sim);
    follow(rig.port(), sim->port());
    QTRY_COMPARE(record_.sent, kLine1);

    rig.stop();
    QTRY_VERIFY(record_.said("rig link down"));
    QTRY_VERIFY(record_.said("transmit state unknown"));
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(record_.said("rig link up"), kLinkWaitMs);
    // A fresh dummy rig is back on 145 MHz; the follower goes on following it.
    QVERIFY(rig.rigctl({"F", "7100000"}));
    QTRY_COMPARE(record_.sent, kLine1 + kLine2);
  }

  void controllerLinkDownAtStartLostAndBack() {
    Rigctld rig;
    QVERIFY(rig.start());
    QVERIFY(rig.rigctl({"F", "3550000"}));
    const quint16 controllerPort = freeTcpPort();
    follow(rig.port(), controllerPort);
    // Nothing listens yet: the attempt fails with an error, and the retry must still be armed.
    QTRY_VERIFY(record_.said("controller link down: Connection refused"));
    QTRY_VERIFY(record_.said("switch to line 2 (3500-3800 kHz) deferred: the controller link is down"));

    auto sim = startSim(controllerPort);
    record_.watch(*sim);
    QTRY_COMPARE_WITH_TIMEOUT(record_.sent, kLine1, kLinkWaitMs);

    // Dropped while idle: noticed without anything being sent.
    record_.events.clear();
    sim.reset();
    QTRY_VERIFY(record_.said("controller link down"));
    QVERIFY(rig.rigctl({"F", "7100000"}));
    QTRY_VERIFY(record_.said("switch to line 3 (7000-7200 kHz) deferred: the controller link is down"));

    sim = startSim(controllerPort);
    record_.watch(*sim);
    QTRY_COMPARE_WITH_TIMEOUT(record_.sent, kLine1 + kLine2, kLinkWaitMs);
    QCOMPARE(sim->status(0x03), 5);
  }

  void badRigAnswers_data() {
    QTest::addColumn<QByteArray>("frequency");
    QTest::addColumn<QByteArray>("transmit");
    QTest::addColumn<QString>("said");
    QTest::newRow("error for f") << QByteArray("RPRT -1") << QByteArray("0")
                                 << "the rig answered RPRT -1 when asked for the frequency";
    QTest::newRow("not Hz") << QByteArray("3.55 MHz") << QByteArray("0")
                            << "the rig answered 3.55 MHz when asked for the frequency";
    QTest::newRow("terminal escape shown as text") << QByteArray("3550000\x1b[2J") << QByteArray("0")
                                                   << "the rig answered 3550000\\x1b[2J when asked for the frequency";
    QTest::newRow("error for t") << QByteArray("3550000") << QByteArray("RPRT -11")
                                 << "deferred: the transmit state cannot be read";
    QTest::newRow("unknown transmit state")
        << QByteArray("3550000") << QByteArray("4") << "the rig answered 4 when asked whether it transmits";
    QTest::newRow("no answer") << QByteArray() << QByteArray()
                               << "rig link down: no answer from the rig within 2000 ms";
  }
  void badRigAnswers() {
    QFETCH(QByteArray, frequency);
    QFETCH(QByteArray, transmit);
    QFETCH(QString, said);
    FakeRig rig;
    rig.frequency = frequency;
    rig.transmit = transmit;
    auto sim = startSim();
    record_.watch(*sim);
    follow(rig.server.serverPort(), sim->port());

    QTRY_VERIFY_WITH_TIMEOUT(record_.said(said), kLinkWaitMs);
    QTest::qWait(4 * kPollMs);
    QCOMPARE(record_.sent, QList<QByteArray>());

    // The rig comes to its senses: following goes on.
    rig.frequency = "3550000";
    rig.transmit = "0";
    QTRY_COMPARE_WITH_TIMEOUT(record_.sent, kLine1, kLinkWaitMs);
  }
};

QTEST_GUILESS_MAIN(TestRigFollow)
#include "test_rig_follow.moc"
