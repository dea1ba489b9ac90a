#include "core/follow/rig_answer.h"

#include <QList>

#include "core/follow/band_map.h"

namespace {

// Hz as digits, possibly with a fractional part that some rigs add; a radio frequency only.
std::optional<qint64> readHz(QByteArrayView text) {
  const qsizetype dot = text.indexOf('.');
  const QByteArrayView whole = dot >= 0 ? text.first(dot) : text;
  const QByteArrayView fraction = dot >= 0 ? text.sliced(dot + 1) : QByteArrayView();
  if (whole.isEmpty() || whole.size() > 12) return std::nullopt;
  for (QByteArrayView part : {whole, fraction})
    for (char c : part)
      if (c < '0' || c > '9') return std::nullopt;
  const qint64 hz = whole.toLongLong();
  return isRadioFrequency(hz) ? std::optional(hz) : std::nullopt;
}

}  // namespace

std::optional<RigAnswer> readRigAnswer(QByteArrayView line) {
  const QList<QByteArrayView> fields = [&] {
    QList<QByteArrayView> parts;
    for (qsizetype from = 0;;) {
      const qsizetype bar = line.indexOf('|', from);
      parts.append(line.sliced(from, (bar < 0 ? line.size() : bar) - from));
      if (bar < 0) return parts;
      from = bar + 1;
    }
  }();
  RigAnswer answer;
  if (fields.first() == "get_freq:")
    answer.to = RigAnswer::To::Frequency;
  else if (fields.first() == "get_ptt:")
    answer.to = RigAnswer::To::Transmit;
  else
    return std::nullopt;
  // "get_freq:|Frequency: 3550000|RPRT 0"; an error is "get_ptt:|RPRT -11".
  if (fields.size() != 3 || fields.last() != "RPRT 0") return answer;
  const QByteArrayView value = fields[1];
  if (answer.to == RigAnswer::To::Frequency) {
    if (value.startsWith("Frequency: ")) answer.hz = readHz(value.sliced(11));
  } else if (value == "PTT: 0") {
    answer.transmit = Transmit::Receive;
  } else if (value == "PTT: 1" || value == "PTT: 2" || value == "PTT: 3") {
    answer.transmit = Transmit::Transmitting;
  }
  return answer;
}
