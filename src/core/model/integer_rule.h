#pragma once
// The one way this program reads a number from text: the controller's replies, the files and what
// the operator types.
#include <QString>

#include "core/model/operator_error.h"

// The one failure of the integer rule; its message is what the operator sees.
class ConversionError : public OperatorError {
 public:
  explicit ConversionError(const QString& text);
  // The text that failed.
  const QString& text() const { return text_; }

 private:
  QString text_;
};

// Leading blanks, an optional sign, then decimal digits or "$", "x", "X", "0x", "0X" and
// hexadecimal digits, and nothing after them. Hexadecimal values up to FFFFFFFF are read as their
// 32-bit pattern (FFFFFFFF is -1); decimal values must lie in the signed 32-bit range.
int StrToInt(QStringView text);

// 0 for a text without "0x"; otherwise the text after its first two characters, read as hexadecimal.
int HexToInt(QStringView aValue);

// StrToInt of "$" followed by `digits`, put together on the stack (every reply's address is read here).
int hexDigitsToInt(QStringView digits);
