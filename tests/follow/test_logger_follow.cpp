#include <QUdpSocket>

#include "follow/controller_channel.h"
#include "follow/n1mm_source.h"
#include "follow_fixture.h"

namespace {

QByteArray radioInfo(int radioNr, int activeRadioNr, qint64 tensOfHz, const char* transmitting = "False") {
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
  void follow(std::optional<int> radio) {
    port_ = freeUdpPort();
    sim_ = startSim();
    record_.watch(*sim_);
    source_ = std::make_unique<N1mmSource>(port_, radio);
    channel_ = std::make_unique<ControllerChannel>(QStringLiteral("127.0.0.1"), sim_->port(), 1000);
    follower_ = std::make_unique<Follower>(parseBandMap(kMap), *source_, *channel_, &storedMemory, FollowOptions{});
    record_.watch(*follower_);
    follower_->start();
    QTRY_VERIFY(record_.said("controller link up"));
  }
  void send(const QByteArray& packet) {
    QSignalSpy read(source_.get(), &FrequencySource::stateRead);
    QSignalSpy notice(source_.get(), &FrequencySource::notice);
    sender_.writeDatagram(packet, QHostAddress::LocalHost, port_);
    // Taken once it gave a reading or a notice.
    if (!read.wait(2000) && notice.isEmpty()) QFAIL("the packet was not taken");
  }

  quint16 port_ = 0;
  QUdpSocket sender_;
  std::unique_ptr<ControllerSim> sim_;
  std::unique_ptr<N1mmSource> source_;
  std::unique_ptr<ControllerChannel> channel_;
  std::unique_ptr<Follower> follower_;
  Recorder record_;

 private slots:
  void cleanup() {
    follower_.reset();
    channel_.reset();
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
    source_ = std::make_unique<N1mmSource>(port_, std::nullopt);
    channel_ = std::make_unique<ControllerChannel>(QStringLiteral("127.0.0.1"), sim_->port(), 1000);
    follower_ = std::make_unique<Follower>(parseBandMap(kMap), *source_, *channel_, &storedMemory, FollowOptions{});
    record_.watch(*follower_);
    follower_->start();
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
    QTest::newRow("another kind of packet")
        << QByteArray("<contactinfo><call>N0CALL</call></contactinfo>") << QString();
  }
  void ignoresMalformedPackets() {
    QFETCH(QByteArray, packet);
    QFETCH(QString, said);
    follow(std::nullopt);
    send(radioInfo(1, 1, 355000));
    QTRY_VERIFY(record_.said("applied line 2"));

    sender_.writeDatagram(packet, QHostAddress::LocalHost, port_);
    if (!said.isEmpty()) QTRY_VERIFY(record_.said(said));
    // Still following after it.
    send(radioInfo(1, 1, 1410000));
    QTRY_COMPARE(record_.sent, kLine1 + kLine3);
    QVERIFY(!record_.said("7100 kHz"));
  }
};

QTEST_GUILESS_MAIN(TestLoggerFollow)
#include "test_logger_follow.moc"
