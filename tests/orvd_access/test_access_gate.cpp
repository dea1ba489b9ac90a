#include <QSignalSpy>
#include <QtTest>

#include "access/access_gate.h"
#include "access/token.h"
#include "fake_source.h"

namespace {

const QByteArray kSalt(16, 'k');
constexpr int kRf = 0x02;
constexpr int kOffRf = 0x05;
constexpr quint64 kClient = 1;
constexpr quint64 kOther = 2;
const QHostAddress kLoopback(QHostAddress::LocalHost);
const QHostAddress kRemote(QStringLiteral("192.0.2.7"));

AccessConfig stationConfig() {
  AccessConfig config;
  for (const auto& [name, role] :
       {std::pair{"watcher", Role::Observe}, std::pair{"op", Role::Operate}, std::pair{"boss", Role::Admin}})
    config.tokens << TokenEntry{name, role, kSalt, tokenHash(kSalt, QByteArray(name) + "-token")};
  config.rfExceptions = {kOffRf};
  return config;
}

AuthAttempts::Options quickAuth(int deadlineMs = 30'000) {
  AuthAttempts::Options options;
  options.deadlineMs = deadlineMs;
  return options;
}

// A gate over a fake radio; clients join as the test says.
struct Station {
  explicit Station(bool radio = true, AccessConfig config = stationConfig(), int deadlineMs = 30'000)
      : interlock(radio ? &source : nullptr, config.rfExceptions),
        gate(std::move(config), interlock, quickAuth(deadlineMs)) {}
  FakeSource source;
  TransmitInterlock interlock;
  AccessGate gate;
};

enum class Who { Line, LoopbackAnon, RemoteAnon, ObserveToken, OperateToken, AdminToken };
enum class Lock { Free, Mine, Other };
enum class Radio { None, NotRead, Rx, Tx, NoTransmitState, LinkLost };

void join(Station& s, quint64 id, Who who) {
  const bool line = who == Who::Line;
  s.gate.clientJoined(id, QStringLiteral("client%1").arg(id), who == Who::RemoteAnon ? kRemote : kLoopback, line);
  const char* token = who == Who::ObserveToken   ? "watcher-token"
                      : who == Who::OperateToken ? "op-token"
                      : who == Who::AdminToken   ? "boss-token"
                                                 : nullptr;
  if (token) QVERIFY(s.gate.authenticate(id, token).ok);
}

void setRadio(FakeSource& source, Radio radio) {
  if (radio == Radio::None || radio == Radio::NotRead) {
    if (radio == Radio::NotRead) source.link(true);
    return;
  }
  source.link(true);
  source.read(radio == Radio::Tx                ? Transmit::Transmitting
              : radio == Radio::NoTransmitState ? Transmit::Unknown
                                                : Transmit::Receive);
  if (radio == Radio::LinkLost) source.link(false);
}

}  // namespace

class TestAccessGate : public QObject {
  Q_OBJECT

