#include "core/model/file_names.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include "core/model/system_table.h"

namespace filenames {

namespace {

// The entry of `folder` named `name` in another letter case, or "" when there is none.
QString sameNameInOtherCase(const QString& folder, const QString& name, bool folderOnly) {
  const QDir::Filters kinds = folderOnly ? QDir::Dirs : QDir::AllEntries | QDir::System;
  QString found;
  for (const QString& entry : QDir(folder).entryList(kinds | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Unsorted))
    if (entry.compare(name, Qt::CaseInsensitive) == 0 && (found.isEmpty() || entry < found)) found = entry;
  return found;
}

}  // namespace

QString resolve(const QString& folder, const QString& relative) {
  const QStringList parts = relative.split(u'/', Qt::SkipEmptyParts);
  QString path = folder;
  bool onDisk = true;  // every component so far exists, so its folder can be listed
  for (qsizetype i = 0; i < parts.size(); ++i) {
    if (!path.endsWith(u'/')) path += u'/';
    const QString& part = parts[i];
    if (onDisk && !QFileInfo::exists(path + part)) {
      const QString match = sameNameInOtherCase(path, part, i + 1 < parts.size());
      onDisk = !match.isEmpty();
      path += onDisk ? match : part;
    } else {
      path += part;
    }
  }
  if (relative.endsWith(u'/') && !path.endsWith(u'/')) path += u'/';
  return path;
}

QString resolve(const QString& absolutePath) {
  if (!QDir::isAbsolutePath(absolutePath)) return absolutePath;
  const QString root = QDir::rootPath();
  return resolve(root, absolutePath.mid(root.size()));
}

QString programFile(const QString& relative) { return resolve(InstalledPath, relative); }

}  // namespace filenames
