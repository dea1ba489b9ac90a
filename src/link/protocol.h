#pragma once
// The text protocol spoken with the controller: how numbers are read, how name and status replies
// are taken into the system table, and the text of every command.
#include <QList>
#include <QString>

#include "common/operator_error.h"

// The one failure of the integer rule; its message is what the operator sees.
class ConversionError : public OperatorError {
 public:
  explicit ConversionError(const QString& text);
};

// Leading blanks, an optional sign, then decimal digits or "$", "x", "X", "0x", "0X" and
// hexadecimal digits, and nothing after them. Hexadecimal values up to FFFFFFFF are read as their
// 32-bit pattern (FFFFFFFF is -1); decimal values must lie in the signed 32-bit range.
int StrToInt(QStringView text);

// 0 for a text without "0x"; otherwise the text after its first two characters, read as hexadecimal.
int HexToInt(QStringView aValue);

// Removes the first CR, then the first LF.
QString FjernCRLF(QString s);

// Takes a name reply into SystemArray, AntallTunere and the tuner records' Adresse.
// Entries naming no slot (outside 0..127) are skipped; Orv11 panels beyond the fourth are numbered
// but have no tuner record.
void GetNames(QStringView S);

// Writes Status of every slot that a status reply in the chunk addresses; replies for addresses
// outside the table are read and skipped.
void GetStatus(QStringView s);

// The slot numbers of the chunk's status replies, in order, limited to slots of the table.
QList<int> ReplyAddresses(QStringView s);

namespace command {
QString nameRequest();                           // "#0xFF Get Name" CR LF
QString statusRequest(int address);              // "#0xAA Get X" CR LF
QString setValue(int address, int value);        // "#0xAA Set X:1=v" CR LF
}  // namespace command