 private slots:
  void sets_data() {
    QTest::addColumn<Who>("who");
    QTest::addColumn<Lock>("lock");
    QTest::addColumn<Radio>("radio");
    QTest::addColumn<int>("address");
    QTest::addColumn<QString>("refusal");  // empty: the set goes through
    using R = SetRefusal::Reason;
    QTest::addColumn<int>("reason");
    const int none = -1;
    const QString tx = "the radio is transmitting", unknown = "the radio's state is unknown";
    QTest::newRow("line, no radio") << Who::Line << Lock::Free << Radio::None << kRf << "" << none;
    QTest::newRow("loopback without token watches") << Who::LoopbackAnon << Lock::Free << Radio::Rx << kRf
                                                    << "the observe role may only watch" << int(R::Forbidden);
    QTest::newRow("remote without token")
        << Who::RemoteAnon << Lock::Free << Radio::Rx << kRf << "not authenticated" << int(R::Forbidden);
    QTest::newRow("observe token") << Who::ObserveToken << Lock::Free << Radio::Rx << kRf
                                   << "the observe role may only watch" << int(R::Forbidden);
    QTest::newRow("operate, receiving") << Who::OperateToken << Lock::Free << Radio::Rx << kRf << "" << none;
    QTest::newRow("operate, locked by another")
        << Who::OperateToken << Lock::Other << Radio::Rx << kRf << "held by holder" << int(R::Locked);
    QTest::newRow("admin, locked by another")
        << Who::AdminToken << Lock::Other << Radio::Rx << kRf << "held by holder" << int(R::Locked);
    QTest::newRow("holder, receiving") << Who::OperateToken << Lock::Mine << Radio::Rx << kRf << "" << none;
    QTest::newRow("holder, transmitting")
        << Who::OperateToken << Lock::Mine << Radio::Tx << kRf << tx << int(R::Transmitting);
    QTest::newRow("line, transmitting") << Who::Line << Lock::Free << Radio::Tx << kRf << tx << int(R::Transmitting);
    QTest::newRow("off the RF path, transmitting") << Who::Line << Lock::Free << Radio::Tx << kOffRf << "" << none;
    QTest::newRow("off the RF path, unknown") << Who::Line << Lock::Free << Radio::LinkLost << kOffRf << "" << none;
    QTest::newRow("not read yet") << Who::Line << Lock::Free << Radio::NotRead << kRf << unknown
                                  << int(R::Transmitting);
    QTest::newRow("no transmit state") << Who::Line << Lock::Free << Radio::NoTransmitState << kRf << unknown
                                       << int(R::Transmitting);
    QTest::newRow("link lost after receive")
        << Who::Line << Lock::Free << Radio::LinkLost << kRf << unknown << int(R::Transmitting);
    QTest::newRow("lock before interlock")
        << Who::Line << Lock::Other << Radio::Tx << kRf << "held by holder" << int(R::Locked);
    QTest::newRow("role before lock") << Who::ObserveToken << Lock::Other << Radio::Tx << kRf
                                      << "the observe role may only watch" << int(R::Forbidden);
  }
  void sets() {
    QFETCH(Who, who);
    QFETCH(Lock, lock);
    QFETCH(Radio, radio);
    QFETCH(int, address);
    QFETCH(QString, refusal);
    QFETCH(int, reason);
    Station s(radio != Radio::None);
    join(s, kClient, who);
    s.gate.clientJoined(kOther, QStringLiteral("holder"), kLoopback, true);
    if (lock == Lock::Mine) QVERIFY(!s.gate.takeLock(kClient));
    if (lock == Lock::Other) QVERIFY(!s.gate.takeLock(kOther));
    setRadio(s.source, radio);
    const auto got = s.gate.checkSet(kClient, address);
    QCOMPARE(got ? got->message : QString(), refusal);
    QCOMPARE(got ? int(got->reason) : -1, reason);
  }

  void anUnknownClientMayNotSet() {
    Station s(false);
    const auto got = s.gate.checkSet(99, kRf);
    QVERIFY(got);
    QCOMPARE(got->reason, SetRefusal::Reason::Forbidden);
  }

  void configuredRoles() {
    AccessConfig config = stationConfig();
    config.loopbackRole = Role::None;
    config.remoteRole = Role::Operate;
    config.lineRole = Role::Observe;
    Station s(false, config);
    s.gate.clientJoined(1, "a", kLoopback, false);
    s.gate.clientJoined(2, "b", QHostAddress("::ffff:192.0.2.1"), false);
    s.gate.clientJoined(3, "c", kRemote, true);
    s.gate.clientJoined(4, "d", QHostAddress("::ffff:127.0.0.1"), false);
    QCOMPARE(s.gate.role(1), Role::None);
    QCOMPARE(s.gate.role(2), Role::Operate);
    QCOMPARE(s.gate.role(3), Role::Observe);
    QCOMPARE(s.gate.role(4), Role::None);
  }

