#include <QUdpSocket>

#include "core/follow/n1mm_source.h"
#include "follow_fixture.h"

namespace {

QByteArray radioInfo(qint64 radioNr, qint64 activeRadioNr, qint64 tensOfHz, const char* transmitting = "False") {
  return QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<RadioInfo>\r\n  <app>N1MM</app>\r\n"
             "  <StationName>SHACK</StationName>\r\n  <RadioNr>%1</RadioNr>\r\n  <Freq>%3</Freq>\r\n"
             "  <TXFreq>%3</TXFreq>\r\n  <Mode>CW</Mode>\r\n  <IsTransmitting>%4</IsTransmitting>\r\n"
             "  <ActiveRadioNr>%2</ActiveRadioNr>\r\n</RadioInfo>\r\n")
      .arg(radioNr)
      .arg(activeRadioNr)
      .arg(tensOfHz)
      .arg(QLatin1String(transmitting))
      .toUtf8();
}

quint16 freeUdpPort() {
  QUdpSocket probe;
  probe.bind(QHostAddress::LocalHost, 0);
  return probe.localPort();
}

}  // namespace

class TestLoggerFollow : public QObject {
  Q_OBJECT

 private:
  void follow(std::optional<int> radio, QHostAddress listen = QHostAddress(QHostAddress::LocalHost),
              std::optional<QHostAddress> sender = std::nullopt) {
    port_ = freeUdpPort();
    sim_ = startSim();
    record_.watch(*sim_);
    source_ = std::make_unique<N1mmSource>(listen, port_, sender, radio);
    controller_ = std::make_unique<ControllerSide>(sim_->port(), 1000);
    follower_ = std::make_unique<Follower>(parseBandMap(kMap), *source_, controller_->queue, &storedMemory, options());
    record_.watch(*follower_);
    follower_->start();
    controller_->keepOpen.start();
    QTRY_VERIFY(record_.said("controller link up"));
  }
  void send(const QByteArray& packet) {
    QSignalSpy read(source_.get(), &FrequencySource::stateRead);
    QSignalSpy notice(source_.get(), &FrequencySource::notice);
    sender_.writeDatagram(packet, QHostAddress::LocalHost, port_);
    // Taken once it gave a reading or a notice.
    if (!read.wait(2000) && notice.isEmpty()) QFAIL("the packet was not taken");
  }

  static FollowOptions options() {
    FollowOptions options;
    options.settleMs = 100;
    return options;
  }

  quint16 port_ = 0;
  QUdpSocket sender_;
  std::unique_ptr<ControllerSim> sim_;
  std::unique_ptr<N1mmSource> source_;
  std::unique_ptr<ControllerSide> controller_;
  std::unique_ptr<Follower> follower_;
  Recorder record_;

 private slots:
  void cleanup() {
    follower_.reset();
    controller_.reset();
    source_.reset();
    sim_.reset();
    record_.events.clear();
    record_.sent.clear();
  }

  void followsTheChosenRadio_data() {
    QTest::addColumn<std::optional<int>>("radio");
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::newRow("the active radio") << std::optional<int>() << kLine2;
    QTest::newRow("--radio 1") << std::optional<int>(1) << kLine1;
  }
  void followsTheChosenRadio() {
    QFETCH(std::optional<int>, radio);
    QFETCH(QList<QByteArray>, sent);
    follow(radio);
    // SO2R: radio 1 on 80 m, radio 2 on 40 m and active.
    sender_.writeDatagram(radioInfo(1, 2, 355000), QHostAddress::LocalHost, port_);
    sender_.writeDatagram(radioInfo(2, 2, 710000), QHostAddress::LocalHost, port_);
    QTRY_COMPARE(record_.sent, sent);
    QTRY_VERIFY(record_.said("applied"));
    QCOMPARE(record_.sent, sent);
  }

  void sharesThePortAndDefersWhileTransmitting() {
    QUdpSocket otherListener;
    const quint16 port = freeUdpPort();
    QVERIFY(otherListener.bind(QHostAddress::AnyIPv4, port, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint));
    sim_ = startSim();
    record_.watch(*sim_);
    port_ = port;
    source_ = std::make_unique<N1mmSource>(QHostAddress(QHostAddress::LocalHost), port_, std::nullopt, std::nullopt);
    controller_ = std::make_unique<ControllerSide>(sim_->port(), 1000);
    follower_ = std::make_unique<Follower>(parseBandMap(kMap), *source_, controller_->queue, &storedMemory, options());
    record_.watch(*follower_);
    follower_->start();
    controller_->keepOpen.start();
    QVERIFY(record_.said("logger link up"));
    QTRY_VERIFY(record_.said("controller link up"));

    send(radioInfo(1, 1, 355000));
    QTRY_COMPARE(record_.sent, kLine1);
    QTRY_VERIFY(record_.said("applied line 2"));
    send(radioInfo(1, 1, 710000, "True"));
    QTRY_VERIFY(record_.said("switch to line 3 (7000-7200 kHz) deferred: the radio is transmitting"));
    send(radioInfo(1, 1, 1410000, "True"));
    send(radioInfo(1, 1, 1410000, "False"));
    QTRY_COMPARE(record_.sent, kLine1 + kLine3);
  }

