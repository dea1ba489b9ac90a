#pragma once
// The text protocol spoken with the controller: how numbers are read, how name and status replies
// are taken into the system table, and the text of every command.
#include <QList>
#include <QString>

#include <optional>

#include "core/model/integer_rule.h"

// Removes the first CR, then the first LF.
QString FjernCRLF(QString s);

// The kind of reply a chunk holds, as its text tells.
bool holdsStatusReplies(QStringView chunk);  // "Ret X"
bool holdsNameReply(QStringView chunk);      // "0xFF" after the first character, as in "#0xFF Ret ..."

// What a name reply holds, entry by entry; `failedText` is the text that failed the integer rule,
// where reading stopped (the entries before it were read).
struct NameEntry {
  int slot;     // the address text read as a number: the slot it names
  int address;  // the address text read as hexadecimal
  QString model;
  int id;  // the entry's place in the reply, from 1
};
struct NameReply {
  QList<NameEntry> entries;
  std::optional<QString> failedText;
};
NameReply readNameReply(QStringView S);

// Takes the entries into SystemArray, AntallTunere and the tuner records' Adresse, then throws the
// ConversionError of a failed reading. Entries naming no slot (outside 0..127) are skipped; Orv11
// panels beyond the fourth are numbered but have no tuner record.
void applyNameReply(const NameReply& reply);
void GetNames(QStringView S);  // readNameReply, then applyNameReply

// The status replies of a chunk in order, addresses as read (also those outside the table);
// `failedText` as for the name reply.
struct StatusReply {
  int address;
  int value;
  bool operator==(const StatusReply&) const = default;
};
struct StatusReplies {
  QList<StatusReply> replies;
  std::optional<QString> failedText;
  // Read in the exact form a controller sends, so its reply addresses are its replies' own.
  bool plain = false;
};
StatusReplies parseStatusReplies(QStringView chunk);
// Every reply, or the ConversionError of the first text that fails.
QList<StatusReply> readStatusReplies(QStringView chunk);

// Writes Status of every slot a reply addresses (replies for addresses outside the table are
// skipped), then throws the ConversionError of a failed reading.
void applyStatusReplies(const StatusReplies& replies);
void GetStatus(QStringView s);  // parseStatusReplies, then applyStatusReplies

// The slot numbers of the chunk's status replies, in order, limited to slots of the table.
QList<int> ReplyAddresses(QStringView s);
// The same for a chunk read already, without walking it again when its replies were plain.
QList<int> ReplyAddresses(const StatusReplies& read, QStringView chunk);

namespace command {
QString nameRequest();                     // "#0xFF Get Name" CR LF
QString statusRequest(int address);        // "#0xAA Get X" CR LF
QString setValue(int address, int value);  // "#0xAA Set X:1=v" CR LF
}  // namespace command

// How a command's reply is told among the lines that arrive: a status reply of `address` starts
// "#0xAA Ret X", the name reply "#0xFF Ret" (hexadecimal digits and "x" in either case).
bool isStatusReplyOf(QStringView line, int address);
bool isNameReply(QStringView line);
