#include "core/model/integer_rule.h"

#include <QVarLengthArray>

ConversionError::ConversionError(const QString& text)
    : OperatorError("'" + text + "' is not a valid integer value"), text_(text) {}

int StrToInt(QStringView text) {
  const qsizetype n = text.size();
  qsizetype i = 0;
  while (i < n && text[i] == u' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  bool hex = false;
  if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    hex = true;
    i += 2;
  }
  if (i >= n) throw ConversionError(text.toString());

  const quint64 limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  quint64 value = 0;
  for (; i < n; ++i) {
    const char16_t c = text[i].unicode();
    int digit;
    if (c >= u'0' && c <= u'9')
      digit = c - u'0';
    else if (hex && c >= u'a' && c <= u'f')
      digit = c - u'a' + 10;
    else if (hex && c >= u'A' && c <= u'F')
      digit = c - u'A' + 10;
    else
      throw ConversionError(text.toString());
    value = value * (hex ? 16 : 10) + digit;
    if (value > limit) throw ConversionError(text.toString());
  }
  const quint32 bits = static_cast<quint32>(value);
  return static_cast<qint32>(negative ? 0u - bits : bits);
}

int hexDigitsToInt(QStringView digits) {
  QVarLengthArray<QChar, 32> text;
  text.append(u'$');
  text.append(digits.data(), digits.size());
  return StrToInt(QStringView(text.data(), text.size()));
}

int HexToInt(QStringView aValue) {
  if (aValue.isEmpty() || !aValue.contains(u"0x")) return 0;
  return hexDigitsToInt(aValue.mid(2));
}
