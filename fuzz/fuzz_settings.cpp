// Settings files of any content: reading never fails, and the values read, written back, read the same.
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

#include "core/storage/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir dir;
  const QString path = dir.path() + QStringLiteral("/OrvControlClient.INI");
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
    f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  const TcpSettings first = readTcpSettings(path);
  QFile::remove(path);
  if (!writeTcpSettings(path, first.address, first.port)) std::abort();
  const TcpSettings second = readTcpSettings(path);
  if (second.address != first.address || second.port != first.port) std::abort();
  QFile::remove(path);
  return 0;
}
