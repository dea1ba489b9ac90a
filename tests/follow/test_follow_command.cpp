#include <QTemporaryDir>
#include <QTimer>

#include <csignal>

#include "core/follow/follow_command.h"
#include "follow_fixture.h"

namespace {

QString writeMap(const QTemporaryDir& dir, const QString& text) {
  const QString path = dir.filePath(QStringLiteral("bands.map"));
  QFile file(path);
  file.open(QIODevice::WriteOnly);
  file.write(text.toUtf8());
  return path;
}

}  // namespace

class TestFollowCommand : public QObject {
  Q_OBJECT
 private slots:
  void readsOptions() {
    QString error;
    const auto rig = parseFollowArgs({"--rig", "shack.local:4532", "--map", "m.txt", "--poll", "100"}, &error);
    QVERIFY2(rig, qPrintable(error));
    QCOMPARE(rig->rigHost, u"shack.local");
    QCOMPARE(rig->rigPort, 4532);
    QCOMPARE(rig->pollMs, 100);
    QVERIFY(!rig->n1mmPort);
    QVERIFY(!rig->switchWithoutPtt);

    const auto logger =
        parseFollowArgs({"--n1mm", "12060", "--radio", "2", "--map", "m.txt", "--no-ptt-check"}, &error);
    QVERIFY2(logger, qPrintable(error));
    QCOMPARE(logger->n1mmPort, 12060);
    QCOMPARE(logger->radio, 2);
    QVERIFY(logger->switchWithoutPtt);
    QCOMPARE(logger->n1mmListen, QHostAddress(QHostAddress::LocalHost));
    QVERIFY(!logger->n1mmSender);

    const auto network = parseFollowArgs(
        {"--n1mm", "0.0.0.0:12060", "--n1mm-from", "192.168.1.20", "--map", "m.txt", "--settle", "0", "--check"},
        &error);
    QVERIFY2(network, qPrintable(error));
    QCOMPARE(network->n1mmPort, 12060);
    QCOMPARE(network->n1mmListen, QHostAddress(QHostAddress::AnyIPv4));
    QCOMPARE(network->n1mmSender, QHostAddress(QStringLiteral("192.168.1.20")));
    QCOMPARE(network->settleMs, 0);
    QVERIFY(network->checkOnly);
  }

