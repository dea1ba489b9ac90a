// The interlock against a real rigctld (dummy rig): a set to a panel on the RF path is refused while
// "rigctl T 1" holds transmit, and goes through once "T 0" is read.
#include "access/access_gate.h"
#include "core/follow/rig_source.h"
#include "follow/follow_fixture.h"

namespace {
constexpr int kPollMs = 40;
constexpr int kLinkWaitMs = 15000;
}  // namespace

class TestAccessRigctld : public QObject {
  Q_OBJECT

 private slots:
  void setsWaitForReceive() {
    Rigctld rig;
    QVERIFY(rig.start());
    RigSource source(QStringLiteral("127.0.0.1"), rig.port(), kPollMs);
    TransmitInterlock interlock(&source, {0x05});
    AccessConfig config;
    config.rfExceptions = {0x05};
    AccessGate gate(config, interlock);
    gate.clientJoined(1, QStringLiteral("window"), QHostAddress::LocalHost, true);
    QCOMPARE(gate.checkSet(1, 0x02)->message, QStringLiteral("the radio's state is unknown"));
    source.start();
    QTRY_COMPARE_WITH_TIMEOUT(interlock.transmit(), Transmit::Receive, kLinkWaitMs);
    QVERIFY(!gate.checkSet(1, 0x02));

    QVERIFY(rig.rigctl({"T", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(interlock.transmit(), Transmit::Transmitting, kLinkWaitMs);
    const auto refused = gate.checkSet(1, 0x02);
    QVERIFY(refused);
    QCOMPARE(refused->reason, SetRefusal::Reason::Transmitting);
    QCOMPARE(refused->message, QStringLiteral("the radio is transmitting"));
    QVERIFY(!gate.checkSet(1, 0x05));

    QVERIFY(rig.rigctl({"T", "0"}));
    QTRY_COMPARE_WITH_TIMEOUT(interlock.transmit(), Transmit::Receive, kLinkWaitMs);
    QVERIFY(!gate.checkSet(1, 0x02));

    rig.stop();
    QTRY_COMPARE_WITH_TIMEOUT(interlock.transmit(), Transmit::Unknown, kLinkWaitMs);
    QCOMPARE(gate.checkSet(1, 0x02)->message, QStringLiteral("the radio's state is unknown"));
  }
};

QTEST_GUILESS_MAIN(TestAccessRigctld)
#include "test_access_rigctld.moc"
