#include "core/follow/rig_source.h"
#include "follow_fixture.h"

namespace {

constexpr int kPollMs = 40;
constexpr int kSettleMs = 100;
constexpr int kLinkWaitMs = 15000;  // a reconnect pause grows to 5 s

// A rig that answers the frequency and transmit questions with whatever the test sets, in the form
// asked ("f" plainly, "|f" labelled); an empty answer is no answer. A full labelled line
// ("get_freq:|RPRT -1") is sent as it stands.
class FakeRig : public QObject {
 public:
  FakeRig() {
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, [this] {
      QTcpSocket* socket = server.nextPendingConnection();
      ++connections;
      connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        while (socket->canReadLine()) {
          const QByteArray question = socket->readLine().trimmed();
          const bool labelled = question.startsWith('|');
          const QByteArray asked = labelled ? question.mid(1) : question;
          const QByteArray value = asked == "f" ? frequency : asked == "t" ? transmit : QByteArray();
          if (value.isEmpty()) continue;
          const QByteArray label = asked == "f" ? "get_freq:" : "get_ptt:";
          const QByteArray key = asked == "f" ? "Frequency: " : "PTT: ";
          socket->write(!labelled || value.startsWith("get_") ? value + '\n' : label + '|' + key + value + "|RPRT 0\n");
          if (!extraLine.isEmpty()) socket->write(extraLine + '\n');
        }
      });
    });
  }
  QTcpServer server;
  int connections = 0;
  QByteArray frequency = "145000000";
  QByteArray transmit = "0";
  QByteArray extraLine;  // added after every answer
};

// Answers each set with the value it was given, or with `answers` for its address, or with the
// bytes of `raw` for its address; `silent` addresses never answer.
class FakeController : public QObject {
 public:
  FakeController() {
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, [this] {
      QTcpSocket* socket = server.nextPendingConnection();
      connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
        while (socket->canReadLine()) {
          const QByteArray line = socket->readLine().trimmed();
          received << line;
          static const QRegularExpression set(QStringLiteral("^#0x([0-9A-F]{2}) Set X:1=(\\d+)$"));
          const auto m = set.match(QString::fromLatin1(line));
          if (!m.hasMatch()) continue;
          const int address = m.captured(1).toInt(nullptr, 16);
          if (silent.contains(address)) continue;
          if (raw.contains(address)) {
            socket->write(raw.value(address));
            continue;
          }
          const int value = answers.value(address, m.captured(2).toInt());
          socket->write(QStringLiteral("#0x%1 Ret X:1=%2\r\n").arg(m.captured(1)).arg(value).toLatin1());
        }
      });
    });
  }
  QTcpServer server;
  QList<QByteArray> received;
  QHash<int, int> answers;
  QHash<int, QByteArray> raw;
  QSet<int> silent;
};

FollowOptions settled(bool switchWithoutPtt = false) {
  FollowOptions options;
  options.switchWithoutPtt = switchWithoutPtt;
  options.settleMs = kSettleMs;
  return options;
}

// A rule long enough to be keyed in the middle of, however slowly the key's process starts.
const QString kLongMap = QStringLiteral("3500-3800 0x02=1 0x03=2 0x04=3 0x02=4 0x03=5 0x04=6 0x02=7 0x03=8 0x04=9\n");
const QList<QByteArray> kLongRule = {"#0x02 Set X:1=1", "#0x03 Set X:1=2", "#0x04 Set X:1=3",
                                     "#0x02 Set X:1=4", "#0x03 Set X:1=5", "#0x04 Set X:1=6",
                                     "#0x02 Set X:1=7", "#0x03 Set X:1=8", "#0x04 Set X:1=9"};

}  // namespace

class TestRigFollow : public QObject {
  Q_OBJECT

 private:
  // The follower on a rig at `rigPort` and a controller at `controllerPort`, reporting to `record`.
  void follow(quint16 rigPort, quint16 controllerPort, FollowOptions options = settled(), const QString& map = kMap,
              int pollMs = kPollMs, int replyTimeoutMs = 1000) {
    source_ = std::make_unique<RigSource>(QStringLiteral("127.0.0.1"), rigPort, pollMs);
    controller_ = std::make_unique<ControllerSide>(controllerPort, replyTimeoutMs);
    follower_ = std::make_unique<Follower>(parseBandMap(map), *source_, controller_->queue, &storedMemory, options);
    record_.watch(*follower_);
    follower_->start();
    controller_->keepOpen.start();
  }
  // A few more polls, so that anything the follower were to send has arrived.
  void letItPoll() {
    QSignalSpy reads(source_.get(), &FrequencySource::stateRead);
    QTRY_VERIFY(reads.count() >= 4);
  }

