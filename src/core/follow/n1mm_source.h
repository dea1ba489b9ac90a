#pragma once
// The RadioInfo packets that loggers such as N1MM Logger+ broadcast over UDP. Follows the radio
// whose RadioNr equals ActiveRadioNr, or a fixed radio; TXFreq is in tens of hertz. Anyone on the
// network can send such a packet: it listens on one address (loopback unless told otherwise) and
// takes packets from one sender when told so.
#include <QUdpSocket>

#include "core/follow/frequency_source.h"
#include "core/follow/radio_info.h"

class N1mmSource : public FrequencySource {
  Q_OBJECT
 public:
  static constexpr quint16 kDefaultPort = 12060;

  // radio: follow this RadioNr; absent: the active radio. sender: take packets from it alone.
  N1mmSource(QHostAddress listen, quint16 port, std::optional<QHostAddress> sender, std::optional<int> radio,
             QObject* parent = nullptr);
  // Binds the port shared with other listeners; a failure is reported through linkChanged.
  void start() override;
  QString name() const override { return QStringLiteral("logger"); }

 private:
  void readPackets();
  void readPacket(const QByteArray& packet);

  QHostAddress listen_;
  quint16 port_;
  std::optional<QHostAddress> sender_;
  bool strangerTold_ = false;
  std::optional<int> radio_;
  QUdpSocket socket_;
  QString lastNotice_;
};