  void theLock() {
    Station s(false);
    join(s, 1, Who::OperateToken);
    join(s, 2, Who::Line);
    join(s, 3, Who::AdminToken);
    join(s, 4, Who::LoopbackAnon);
    QStringList events;
    connect(&s.gate.lock(), &StationLock::taken, this,
            [&](quint64 id, const QString& name) { events << QStringLiteral("taken %1 %2").arg(id).arg(name); });
    connect(&s.gate.lock(), &StationLock::freed, this, [&](quint64 id, const QString& name, StationLock::Freed why) {
      events << QStringLiteral("freed %1 %2 %3").arg(id).arg(name).arg(QVariant::fromValue(why).toString());
    });

    QCOMPARE(s.gate.takeLock(4)->message, QStringLiteral("the observe role may only watch"));
    QVERIFY(!s.gate.takeLock(1));
    QVERIFY(!s.gate.takeLock(1));  // held already: no second event
    QCOMPARE(s.gate.takeLock(2)->message, QStringLiteral("held by op"));
    QCOMPARE(s.gate.takeLock(3)->reason, SetRefusal::Reason::Locked);
    s.gate.releaseLock(2);  // not the holder's
    QCOMPARE(s.gate.kickLock(2)->message, QStringLiteral("only an admin may free the lock"));
    QCOMPARE(s.gate.lock().holder()->clientId, quint64(1));
    QVERIFY(!s.gate.kickLock(3));
    QVERIFY(!s.gate.checkSet(2, kRf));
    QVERIFY(!s.gate.takeLock(2));
    s.gate.releaseLock(2);
    QVERIFY(!s.gate.takeLock(3));
    s.gate.clientLeft(3);
    QVERIFY(!s.gate.lock().holder());
    QCOMPARE(s.gate.kickLock(1)->reason, SetRefusal::Reason::Forbidden);
    QCOMPARE(events, (QStringList{"taken 1 op", "freed 1 op Kicked", "taken 2 client2", "freed 2 client2 Released",
                                  "taken 3 boss", "freed 3 boss HolderLeft"}));
  }

  // A lease ends after the holder's last activity, not after the take.
  void theLeaseFollowsActivity() {
    AccessConfig config = stationConfig();
    config.lockLeaseMs = 1500;  // wide enough that a loaded machine cannot blur the two ends
    Station active(false, config), idle(false, config);
    for (Station* s : {&active, &idle}) {
      join(*s, kClient, Who::OperateToken);
      QVERIFY(!s->gate.takeLock(kClient));
    }
    QSignalSpy idleFreed(&idle.gate.lock(), &StationLock::freed);
    QSignalSpy activeFreed(&active.gate.lock(), &StationLock::freed);
    QTimer halfway;
    halfway.setSingleShot(true);
    QSignalSpy passed(&halfway, &QTimer::timeout);
    halfway.start(config.lockLeaseMs / 2);
    QVERIFY(passed.wait());
    active.gate.activity(kClient);
    idle.gate.activity(kOther);  // another client's activity renews nothing
    QVERIFY(idleFreed.wait());
    QCOMPARE(idleFreed.at(0).at(2).value<StationLock::Freed>(), StationLock::Freed::LeaseEnded);
    QCOMPARE(activeFreed.size(), 0);
    QVERIFY(activeFreed.wait());
    QCOMPARE(activeFreed.at(0).at(2).value<StationLock::Freed>(), StationLock::Freed::LeaseEnded);
  }

  void failedAttemptsSlowDownThenClose() {
    Station s(false);
    join(s, kClient, Who::RemoteAnon);
    QList<int> delays;
    AccessGate::AuthOutcome outcome;
    for (int attempt = 0; attempt < 5; ++attempt) {
      outcome = s.gate.authenticate(kClient, "guess");
      QVERIFY(!outcome.ok);
      if (!outcome.close) delays << outcome.delayMs;
    }
    QCOMPARE(delays, (QList<int>{500, 1000, 2000, 4000}));
    QVERIFY(outcome.close);
    QCOMPARE(s.gate.role(kClient), Role::None);
  }

  void delaysStopGrowingAtTheCap() {
    AuthAttempts::Options options;
    options.maxFailures = 100;
    options.firstDelayMs = 300;
    options.longestDelayMs = 1000;
    AuthAttempts attempts(options);
    QList<int> delays;
    for (int i = 0; i < 70; ++i) delays << attempts.failed().delayMs;
    QCOMPARE(delays.mid(0, 4), (QList<int>{300, 600, 1000, 1000}));
    QCOMPARE(delays.last(), 1000);
  }

