#include "model/formatting.h"

QString hexText(int value, int digits) {
  return QString::number(static_cast<quint32>(value), 16).toUpper().rightJustified(digits, u'0');
}

QString addressText(int address) { return QStringLiteral("0x") + hexText(address); }
