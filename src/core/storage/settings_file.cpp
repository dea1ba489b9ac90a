#include "core/storage/settings_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QList>

#include <optional>

#include "core/model/file_names.h"
#include "core/model/file_write.h"

// The file is plain text that operators edit by hand: "key=value" lines under "[TCPIP]", names in
// any letter case. Only the two values are ever changed; every other byte stays as it was.

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");
const QByteArray AddressKey("Address");
const QByteArray PortKey("Port");

// One line of the file: its text and its line end (CR LF, LF, a lone CR or none), as they stand.
struct Line {
  QByteArray text;
  QByteArray end;
};

QList<Line> splitLines(QByteArrayView bytes) {
  QList<Line> lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    const qsizetype endSize = bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n' ? 2 : 1;
    lines.append({bytes.sliced(start, i - start).toByteArray(), bytes.sliced(i, endSize).toByteArray()});
    i += endSize - 1;
    start = i + 1;
  }
  if (start < bytes.size()) lines.append({bytes.sliced(start).toByteArray(), {}});
  return lines;
}

// The name of a section line such as "[TCPIP]", or nothing for any other line.
std::optional<QByteArray> sectionName(const QByteArray& text) {
  const QByteArray line = text.trimmed();
  const qsizetype close = line.indexOf(']');
  if (!line.startsWith('[') || close < 0) return std::nullopt;
  return line.mid(1, close - 1).trimmed();
}

bool isKeyLine(const QByteArray& text, const QByteArray& key) {
  const qsizetype eq = text.indexOf('=');
  if (eq < 0) return false;
  const QByteArray name = text.left(eq).trimmed();
  return !name.startsWith(';') && !name.startsWith('#') && name.compare(key, Qt::CaseInsensitive) == 0;
}

// The file's lines with the first "[TCPIP]" section found in them.
struct SettingsText {
  bool bom = false;
  QList<Line> lines;
  qsizetype section = -1;     // the section line, or -1 when there is none
  qsizetype sectionEnd = -1;  // the line after the section's last line that is not blank

  explicit SettingsText(QByteArrayView bytes) {
    bom = bytes.startsWith(Utf8Bom);
    lines = splitLines(bom ? bytes.sliced(Utf8Bom.size()) : bytes);
    for (qsizetype i = 0; i < lines.size(); ++i) {
      const std::optional<QByteArray> name = sectionName(lines[i].text);
      if (!name) {
        if (section >= 0 && !lines[i].text.trimmed().isEmpty()) sectionEnd = i + 1;
        continue;
      }
      if (section >= 0) break;
      if (name->compare("TCPIP", Qt::CaseInsensitive) == 0) {
        section = i;
        sectionEnd = i + 1;
      }
    }
  }

  // The section's first line of `key`, or -1.
  qsizetype keyLine(const QByteArray& key) const {
    for (qsizetype i = section + 1; section >= 0 && i < sectionEnd; ++i)
      if (isKeyLine(lines[i].text, key)) return i;
    return -1;
  }

  std::optional<QString> value(const QByteArray& key) const {
    const qsizetype i = keyLine(key);
    if (i < 0) return std::nullopt;
    // As the platform's INI files read: the blanks around a value are not part of it.
    const QByteArray& text = lines[i].text;
    return QString::fromUtf8(text.mid(text.indexOf('=') + 1).trimmed());
  }

  // The value goes into the key's line, whose name and text up to "=" stay as they are; a missing
  // key gets a line at the end of the section, a missing section goes to the end of the file.
  void setValue(const QByteArray& key, const QByteArray& value) {
    if (const qsizetype i = keyLine(key); i >= 0) {
      lines[i].text.truncate(lines[i].text.indexOf('=') + 1);
      lines[i].text += value;
      return;
    }
    if (section < 0) {
      insertLine(lines.size(), "[TCPIP]");
      section = lines.size() - 1;
      sectionEnd = lines.size();
    }
    insertLine(sectionEnd++, key + '=' + value);
  }

  QByteArray bytes() const {
    QByteArray out = bom ? Utf8Bom : QByteArray();
    for (const Line& line : lines) out += line.text + line.end;
    return out;
  }

 private:
  // New lines end as the file's first line does.
  QByteArray lineEnd() const {
    for (const Line& line : lines)
      if (!line.end.isEmpty()) return line.end;
    return "\n";
  }

  void insertLine(qsizetype at, const QByteArray& text) {
    const QByteArray end = lineEnd();
    if (at > 0 && lines[at - 1].end.isEmpty()) lines[at - 1].end = end;
    lines.insert(at, {text, end});
  }
};

// A value cannot hold a line break: it would end the line there and start another.
QByteArray valueBytes(const QString& value) {
  qsizetype end = 0;
  while (end < value.size() && value[end] != u'\r' && value[end] != u'\n') ++end;
  return value.left(end).toUtf8();
}

// The file as it stands: "" when there is none; nothing when it is there but cannot be read.
std::optional<QByteArray> readFile(const QString& iniPath) {
  const QFileInfo info(iniPath);
  if (!info.exists()) return QByteArray();
  QFile file(iniPath);
  if (!info.isFile() || !file.open(QIODevice::ReadOnly)) return std::nullopt;
  QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return std::nullopt;
  return bytes;
}

}  // namespace

// In the program folder (InstalledPath) and named after the executable. Executables
// carry no extension here, so a dot in the name is part of the name.
QString settingsFilePath() {
  return filenames::programFile(QFileInfo(QCoreApplication::applicationFilePath()).fileName() + QStringLiteral(".INI"));
}

TcpSettings readTcpSettings(const QString& iniPath) {
  const SettingsText text(readFile(iniPath).value_or(QByteArray()));
  return {text.value(AddressKey).value_or(QStringLiteral("127.0.0.1")),
          text.value(PortKey).value_or(QStringLiteral("2501"))};
}

FileResult writeTcpSettings(const QString& iniPath, const QString& address, const QString& port) {
  const FileResult failed{QStringLiteral("Unable to write to ") + iniPath};
  // Writing over a file that cannot be read would lose its other lines.
  const std::optional<QByteArray> old = readFile(iniPath);
  if (!old) return failed;
  SettingsText text(*old);
  text.setValue(AddressKey, valueBytes(address));
  text.setValue(PortKey, valueBytes(port));
  if (!filewrite::writeWhole(iniPath, text.bytes()).isEmpty()) return failed;
  return {};
}
