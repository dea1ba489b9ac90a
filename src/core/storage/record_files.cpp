#include "core/storage/record_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <memory>
#include <vector>

#include "core/model/file_names.h"
#include "core/model/file_write.h"

namespace records {

namespace {

FileResult store(const QString& path, const void* data, qint64 size) {
  const QString error = filewrite::writeWhole(path, QByteArrayView(static_cast<const char*>(data), size));
  if (error.isEmpty()) return {};
  return {QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), error)};
}

enum class ReadResult { Missing, Unreadable, Read };

// Reads up to `size` bytes into `buffer`, which the caller has zeroed. Only whole records are taken
// over: a short or cut file leaves the missing records zero, as if they had never been stored.
// Anything but a regular file (a folder, a pipe that would block) counts as unreadable.
ReadResult readRecords(const QString& path, void* buffer, qint64 recordSize, qint64 size) {
  const QFileInfo info(path);
  if (!info.exists()) return ReadResult::Missing;
  if (!info.isFile()) return ReadResult::Unreadable;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return ReadResult::Unreadable;
  std::vector<char> bytes(static_cast<std::size_t>(size));
  qint64 got = 0;
  while (got < size) {
    const qint64 n = file.read(bytes.data() + got, size - got);
    if (n <= 0) break;
    got += n;
  }
  const qint64 whole = got - got % recordSize;
  if (whole > 0) std::memcpy(buffer, bytes.data(), static_cast<std::size_t>(whole));
  return ReadResult::Read;
}

void copyText(FixedText<255>& to, const FixedText<255>& from) { to.setBytes(from.bytes()); }

}  // namespace

QString configurationsFolder() { return filenames::programFile(QStringLiteral("Configurations/")); }
QString currentSetupPath() { return filenames::programFile(QStringLiteral("Configurations/CurrentSetup.dat")); }
QString tunerPath() { return filenames::programFile(QStringLiteral("Configurations/Tuner.dat")); }
QString usrButtonPath() { return filenames::programFile(QStringLiteral("Configurations/UsrButtonSetup.dat")); }

void createConfigurationsFolder() { QDir().mkpath(configurationsFolder()); }

void restoreAtStartup() {
  {
    auto file = std::make_unique<TSystemRecord[]>(SystemSlots);  // value-initialised: zero bytes
    if (readRecords(currentSetupPath(), file.get(), sizeof(TSystemRecord), SystemFileSize) == ReadResult::Read) {
      for (int k = 0; k < SystemSlots; ++k) {
        if (!file[k].I_bruk) continue;
        for (int port = 1; port <= 8; ++port) copyText(*SystemArray[k].btnTxt(port), *file[k].btnTxt(port));
      }
    }
  }

  const QString tuners = tunerPath();
  if (!QFileInfo::exists(tuners)) {
    for (auto& tuner : TunerArray)
      for (auto& button : tuner.Buttons) {
        button.Tekst = QStringLiteral("No \n config");
        button.Verdi = 0;
      }
  } else {
    // An existing file that cannot be read leaves every tuner record zero, not the defaults.
    TTunerRecord file[TunerSlots];
    std::memset(file, 0, sizeof file);
    readRecords(tuners, file, sizeof(TTunerRecord), TunerFileSize);
    std::memcpy(TunerArray, file, sizeof file);
  }

  if (QFileInfo::exists(usrButtonPath())) {
    TUsrBtnType file[MaxUsrBtns];
    std::memset(file, 0, sizeof file);
    readRecords(usrButtonPath(), file, sizeof(TUsrBtnType), UsrButtonFileSize);
    std::memcpy(UsrButtons, file, sizeof file);
  }
}

FileResult storeSystemSetup() { return writeSystemTo(currentSetupPath()); }

FileResult storeSystemSetupIfExists() {
  return QFileInfo::exists(currentSetupPath()) ? storeSystemSetup() : FileResult{};
}

FileResult storeTuners() { return store(tunerPath(), TunerArray, TunerFileSize); }

FileResult storeUsrButtons() { return store(usrButtonPath(), UsrButtons, UsrButtonFileSize); }

FileResult writeSystemTo(const QString& path) { return store(filenames::resolve(path), SystemArray, SystemFileSize); }

bool readSystemFrom(const QString& path, QString* error) {
  auto fail = [&](const QString& why) {
    if (error) *error = why;
    return false;
  };
  const QFileInfo info(filenames::resolve(path));
  if (!info.exists()) return fail(QStringLiteral("The file does not exist."));
  if (!info.isFile()) return fail(QStringLiteral("It is not a file."));
  QFile file(info.filePath());
  if (!file.open(QIODevice::ReadOnly)) return fail(file.errorString());
  if (file.size() != SystemFileSize)
    return fail(
        QStringLiteral("It holds %1 bytes; a system configuration holds %2.").arg(file.size()).arg(SystemFileSize));
  const QByteArray bytes = file.read(SystemFileSize + 1);
  if (bytes.size() != SystemFileSize) {
    if (file.error() != QFileDevice::NoError) return fail(file.errorString());
    return fail(
        QStringLiteral("It holds %1 bytes; a system configuration holds %2.").arg(bytes.size()).arg(SystemFileSize));
  }
  std::memcpy(SystemArray, bytes.constData(), sizeof SystemArray);
  return true;
}

FileResult readTunerFile() {
  const QString path = tunerPath();
  TTunerRecord file[TunerSlots];
  std::memset(file, 0, sizeof file);
  switch (readRecords(path, file, sizeof(TTunerRecord), TunerFileSize)) {
    case ReadResult::Missing: return {QStringLiteral("Cannot open file \"%1\". The file does not exist.").arg(path)};
    case ReadResult::Unreadable: return {QStringLiteral("Cannot open file \"%1\". It cannot be read.").arg(path)};
    case ReadResult::Read: break;
  }
  std::memcpy(TunerArray, file, sizeof file);
  return {};
}

void Factorydefaults() { std::memset(SystemArray, 0, sizeof SystemArray); }

}  // namespace records
