#include "core/link/command_log.h"

#include <QDir>

#include "core/model/codepage.h"
#include "core/model/file_write.h"

int CommandLog::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant CommandLog::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= qsizetype(entries_.size())) return {};
  return shownText(index.row());
}

Qt::ItemFlags CommandLog::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void CommandLog::append(const QString& entry) {
  const int at = rowCount();
  beginInsertRows(QModelIndex(), at, at);
  entries_.append(entry);
  endInsertRows();
}

void CommandLog::clear() {
  beginResetModel();
  entries_.clear();
  endResetModel();
}

// Line ends would only make a row tall: a final one is dropped, one inside shows as " | ".
QString CommandLog::shownText(int row) const {
  QStringView text(entries_.at(row));
  while (text.endsWith(u'\n') || text.endsWith(u'\r')) text.chop(1);
  // Each entry character becomes one or more shown ones, so the first kShown + 1 decide the row.
  constexpr qsizetype kShown = 4000;
  QString shown = text.left(kShown + 1).toString();
  shown.replace(QStringLiteral("\r\n"), QStringLiteral(" | "));
  shown.replace(u'\r', u' ').replace(u'\n', u' ');
  return shown.size() > kShown ? shown.left(kShown) + QStringLiteral("...") : shown;
}

QString CommandLog::save(const QString& path) const {
  QByteArray bytes;
  for (const QString& entry : entries_) bytes += codepage::encode(entry) + "\r\n";
  if (const QString reason = filewrite::writeWhole(path, bytes); !reason.isEmpty())
    return QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason);
  return {};
}