  void ignoresMalformedPackets_data() {
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QString>("said");  // empty: ignored without a word
    QTest::newRow("not XML") << QByteArray("7100000") << "ignored a logger packet (not XML): 7100000";
    QTest::newRow("cut short") << radioInfo(1, 1, 710000).first(120) << "ignored a logger packet (broken XML";
    QTest::newRow("frequency not a number") << radioInfo(1, 1, 710000).replace("710000", "7.1MHz")
                                            << "ignored a logger packet (RadioNr or TXFreq missing or not a number)";
    QTest::newRow("no TXFreq") << QByteArray("<RadioInfo><RadioNr>1</RadioNr></RadioInfo>")
                               << "ignored a logger packet (RadioNr or TXFreq missing or not a number)";
    QTest::newRow("control characters shown as text")
        << QByteArray("\x1b[2J<junk") << "ignored a logger packet (not XML): \\x1b[2J<junk";
    QTest::newRow("frequency that overflows when multiplied")
        << radioInfo(1, 1, 999999999999999999) << "ignored a logger packet (TXFreq is not a radio frequency)";
    QTest::newRow("frequency that wraps round to 3.550 MHz")
        << radioInfo(1, 1, 1844674407371310162) << "ignored a logger packet (TXFreq is not a radio frequency)";
    QTest::newRow("zero frequency") << radioInfo(1, 1, 0)
                                    << "ignored a logger packet (TXFreq is not a radio frequency)";
    QTest::newRow("radio number that wraps round to 1")
        << radioInfo(4294967297, 4294967297, 710000)
        << "ignored a logger packet (RadioNr or ActiveRadioNr is not 0 to 99)";
    QTest::newRow("another kind of packet")
        << QByteArray("<contactinfo><call>N0CALL</call></contactinfo>") << QString();
  }
  void ignoresMalformedPackets() {
    QFETCH(QByteArray, packet);
    QFETCH(QString, said);
    follow(std::nullopt);
    send(radioInfo(1, 1, 1410000));
    QTRY_VERIFY(record_.said("applied line 4"));

    sender_.writeDatagram(packet, QHostAddress::LocalHost, port_);
    if (!said.isEmpty()) QTRY_VERIFY(record_.said(said));
    // Still following after it, and nothing in between.
    send(radioInfo(1, 1, 355000));
    QTRY_COMPARE(record_.sent, kLine3 + kLine1);
    QCOMPARE(record_.events.filter(QRegularExpression(QStringLiteral("^frequency "))).size(), 2);
  }

  // Packets reach the follower only where it listens (loopback unless told) and only from the
  // sender it is told to take them from.
  void takesPacketsOnlyWhereAndFromWhomTold_data() {
    QTest::addColumn<QString>("listen");
    QTest::addColumn<QString>("sender");  // empty: any
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("taken");
    QTest::newRow("loopback by default, another address") << "127.0.0.1"
                                                          << ""
                                                          << "127.0.0.1"
                                                          << "127.0.0.2" << false;
    QTest::newRow("every address when told") << "0.0.0.0"
                                             << ""
                                             << "127.0.0.1"
                                             << "127.0.0.2" << true;
    QTest::newRow("the sender told") << "0.0.0.0"
                                     << "127.0.0.3"
                                     << "127.0.0.3"
                                     << "127.0.0.1" << true;
    QTest::newRow("another sender") << "0.0.0.0"
                                    << "127.0.0.3"
                                    << "127.0.0.4"
                                    << "127.0.0.1" << false;
  }
  void takesPacketsOnlyWhereAndFromWhomTold() {
    QFETCH(QString, listen);
    QFETCH(QString, sender);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, taken);
    follow(std::nullopt, QHostAddress(listen), sender.isEmpty() ? std::nullopt : std::optional(QHostAddress(sender)));
    QUdpSocket hostile;
    QVERIFY(hostile.bind(QHostAddress(from), 0));
    hostile.writeDatagram(radioInfo(1, 1, 710000), QHostAddress(to), port_);
    // A packet that is taken afterwards shows that the first has been dealt with.
    QUdpSocket logger;
    QVERIFY(logger.bind(QHostAddress(sender.isEmpty() ? QStringLiteral("127.0.0.1") : sender), 0));
    if (taken) {
      QTRY_COMPARE(record_.sent, kLine2);
      return;
    }
    if (!sender.isEmpty())
      QTRY_VERIFY(record_.said("ignored a logger packet from " + from + ": only " + sender + " is followed"));
    logger.writeDatagram(radioInfo(1, 1, 1410000), QHostAddress(QHostAddress::LocalHost), port_);
    QTRY_COMPARE(record_.sent, kLine3);
    QVERIFY(!record_.said("7100 kHz"));
  }
};

QTEST_GUILESS_MAIN(TestLoggerFollow)
#include "test_logger_follow.moc"
