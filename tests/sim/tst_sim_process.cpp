#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

// The executable itself: its start line, its options and its traffic log.
class TestSimProcess : public QObject {
  Q_OBJECT
 private slots:
  void servesAndLogs();
  void badArgumentsExit();
};

void TestSimProcess::servesAndLogs() {
  QProcess sim;
  sim.start(QStringLiteral(CONTROLLER_SIM_PATH),
            {"--port", "0", "--panels", "0x10=Orv0:0,0x11=Orv11:200", "--on-connect", "hi\\r\\n"});
  QVERIFY(sim.waitForStarted(10000));
  auto cleanup = qScopeGuard([&] {
    sim.kill();
    sim.waitForFinished(10000);
  });

  QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
  const QString first = QString::fromLatin1(sim.readLine());
  const auto match = QRegularExpression(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)\\n$")).match(first);
  QVERIFY2(match.hasMatch(), qPrintable(first));
  const quint16 port = match.captured(1).toUShort();
  QVERIFY(port != 0);

  QTcpSocket socket;
  QByteArray received;
  connect(&socket, &QTcpSocket::readyRead, this, [&] { received += socket.readAll(); });
  socket.connectToHost(QHostAddress::LocalHost, port);
  QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("hi\r\n"), 10000);
  socket.write("#0xFF Get Name\r\n#0x11 Set X:1=5\r\n");
  QTRY_COMPARE_WITH_TIMEOUT(received,
                            QByteArray("hi\r\n#0xFF Ret 0x10:Name:Orv0 0x11:Name:Orv11\r\n#0x11 Ret X:1=5\r\n"), 10000);

  QByteArray log;
  const QByteArray last = "TX #0x11 Ret X:1=5\n";
  QTRY_VERIFY_WITH_TIMEOUT((log += sim.readAllStandardOutput()).endsWith(last), 10000);
  const QStringList lines = QString::fromLatin1(log).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  const QRegularExpression stamp(QStringLiteral("^\\[t=\\d+\\] "));
  for (const QString& line : lines) QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
  QStringList traffic;
  for (const QString& line : lines)
    if (line.contains(QLatin1String("] RX ")) || line.contains(QLatin1String("] TX ")))
      traffic << line.mid(line.indexOf(QLatin1Char(']')) + 2);
  QCOMPARE(traffic, (QStringList{"TX hi", "RX #0xFF Get Name", "TX #0xFF Ret 0x10:Name:Orv0 0x11:Name:Orv11",
                                 "RX #0x11 Set X:1=5", "TX #0x11 Ret X:1=5"}));
}

void TestSimProcess::badArgumentsExit() {
  QProcess sim;
  sim.start(QStringLiteral(CONTROLLER_SIM_PATH), {"--port", "0", "--panels", "0xZZ=Orv15"});
  QVERIFY(sim.waitForFinished(10000));
  QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
  QVERIFY(sim.exitCode() != 0);
  QVERIFY(sim.readAllStandardError().contains("0xZZ"));
}

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_sim_process.moc"
