#include "core/model/formatting.h"

#include <array>

namespace {

QString makeHexText(int value, int digits) {
  return QString::number(static_cast<quint32>(value), 16).toUpper().rightJustified(digits, u'0');
}

// Every status reply shows one of the texts of 0 to 255: they are made once and shared after.
template <class Make>
std::array<QString, 256> textsOfBytes(Make make) {
  std::array<QString, 256> t;
  for (int v = 0; v < 256; ++v) t[std::size_t(v)] = make(v);
  return t;
}

}  // namespace

QString hexText(int value, int digits) {
  static const std::array<QString, 256> twoDigits = textsOfBytes([](int v) { return makeHexText(v, 2); });
  if (digits == 2 && value >= 0 && value < 256) return twoDigits[std::size_t(value)];
  return makeHexText(value, digits);
}

QString decimalText(int value) {
  static const std::array<QString, 256> texts = textsOfBytes([](int v) { return QString::number(v); });
  return value >= 0 && value < 256 ? texts[std::size_t(value)] : QString::number(value);
}

QString addressText(int address) { return QStringLiteral("0x") + hexText(address); }