  void aTokenReplacesTheRoleAndTheName() {
    Station s(false);
    join(s, kClient, Who::LoopbackAnon);
    QVERIFY(!s.gate.authenticate(kClient, "op-tokem").ok);
    const auto outcome = s.gate.authenticate(kClient, "op-token");
    QVERIFY(outcome.ok);
    QCOMPARE(outcome.role, Role::Operate);
    QCOMPARE(s.gate.clientName(kClient), QStringLiteral("op"));
    join(s, kOther, Who::Line);
    QVERIFY(!s.gate.authenticate(kOther, "boss-token").ok);  // the line port has no tokens
    QCOMPARE(s.gate.role(kOther), Role::Operate);
  }

  // Only a connection that can do nothing without a token has a deadline; a token stops it.
  void unauthenticatedConnectionsAreClosed() {
    Station s(false, stationConfig(), 100);
    QSignalSpy close(&s.gate, &AccessGate::closeRequested);
    join(s, 1, Who::RemoteAnon);
    join(s, 2, Who::RemoteAnon);
    join(s, 3, Who::LoopbackAnon);
    QVERIFY(s.gate.authenticate(1, "watcher-token").ok);
    join(s, 4, Who::RemoteAnon);
    QTRY_COMPARE(close.size(), 2);
    QCOMPARE((QSet<quint64>{close.at(0).at(0).toULongLong(), close.at(1).at(0).toULongLong()}), (QSet<quint64>{2, 4}));
    QCOMPARE(close.at(0).at(1).toString(), QStringLiteral("no token within 0.1 s"));
    s.gate.clientJoined(5, "e", kRemote, false);
    s.gate.clientLeft(5);  // gone before its deadline
    join(s, 6, Who::RemoteAnon);
    QTRY_COMPARE(close.size(), 3);
    QCOMPARE(close.at(2).at(0).toULongLong(), quint64(6));
  }

  void connectionsTurnedAway() {
    AccessConfig config = stationConfig();
    config.maxConnectionsPerAddress = 2;
    config.lineNetworks << QHostAddress::parseSubnet("10.1.0.0/16");
    Station s(false, config);
    QCOMPARE(s.gate.refuseConnection(QHostAddress("10.2.0.1"), true),
             QStringLiteral("10.2.0.1 is not on a network allowed to reach the line port"));
    QCOMPARE(s.gate.refuseConnection(QHostAddress("10.2.0.1"), false), QString());
    QCOMPARE(s.gate.refuseConnection(QHostAddress("::ffff:10.1.3.4"), true), QString());
    s.gate.clientJoined(1, "a", QHostAddress("10.1.3.4"), true);
    s.gate.clientJoined(2, "b", QHostAddress("::ffff:10.1.3.4"), false);
    QCOMPARE(s.gate.refuseConnection(QHostAddress("10.1.3.4"), false),
             QStringLiteral("10.1.3.4 has 2 connections already"));
    QCOMPARE(s.gate.refuseConnection(QHostAddress("10.1.3.5"), true), QString());
    s.gate.clientLeft(1);
    QCOMPARE(s.gate.refuseConnection(QHostAddress("10.1.3.4"), true), QString());
  }

  void theInterlockTellsChanges() {
    FakeSource source;
    TransmitInterlock interlock(&source, {});
    QList<Transmit> changes;
    connect(&interlock, &TransmitInterlock::transmitChanged, this, [&](Transmit t) { changes << t; });
    source.read(Transmit::Receive);  // before the link is up: not believed
    source.link(true);
    source.read(Transmit::Receive);
    source.read(Transmit::Receive);
    source.read(Transmit::Transmitting);
    source.read(Transmit::Receive);
    source.link(false);
    source.read(Transmit::Receive);
    QCOMPARE(changes,
             (QList<Transmit>{Transmit::Receive, Transmit::Transmitting, Transmit::Receive, Transmit::Unknown}));
    QCOMPARE(TransmitInterlock::stateName(interlock.transmit()), QStringLiteral("unknown"));
  }
};

QTEST_GUILESS_MAIN(TestAccessGate)
#include "test_access_gate.moc"
