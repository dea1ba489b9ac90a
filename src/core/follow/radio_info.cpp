#include "core/follow/radio_info.h"

#include <QXmlStreamReader>

#include "core/follow/band_map.h"

namespace {

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
