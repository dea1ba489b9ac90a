#pragma once
// The command files of the user buttons: a header line (the button text, never sent) followed by
// the command lines, CR LF between lines, Windows-1252 unless the file starts with a byte-order mark.
#include <QByteArray>
#include <QString>
#include <QStringList>

struct CommandFile {
  enum Encoding { Cp1252, Utf8Bom, Utf16LeBom, Utf16BeBom };
  QStringList lines;
  Encoding encoding = Cp1252;
};

// Splits at CR LF, lone CR and lone LF; a line break at the very end adds no empty line.
QStringList splitCommandLines(QStringView text);

// The bytes of a file as text: a UTF-8 or UTF-16 byte-order mark picks that encoding (and is
// dropped), anything else is Windows-1252.
CommandFile decodeCommandFile(QByteArrayView bytes);

// Every line break of `text` becomes CR LF; a mark is written for the Unicode encodings.
QByteArray encodeCommandFile(const QString& text, CommandFile::Encoding encoding);

// An empty CommandFile when the file does not exist; throws OperatorError
// ("Cannot open file \"path\". reason") when it exists but cannot be read.
CommandFile readCommandFile(const QString& path);

// Replaces the file whole (filewrite::writeWhole); throws OperatorError
// ("Cannot create file \"path\". reason").
void writeCommandFile(const QString& path, const QString& text, CommandFile::Encoding encoding);

// InstalledPath + "Configurations/" + slot + "_UserConfig.txt" as the program spells it: what a
// user-button slot's FileName holds.
QString commandFileName(int slot);
// The same file, spelled as found on disk.
QString commandFilePath(int slot);
