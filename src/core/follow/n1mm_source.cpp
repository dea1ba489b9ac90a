#include "core/follow/n1mm_source.h"

#include "core/follow/printable.h"

namespace {

// Larger than any RadioInfo packet; a bigger datagram is not one.
constexpr qint64 kLargestPacket = 8192;

}  // namespace

N1mmSource::N1mmSource(QHostAddress listen, quint16 port, std::optional<QHostAddress> sender, std::optional<int> radio,
                       QObject* parent)
    : FrequencySource(parent), listen_(std::move(listen)), port_(port), sender_(std::move(sender)), radio_(radio) {
  connect(&socket_, &QUdpSocket::readyRead, this, &N1mmSource::readPackets);
}

void N1mmSource::start() {
  // Loggers broadcast, so other programs on this machine listen on the same port.
  if (socket_.bind(listen_, port_, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
    emit linkChanged(true, {});
  else
    emit linkChanged(false, socket_.errorString());
}

void N1mmSource::readPackets() {
  while (socket_.hasPendingDatagrams()) {
    const qint64 size = socket_.pendingDatagramSize();
    QByteArray packet(std::clamp<qint64>(size, 0, kLargestPacket), Qt::Uninitialized);
    QHostAddress from;
    const qint64 got = socket_.readDatagram(packet.data(), packet.size(), &from);
    if (got < 0) continue;
    packet.truncate(got);
    if (size > kLargestPacket) continue;
    if (sender_ && !from.isEqual(*sender_, QHostAddress::TolerantConversion)) {
      if (!strangerTold_)
        emit notice("ignored a logger packet from " + from.toString() + ": only " + sender_->toString() +
                    " is followed");
      strangerTold_ = true;
      continue;
    }
    readPacket(packet);
  }
}

void N1mmSource::readPacket(const QByteArray& packet) {
  QString why;
  const auto info = readRadioInfo(packet, &why);
  if (!info) {
    // Said once per kind of fault, not once per packet of a misbehaving sender.
    if (!why.isEmpty() && why != lastNotice_)
      emit notice("ignored a logger packet (" + why +
                  "): " + printable(packet.first(std::min<qsizetype>(packet.size(), 60))));
    lastNotice_ = why;
    return;
  }
  lastNotice_.clear();
  if (info->radioNr != radio_.value_or(info->activeRadioNr)) return;
  RadioState state;
  state.hz = info->txHz;
  state.transmit =
      !info->transmitting ? Transmit::Unknown : (*info->transmitting ? Transmit::Transmitting : Transmit::Receive);
  emit stateRead(state);
}
