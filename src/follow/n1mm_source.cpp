#include "follow/n1mm_source.h"

#include <QXmlStreamReader>

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
  if (!radioNr || !txFreq || *txFreq < 0) {
    *why = QStringLiteral("RadioNr or TXFreq missing or not a number");
    return std::nullopt;
  }
  RadioInfo info;
  info.radioNr = static_cast<int>(*radioNr);
  info.activeRadioNr = static_cast<int>(activeRadioNr.value_or(*radioNr));
  info.txHz = *txFreq * 10;
  info.transmitting = transmitting;
  return info;
}

N1mmSource::N1mmSource(quint16 port, std::optional<int> radio, QObject* parent)
    : FrequencySource(parent), port_(port), radio_(radio) {
  connect(&socket_, &QUdpSocket::readyRead, this, &N1mmSource::readPackets);
}

void N1mmSource::start() {
  // Loggers broadcast, so other programs on this machine listen on the same port.
  if (socket_.bind(QHostAddress::AnyIPv4, port_, QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
    emit linkChanged(true, {});
  else
    emit linkChanged(false, socket_.errorString());
}

void N1mmSource::readPackets() {
  while (socket_.hasPendingDatagrams()) {
    const qint64 size = socket_.pendingDatagramSize();
    QByteArray packet(std::clamp<qint64>(size, 0, kLargestPacket), Qt::Uninitialized);
    const qint64 got = socket_.readDatagram(packet.data(), packet.size());
    if (got < 0) continue;
    packet.truncate(got);
    if (size > kLargestPacket) continue;
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
