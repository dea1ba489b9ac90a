#pragma once
// Windows-1252, the 8-bit code page of the wire and of every text in the record files.
// Written by hand: a character the code page cannot hold must become "?", one per character.
#include <QByteArray>
#include <QString>

namespace codepage {

QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

// Encodes and keeps at most `capacity` bytes (each character is one byte).
QByteArray encodeCut(QStringView text, qsizetype capacity);

}  // namespace codepage
