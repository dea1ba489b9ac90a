#pragma once
// For tests of files named without regard to letter case.
#include <QDir>
#include <QStringList>

// The entries of `folder` that name `name` in any letter case.
inline QStringList namesakes(const QString& folder, const QString& name) {
  QStringList found;
  for (const QString& entry : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
    if (entry.compare(name, Qt::CaseInsensitive) == 0) found << entry;
  return found;
}