  std::unique_ptr<RigSource> source_;
  std::unique_ptr<ControllerSide> controller_;
  std::unique_ptr<Follower> follower_;
  Recorder record_;

 private slots:
  void cleanup() {
    follower_.reset();
    controller_.reset();
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
    follow(rig.port(), sim->port(), settled(switchWithoutPtt));

    QTRY_VERIFY(record_.said("the rig answered get_ptt:|RPRT -11 when asked whether it transmits"));
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
    QTest::newRow("error for f") << QByteArray("get_freq:|RPRT -1") << QByteArray("0")
                                 << "the rig answered get_freq:|RPRT -1 when asked for the frequency";
    QTest::newRow("not Hz") << QByteArray("3.55 MHz") << QByteArray("0")
                            << "the rig answered get_freq:|Frequency: 3.55 MHz|RPRT 0 when asked for the frequency";
    QTest::newRow("beyond every radio frequency")
        << QByteArray("9999999999999") << QByteArray("0")
        << "the rig answered get_freq:|Frequency: 9999999999999|RPRT 0 when asked for the frequency";
    QTest::newRow("terminal escape shown as text")
        << QByteArray("3550000\x1b[2J") << QByteArray("0")
        << "the rig answered get_freq:|Frequency: 3550000\\x1b[2J|RPRT 0 when asked for the frequency";
    QTest::newRow("error for t") << QByteArray("3550000") << QByteArray("get_ptt:|RPRT -11")
                                 << "deferred: the transmit state cannot be read";
    QTest::newRow("unknown transmit state")
        << QByteArray("3550000") << QByteArray("4")
        << "the rig answered get_ptt:|PTT: 4|RPRT 0 when asked whether it transmits";
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

  // Keyed while a rule goes out: the rig is asked right before every command, so nothing follows
  // the moment rigctld reports transmit, even with a poll as slow as a second; the rest of the rule
  // goes out once it receives again.
  void keyedInTheMiddleOfARule() {
    Rigctld rig;
    QVERIFY(rig.start());
    auto sim = startSim();
    record_.watch(*sim);
    QElapsedTimer clock;
    clock.start();
    QList<qint64> sentAt;
    follow(rig.port(), sim->port(), settled(), kLongMap, /*pollMs=*/1000);
    connect(follower_.get(), &Follower::event, this, [&](const QString& text) {
      if (text.startsWith(u"sent ")) sentAt << clock.elapsed();
    });
    QTRY_VERIFY(record_.said("frequency 145000 kHz"));

    QProcess key;
    qint64 keyedAt = -1;  // when rigctld took the transmit state and reports it to anyone asking
    connect(&key, &QProcess::finished, this, [&] { keyedAt = clock.elapsed(); });
    connect(sim.get(), &ControllerSim::lineReceived, this, [&] {
      if (record_.sent.size() == 2)
        key.start(QStringLiteral(RIGCTL_PATH), {"-m", "2", "-r", "127.0.0.1:" + QString::number(rig.port()), "T", "1"});
    });
    QVERIFY(rig.rigctl({"F", "3550000"}));
    QTRY_VERIFY(keyedAt >= 0);
    QCOMPARE(key.exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(record_.said("transmitting"), 5000);
    const qint64 lastSent = sentAt.last();
    QVERIFY2(lastSent <= keyedAt, qPrintable(QStringLiteral("a command %1 ms after the key").arg(lastSent - keyedAt)));
    qInfo("the last command went out %lld ms before rigctld reported transmit; none after it",
          static_cast<long long>(keyedAt - lastSent));
    QVERIFY2(record_.said("line 1 (3500-3800 kHz) paused after"), qPrintable(record_.events.join('\n')));
    QVERIFY(record_.sent.size() < kLongRule.size());

    QVERIFY(rig.rigctl({"T", "0"}));
    QTRY_VERIFY(record_.said("applied line 1 (3500-3800 kHz)"));
    QCOMPARE(record_.sent, kLongRule);
    QCOMPARE(sim->status(0x04), 9);
  }

  // With --no-ptt-check, a change held by a known transmit stays held when the rig goes away; it
  // goes once a receive is known again.
  void lostRigLinkKeepsAKnownTransmit() {
    Rigctld rig;
    QVERIFY(rig.start());
    QVERIFY(rig.rigctl({"F", "3550000"}));
    auto sim = startSim();
    record_.watch(*sim);
    follow(rig.port(), sim->port(), settled(/*switchWithoutPtt=*/true));
    QTRY_VERIFY(record_.said("applied line 2 (3500-3800 kHz)"));

    QVERIFY(rig.rigctl({"T", "1"}));
    QVERIFY(rig.rigctl({"F", "7100000"}));
    QTRY_VERIFY(record_.said("switch to line 3 (7000-7200 kHz) deferred: the radio is transmitting"));
    rig.stop();
    QTRY_VERIFY(record_.said("rig link down"));
    record_.events.clear();
    QVERIFY(rig.start());
    QTRY_VERIFY_WITH_TIMEOUT(record_.said("rig link up"), kLinkWaitMs);
    // A fresh dummy rig receives on 145 MHz, outside every range.
    QTRY_VERIFY(record_.said("frequency 145000 kHz"));
    letItPoll();
    QCOMPARE(record_.sent, kLine1);
    QVERIFY(rig.rigctl({"F", "7100000"}));
    QTRY_COMPARE(record_.sent, kLine1 + kLine2);
  }

  // Moved during a transmit from 40 m to 80 m and on to 30 m, where no rule is: the frequency at
  // the end of the transmit decides, and it has no rule.
  void endOfTransmitOutsideEveryRange() {
    Rigctld rig;
    QVERIFY(rig.start());
    QVERIFY(rig.rigctl({"F", "7100000"}));
    auto sim = startSim();
    record_.watch(*sim);
    follow(rig.port(), sim->port());
    QTRY_VERIFY(record_.said("applied line 3 (7000-7200 kHz)"));

    QVERIFY(rig.rigctl({"T", "1"}));
    QVERIFY(rig.rigctl({"F", "3550000"}));
    QTRY_VERIFY(record_.said("frequency 3550 kHz"));
    QTRY_VERIFY(record_.said("switch to line 2 (3500-3800 kHz) deferred: the radio is transmitting"));
    QVERIFY(rig.rigctl({"F", "10120000"}));
    QTRY_VERIFY(record_.said("frequency 10120 kHz, no rule: keeping the last setting"));
    QVERIFY(rig.rigctl({"T", "0"}));
    QTRY_VERIFY(record_.said("receiving"));
    letItPoll();
    QCOMPARE(record_.sent, kLine2);
  }

  // The dial spun across the bands, 41 changes in about 2 s: only the rule where it comes to rest
  // goes out.
  void spinningTheDialSendsOnlyWhereItRests() {
    Rigctld rig;
    QVERIFY(rig.start());
    auto sim = startSim();
    record_.watch(*sim);
    follow(rig.port(), sim->port(), FollowOptions{});  // the default settle time
    QTRY_VERIFY(record_.said("frequency 145000 kHz"));

    QProcess dial;
    dial.start(QStringLiteral(RIGCTL_PATH), {"-m", "2", "-r", "127.0.0.1:" + QString::number(rig.port()), "-"});
    QVERIFY(dial.waitForStarted());
    const QList<QByteArray> stops = {"3550000", "7100000", "10120000", "3700000", "7150000", "14100000"};
    int turned = 0;
    QTimer turn;
    connect(&turn, &QTimer::timeout, this, [&] {
      dial.write("F " + (turned < 40 ? stops[turned % stops.size()] : QByteArray("14200000")) + '\n');
      if (++turned == 41) {
        turn.stop();
        dial.closeWriteChannel();
      }
    });
    turn.start(50);
    QTRY_VERIFY_WITH_TIMEOUT(dial.state() == QProcess::NotRunning, 20000);
    QTRY_VERIFY(record_.said("applied line 4 (14000-14350 kHz)"));
    letItPoll();
    QCOMPARE(record_.sent, kLine3);
  }

  // A panel that answers another value, or nothing: said so, sent again (three sends in all), and
  // the rule is not called applied nor tried again while the radio stays in its range.
  void repliesAreChecked_data() {
    QTest::addColumn<bool>("silent");
    QTest::addColumn<QString>("failure");
    QTest::newRow("another value") << false << "panel 0x03 answered 9, not 5";
    QTest::newRow("no reply") << true << "no reply from panel 0x03";
  }
  void repliesAreChecked() {
    QFETCH(bool, silent);
    QFETCH(QString, failure);
    Rigctld rig;
    QVERIFY(rig.start());
    QVERIFY(rig.rigctl({"F", "7100000"}));
    FakeController controller;
    if (silent)
      controller.silent << 0x03;
    else
      controller.answers[0x03] = 9;
    follow(rig.port(), controller.server.serverPort(), settled(), kMap, kPollMs, /*replyTimeoutMs=*/300);

    QTRY_VERIFY(record_.said(failure + ": gave up after 3 attempts"));
    QTRY_VERIFY(record_.said("line 3 (7000-7200 kHz) not applied: " + failure));
    QVERIFY(record_.said("panel 0x02 confirmed 3"));
    QVERIFY(record_.said(failure + ": sending it again"));
    QVERIFY(record_.said("sent #0x03 Set X:1=5 (attempt 3 of 3)"));
    letItPoll();
    QCOMPARE(controller.received,
             (QList<QByteArray>{"#0x02 Set X:1=3", "#0x03 Set X:1=5", "#0x03 Set X:1=5", "#0x03 Set X:1=5"}));
    QVERIFY(!record_.said("applied line"));
  }

  // A reply that does not read, or a line longer than any reply: said so, and the command sent
  // again as after no reply.
  void unreadableRepliesAreSentAgain_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("said");
    QTest::newRow("not a number") << QByteArray("#0x03 Ret X:1=zz\r\n")
                                  << "the controller sent a bad reply: 'zz' is not a valid integer value";
    QTest::newRow("longer than any reply") << "#0x03 Ret X:1=" + QByteArray(100000, '9') + "\r\n"
                                           << "the controller sent an over-long line: #0x03 Ret X:1=9999";
  }
  void unreadableRepliesAreSentAgain() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, said);
    Rigctld rig;
    QVERIFY(rig.start());
    QVERIFY(rig.rigctl({"F", "7100000"}));
    FakeController controller;
    controller.raw[0x03] = reply;
    follow(rig.port(), controller.server.serverPort(), settled(), kMap, kPollMs, /*replyTimeoutMs=*/300);