  void refusesBadOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    QTest::newRow("no source") << QStringList{"--map", "m"} << "give either --rig or --n1mm";
    QTest::newRow("two sources") << QStringList{"--rig", "h:1", "--n1mm", "2", "--map", "m"}
                                 << "give either --rig or --n1mm";
    QTest::newRow("no map") << QStringList{"--rig", "h:1"} << "--map FILE is missing";
    QTest::newRow("rig without port") << QStringList{"--rig", "shack", "--map", "m"}
                                      << "--rig 'shack' is not HOST:PORT";
    QTest::newRow("rig port 0") << QStringList{"--rig", "h:0", "--map", "m"} << "--rig 'h:0' is not HOST:PORT";
    QTest::newRow("rig without host") << QStringList{"--rig", ":4532", "--map", "m"}
                                      << "--rig ':4532' is not HOST:PORT";
    QTest::newRow("logger port too high")
        << QStringList{"--n1mm", "70000", "--map", "m"} << "--n1mm '70000' is not [ADDR:]PORT with a port 1 to 65535";
    QTest::newRow("logger address a name") << QStringList{"--n1mm", "shack:12060", "--map", "m"}
                                           << "--n1mm 'shack:12060': 'shack' is not a numeric IPv4 address";
    QTest::newRow("logger sender a name") << QStringList{"--n1mm", "12060", "--n1mm-from", "pc", "--map", "m"}
                                          << "--n1mm-from 'pc' is not a numeric IPv4 address";
    QTest::newRow("logger sender with rig")
        << QStringList{"--rig", "h:1", "--n1mm-from", "10.0.0.1", "--map", "m"} << "--n1mm-from goes with --n1mm";
    QTest::newRow("settle negative") << QStringList{"--rig", "h:1", "--settle", "-1", "--map", "m"}
                                     << "--settle '-1' is not 0 to 60000 ms";
    QTest::newRow("radio 0") << QStringList{"--n1mm", "12060", "--radio", "0", "--map", "m"}
                             << "--radio '0' is not a radio number 1 to 99";
    QTest::newRow("radio with rig") << QStringList{"--rig", "h:1", "--radio", "1", "--map", "m"}
                                    << "--radio goes with --n1mm";
    QTest::newRow("poll too short") << QStringList{"--rig", "h:1", "--poll", "5", "--map", "m"}
                                    << "--poll '5' is not 10 to 60000 ms";
    QTest::newRow("poll with logger") << QStringList{"--n1mm", "1", "--poll", "100", "--map", "m"}
                                      << "--poll goes with --rig";
    QTest::newRow("unknown option") << QStringList{"--rigg", "h:1", "--map", "m"} << "Unknown option 'rigg'.";
    QTest::newRow("stray argument") << QStringList{"--rig", "h:1", "--map", "m", "now"} << "unexpected argument 'now'";
  }
  void refusesBadOptions() {
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QString message;
    QVERIFY(!parseFollowArgs(args, &message));
    QCOMPARE(message, error + "; orvctl follow --help lists the options");
  }

  void mapErrorsNameFileAndLine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");  // after "map PATH"
    QTest::newRow("bad line") << "3500-3800 0x02=2\n\n7000-7200 0x99=1\n"
                              << " line 3: '0x99=1': the panel address must be 0x and two digits, 0x00 to 0x7F";
    QTest::newRow("unknown tuner memory") << "3500-3800 tuner1=6\n"
                                          << " line 1: tuner 1 memory 6 has no setting to send in Tuner.dat";
    QTest::newRow("empty") << ""
                           << ": the map holds no rules";
    QTest::newRow("tuner no scan placed") << "3500-3800 tuner2=1\n"
                                          << " line 1: tuner 2 has no panel address in Tuner.dat (a scan in the "
                                             "program stores it)";
  }
  void mapErrorsNameFileAndLine() {
    QFETCH(QString, text);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = writeMap(dir, text);
    try {
      loadBandMap(path, &storedMemory);
      QFAIL("the map was accepted");
    } catch (const OperatorError& e) {
      QCOMPARE(e.message(), "map " + path + error);
    }
  }

  void badMapSendsNothingAndEndsWithOne() {
    QTemporaryDir dir;
    auto sim = startSim();
    Recorder record;
    record.watch(*sim);
    const int status = runFollow({"127.0.0.1", sim->port(), 1000},
                                 {"--rig", "127.0.0.1:1", "--map", writeMap(dir, "3500-3800 0x02=x\n")}, &storedMemory);
    QCOMPARE(status, 1);
    QCOMPARE(sim->clientCount(), 0);
  }

  void followsUntilSigterm() {
    Rigctld rig;
    QVERIFY(rig.start());
    QVERIFY(rig.rigctl({"F", "3550000"}));
    auto sim = startSim();
    Recorder record;
    record.watch(*sim);
    // Once the rule is through, the operator stops the follower.
    connect(sim.get(), &ControllerSim::lineReceived, this, [&] {
      if (record.sent.size() == kLine1.size()) QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    });
    struct sigaction before {};
    sigaction(SIGTERM, nullptr, &before);
    QTemporaryDir dir;
    const int status =
        runFollow({"127.0.0.1", sim->port(), 1000},
                  {"--rig", "127.0.0.1:" + QString::number(rig.port()), "--poll", "50", "--map", writeMap(dir, kMap)},
                  &storedMemory);
    QCOMPARE(status, 0);
    QCOMPARE(record.sent, kLine1);
    // The handler that was there before is back.
    struct sigaction after {};
    sigaction(SIGTERM, nullptr, &after);
    QVERIFY(after.sa_sigaction == before.sa_sigaction);
  }
};

QTEST_GUILESS_MAIN(TestFollowCommand)
#include "test_follow_command.moc"
