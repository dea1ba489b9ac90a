// The line port in front of a gate that refuses: a refused set is answered with the panel's value
// as the hub knows it, in the order the client asked, nothing reaches the controller, and the event
// log says why. The gate hears of every client coming and going.
#include <QtTest>

#include "controller_holder.h"
#include "controller_sim.h"
#include "line_port.h"
#include "orvd/hub_processes.h"
#include "set_gate.h"

namespace {

// Refuses every set to one panel, as a lock held by another client would.
class RefusingGate final : public SetGate {
 public:
  void clientJoined(quint64 clientId, const QString& name, const QHostAddress&, bool linePort) override {
    joined.append({clientId, name, linePort});
  }
  void clientLeft(quint64 clientId) override { left.append(clientId); }
  std::optional<SetRefusal> checkSet(quint64, int address) const override {
    if (address != kRefused) return std::nullopt;
    return SetRefusal{SetRefusal::Reason::Locked, QStringLiteral("held by the contest station")};
  }

  static constexpr int kRefused = 0x03;
  struct Joined {
    quint64 id;
    QString name;
    bool linePort;
  };
  QList<Joined> joined;
  QList<quint64> left;
};

}  // namespace

class TestLinePort : public QObject {
  Q_OBJECT
 private slots:
  void aRefusedSetIsAnsweredWithTheCurrentValue() {
    SimOptions options;
    options.port = 0;
    options.echo = false;
    ControllerSim sim(options);
    QVERIFY(sim.listen());
    QStringList wire;
    connect(&sim, &ControllerSim::lineReceived, &sim, [&wire](const QByteArray& line) { wire.append(line); });

    ControllerHolder controller(QStringLiteral("127.0.0.1"), sim.port());
    RefusingGate gate;
    LinePort port(controller.queue(), gate);
    QStringList log;
    connect(&controller, &ControllerHolder::event, &port, [&log](const QString& text) { log.append(text); });
    connect(&port, &LinePort::event, &port, [&log](const QString& text) { log.append(text); });
    QVERIFY(port.listen(QHostAddress::LocalHost, 0));
    controller.start();
    QTRY_VERIFY(log.contains(QStringLiteral("scan done: panels 0x02 0x03 0x04 0x06; silent none")));

    {
      LineClientSocket client(port.port());
      client.send("#0x02 Get X\r\n#0x03 Set X:1=5\r\n#0x02 Set X:1=6\r\n");
      QTRY_COMPARE(client.lines(), (QStringList{QStringLiteral("#0x02 Ret X:1=4"), QStringLiteral("#0x03 Ret X:1=1"),
                                                QStringLiteral("#0x02 Ret X:1=6")}));
      QCOMPARE(wire.count(QStringLiteral("#0x02 Set X:1=6")), 1);
      QVERIFY(!wire.contains(QStringLiteral("#0x03 Set X:1=5")));
      QCOMPARE(sim.status(3), std::optional<int>(1));
      QVERIFY(std::any_of(log.cbegin(), log.cend(), [](const QString& line) {
        return line.endsWith(u"set 0x03 to 5: refused, held by the contest station");
      }));
      QCOMPARE(gate.joined.size(), 1);
      QVERIFY(gate.joined[0].linePort);
      QVERIFY(gate.joined[0].name.startsWith(QStringLiteral("client 1 (127.0.0.1:")));
    }
    QTRY_COMPARE(gate.left, QList<quint64>{gate.joined[0].id});
  }
};

QTEST_GUILESS_MAIN(TestLinePort)
#include "test_line_port.moc"
