#include "core/follow/printable.h"

QString printable(QStringView text) {
  QString shown;
  shown.reserve(text.size());
  for (QChar c : text) {
    const char16_t u = c.unicode();
    if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u == u'\\')
      shown.append(QStringLiteral("\\x%1").arg(static_cast<int>(u), 2, 16, QLatin1Char('0')));
    else
      shown.append(c);
  }
  return shown;
}

QString printable(QByteArrayView bytes) { return printable(QString::fromLatin1(bytes)); }

QString printableStart(QStringView text, qsizetype length) {
  return printable(text.left(length)) + (text.size() > length ? QStringLiteral("...") : QString());
}