    QTRY_VERIFY(record_.said("line 3 (7000-7200 kHz) not applied: no reply from panel 0x03"));
    QVERIFY(record_.said("no reply from panel 0x03: gave up after 3 attempts"));
    QVERIFY(record_.said("panel 0x02 confirmed 3"));
    QVERIFY(record_.said(said));
    QVERIFY(record_.said("no reply from panel 0x03: sending it again"));
    letItPoll();
    QCOMPARE(controller.received,
             (QList<QByteArray>{"#0x02 Set X:1=3", "#0x03 Set X:1=5", "#0x03 Set X:1=5", "#0x03 Set X:1=5"}));
  }

  // Each line when it happens: a command is reported as it goes out, its reply when it comes.
  void eventLinesAtTheirTime() {
    Rigctld rig;
    QVERIFY(rig.start());
    QVERIFY(rig.rigctl({"F", "14100000"}));
    SimOptions options;
    options.port = 0;
    options.echo = false;
    options.replyDelayMs = 300;
    ControllerSim sim(options);
    QVERIFY(sim.listen());
    QStringList eventsWhenReceived;
    connect(&sim, &ControllerSim::lineReceived, this, [&] { eventsWhenReceived = record_.events; });
    follow(rig.port(), sim.port());
    QTRY_VERIFY(record_.said("applied line 4 (14000-14350 kHz)"));
    QVERIFY2(eventsWhenReceived.last() == u"sent #0x04 Set X:1=7", qPrintable(eventsWhenReceived.join('\n')));
    QVERIFY(!eventsWhenReceived.join('\n').contains(u"confirmed"));
  }

  // A rig that takes the connection and never answers is one "down" line, not a flapping link.
  void silentRigIsOneLine() {
    FakeRig rig;
    rig.frequency.clear();
    rig.transmit.clear();
    auto sim = startSim();
    follow(rig.server.serverPort(), sim->port());
    QTRY_VERIFY_WITH_TIMEOUT(rig.connections >= 3, 30000);
    QCOMPARE(record_.events.filter(u"rig link").size(), 1);
    QVERIFY(record_.said("rig link down: no answer from the rig within 2000 ms"));
  }

  // A rig that adds a line to every answer stays in step, and says so once.
  void rigAddingALineStaysInStep() {
    FakeRig rig;
    rig.frequency = "3550000";
    rig.extraLine = "RPRT 0";
    auto sim = startSim();
    record_.watch(*sim);
    follow(rig.server.serverPort(), sim->port());
    QTRY_COMPARE(record_.sent, kLine1);
    rig.frequency = "7100000";
    QTRY_COMPARE(record_.sent, kLine1 + kLine2);
    letItPoll();
    QCOMPARE(record_.events.filter(u"rig").size(), 2);  // link up, the line noticed once
    QVERIFY(record_.said("ignored a line from the rig that answers no question: RPRT 0"));
  }
};

QTEST_GUILESS_MAIN(TestRigFollow)
#include "test_rig_follow.moc"
