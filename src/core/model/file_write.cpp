#include "core/model/file_write.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace filewrite {

namespace {

WriteFunction writeFunction;

// "" when every byte was written.
QString writeAll(QFileDevice& file, QByteArrayView bytes) {
  const qint64 written =
      writeFunction ? writeFunction(file, bytes.data(), bytes.size()) : file.write(bytes.data(), bytes.size());
  if (written == bytes.size()) return {};
  if (written < 0 && file.error() != QFileDevice::NoError) return file.errorString();
  return QStringLiteral("Only %1 of %2 bytes could be written.").arg(qMax<qint64>(written, 0)).arg(bytes.size());
}

QString writeInPlace(const QString& path, QByteArrayView bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return file.errorString();
  if (QString reason = writeAll(file, bytes); !reason.isEmpty()) return reason;
  file.close();
  return file.error() == QFileDevice::NoError ? QString() : file.errorString();
}

}  // namespace

QString writeWhole(const QString& path, QByteArrayView bytes) {
  QSaveFile file(path);
  // A folder that refuses the temporary with EACCES (read-only, some network shares): QSaveFile
  // writes the file in place.
  file.setDirectWriteFallback(true);
  if (!file.open(QIODevice::WriteOnly)) {
    // An immutable folder refuses it with EPERM, which QSaveFile does not take for a refusal.
    if (errno == EPERM && QFileInfo(path).isFile()) return writeInPlace(path, bytes);
    return file.errorString();
  }
  if (QString reason = writeAll(file, bytes); !reason.isEmpty()) {
    file.cancelWriting();
    return reason;
  }
  return file.commit() ? QString() : file.errorString();
}

void setWriteFunction(WriteFunction fn) { writeFunction = std::move(fn); }

}  // namespace filewrite
