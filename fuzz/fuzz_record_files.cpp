// Damaged record files and saved configurations, read the way start-up and loading read them.
// First byte: which file (and whether the rest is repeated up to the file's full size).
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

#include "core/model/panel_models.h"
#include "core/model/system_table.h"
#include "core/storage/record_files.h"

namespace {

QByteArray fileContent(const uint8_t* data, size_t size, qint64 fullSize, bool repeat) {
  QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (!repeat || bytes.isEmpty()) return bytes;
  QByteArray whole;
  whole.reserve(fullSize);
  while (whole.size() < fullSize) whole += bytes;
  whole.truncate(fullSize);
  return whole;
}

template <int N>
void checkText(const FixedText<N>& t) {
  if (t.size() > N || t.text().size() > N) std::abort();
}

void checkTables() {
  for (const TSystemRecord& r : SystemArray) {
    checkText(r.Comment);
    checkText(r.Navn);
    checkText(r.BrukerDef);
    for (int port = 1; port <= 8; ++port) checkText(*r.btnTxt(port));
    checkText(r.Status7seg);
    (void)panelModelOf(r);
  }
  for (const TTunerRecord& t : TunerArray)
    for (const TKnapperRecord& b : t.Buttons) checkText(b.Tekst);
  for (const TUsrBtnType& u : UsrButtons) {
    checkText(u.FileName);
    checkText(u.ButtonText);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static QTemporaryDir dir;
  const uint8_t mode = data[0];
  ++data;
  --size;
  InstalledPath = dir.path() + u'/';
  resetProgramState();
  QDir(records::configurationsFolder()).removeRecursively();
  records::createConfigurationsFolder();

  const bool repeat = mode & 4;
  QString path;
  qint64 fullSize = 0;
  switch (mode & 3) {
    case 0:
      path = records::currentSetupPath();
      fullSize = records::SystemFileSize;
      break;
    case 1:
      path = records::tunerPath();
      fullSize = records::TunerFileSize;
      break;
    case 2:
      path = records::usrButtonPath();
      fullSize = records::UsrButtonFileSize;
      break;
    case 3:
      path = records::configurationsFolder() + QStringLiteral("saved.dat");
      fullSize = records::SystemFileSize;
      break;
  }
  const QByteArray content = fileContent(data, size, fullSize, repeat);
  {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) std::abort();
  }

  if ((mode & 3) == 3) {
    QString error;
    const bool read = records::readSystemFrom(path, &error);
    // Only a whole configuration is taken, and every failure says why.
    if (read != (content.size() == records::SystemFileSize) || (!read && error.isEmpty())) std::abort();
  } else {
    records::restoreAtStartup();
  }
  checkTables();
  // What was read is written back whole.
  if (!records::storeSystemSetup() || QFileInfo(records::currentSetupPath()).size() != records::SystemFileSize)
    std::abort();
  return 0;
}
