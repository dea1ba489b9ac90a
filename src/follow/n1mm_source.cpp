#include "follow/n1mm_source.h"

#include <QXmlStreamReader>

#include "follow/band_map.h"
#include "follow/printable.h"

namespace {

// Larger than any RadioInfo packet; a bigger datagram is not one.
constexpr qint64 kLargestPacket = 8192;

std::optional<qint64> readWhole(const QString& text) {
  bool ok = false;
  const qint64 value = text.trimmed().toLongLong(&ok);
  return ok ? std::optional(value) : std::nullopt;
}

}  // namespace

std::optional<RadioInfo> readRadioInfo(const QByteArray& packet, QString* why) {
  QXmlStreamReader xml(packet);
  if (!xml.readNextStartElement()) {
    *why = QStringLiteral("not XML");
    return std::nullopt;
  }
  // Loggers send other packets too; they are not for us.
  if (xml.name() != u"RadioInfo") return std::nullopt;
  std::optional<qint64> radioNr, activeRadioNr, txFreq;
  std::optional<bool> transmitting;
  while (xml.readNextStartElement()) {
    const QString name = xml.name().toString();
    const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
    if (name == u"RadioNr")
      radioNr = readWhole(text);
    else if (name == u"ActiveRadioNr")
      activeRadioNr = readWhole(text);
    else if (name == u"TXFreq")
      txFreq = readWhole(text);
    else if (name == u"IsTransmitting" && text.trimmed() == u"True")
      transmitting = true;
    else if (name == u"IsTransmitting" && text.trimmed() == u"False")
      transmitting = false;
  }
  if (xml.hasError()) {
    *why = QStringLiteral("broken XML: ") + xml.errorString();
    return std::nullopt;
  }
  if (!radioNr || !txFreq) {
    *why = QStringLiteral("RadioNr or TXFreq missing or not a number");
    return std::nullopt;
  }
  const auto isRadioNr = [](qint64 nr) { return nr >= 0 && nr <= kHighestRadioNr; };
  if (!isRadioNr(*radioNr) || !isRadioNr(activeRadioNr.value_or(*radioNr))) {
    *why = QStringLiteral("RadioNr or ActiveRadioNr is not 0 to %1").arg(kHighestRadioNr);
    return std::nullopt;
  }
  // Checked before it is multiplied: a hostile value must neither overflow nor wrap round.
  if (*txFreq < 1 || *txFreq > kHighestHz / 10) {
    *why = QStringLiteral("TXFreq is not a radio frequency");
    return std::nullopt;
  }
  RadioInfo info;
  info.radioNr = static_cast<int>(*radioNr);
  info.activeRadioNr = static_cast<int>(activeRadioNr.value_or(*radioNr));
  info.txHz = *txFreq * 10;
  info.transmitting = transmitting;
  return info;
}

N1mmSource::N1mmSource(QHostAddress listen, quint16 port, std::optional<QHostAddress> sender,
                       std::optional<int> radio, QObject* parent)
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
