#include "core/model/codepage.h"

#include <array>

namespace {

// 0x80..0x9F; the five unassigned bytes map to the C1 control of the same value, as Windows does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char encodeChar(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

namespace codepage {

QByteArray encode(QStringView text) { return encodeCut(text, text.size()); }

QByteArray encodeCut(QStringView text, qsizetype capacity) {
  QByteArray out;
  out.reserve(qMin(text.size(), capacity));
  for (qsizetype i = 0; i < text.size() && out.size() < capacity; ++i) {
    char32_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(text[i], text[i + 1]);
      ++i;
    }
    out.append(encodeChar(c));
  }
  return out;
}

QString decode(QByteArrayView bytes) {
  if (bytes.isEmpty()) return {};  // most labels and names are empty: no allocation for them
  // The code page is Latin-1 but for 0x80..0x9F: text without those bytes, nearly all of it,
  // converts as Latin-1, which Qt does many bytes at a time. The test looks at every byte, so the
  // compiler can do it many at a time too.
  bool high = false;
  for (const char c : bytes) high |= static_cast<unsigned char>(c) - 0x80u < 0x20u;
  if (!high) return QString::fromLatin1(bytes);
  QString out(bytes.size(), Qt::Uninitialized);
  QChar* d = out.data();
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    d[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(b);
  }
  return out;
}

}  // namespace codepage
