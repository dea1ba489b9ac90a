#include "core/storage/command_files.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>

#include "core/model/operator_error.h"
#include "core/model/codepage.h"
#include "core/model/file_names.h"
#include "core/model/file_write.h"
#include "core/model/system_table.h"

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);
const QByteArray kUtf16LeBom("\xFF\xFE", 2);
const QByteArray kUtf16BeBom("\xFE\xFF", 2);

}  // namespace

QStringList splitCommandLines(QStringView text) {
  QStringList lines;
  qsizetype start = 0;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.append(text.sliced(start, i - start).toString());
    if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.append(text.sliced(start).toString());
  return lines;
}

CommandFile decodeCommandFile(QByteArrayView bytes) {
  CommandFile file;
  QString text;
  auto decodeWith = [&](QStringConverter::Encoding enc, qsizetype skip) {
    // The mark is skipped above; a second one is text and must survive a save.
    QStringDecoder decoder(enc, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    text = decoder.decode(bytes.sliced(skip));
  };
  if (bytes.startsWith(kUtf8Bom)) {
    file.encoding = CommandFile::Utf8Bom;
    decodeWith(QStringConverter::Utf8, kUtf8Bom.size());
  } else if (bytes.startsWith(kUtf16LeBom)) {
    file.encoding = CommandFile::Utf16LeBom;
    decodeWith(QStringConverter::Utf16LE, kUtf16LeBom.size());
  } else if (bytes.startsWith(kUtf16BeBom)) {
    file.encoding = CommandFile::Utf16BeBom;
    decodeWith(QStringConverter::Utf16BE, kUtf16BeBom.size());
  } else {
    text = codepage::decode(bytes);
  }
  file.lines = splitCommandLines(text);
  return file;
}

QByteArray encodeCommandFile(const QString& text, CommandFile::Encoding encoding) {
  const QString crlfText =
      splitCommandLines(text).join(CrLf) + (text.endsWith(u'\n') || text.endsWith(u'\r') ? CrLf : QString());
  auto encodeWith = [&](QStringConverter::Encoding enc, const QByteArray& mark) {
    QStringEncoder encoder(enc, QStringConverter::Flag::Stateless);
    return mark + QByteArray(encoder.encode(crlfText));
  };
  switch (encoding) {
    case CommandFile::Utf8Bom: return encodeWith(QStringConverter::Utf8, kUtf8Bom);
    case CommandFile::Utf16LeBom: return encodeWith(QStringConverter::Utf16LE, kUtf16LeBom);
    case CommandFile::Utf16BeBom: return encodeWith(QStringConverter::Utf16BE, kUtf16BeBom);
    case CommandFile::Cp1252: break;
  }
  return codepage::encode(crlfText);
}

CommandFile readCommandFile(const QString& path) {
  if (!QFileInfo::exists(path)) return {};
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw OperatorError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError)
    throw OperatorError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
  return decodeCommandFile(bytes);
}

void writeCommandFile(const QString& path, const QString& text, CommandFile::Encoding encoding) {
  if (const QString reason = filewrite::writeWhole(path, encodeCommandFile(text, encoding)); !reason.isEmpty())
    throw OperatorError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason));
}

namespace {

QString commandFileInProgramFolder(int slot) {
  return QStringLiteral("Configurations/") + QString::number(slot) + QStringLiteral("_UserConfig.txt");
}

}  // namespace

QString commandFileName(int slot) { return InstalledPath + commandFileInProgramFolder(slot); }

QString commandFilePath(int slot) { return filenames::programFile(commandFileInProgramFolder(slot)); }
