#pragma once
// The command log: every command sent and every chunk received, as logged, newest last. Its rows
// show each entry on one line, so views and assistive technology read the same text.
#include <QAbstractListModel>
#include <QStringList>

class CommandLog : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  // The display role: the entry without its final line end, a line end inside it shown as " | ",
  // cut to a few thousand characters (a flooding controller's megabyte chunk stays whole here).
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  void append(const QString& entry);
  void clear();
  const QStringList& entries() const { return entries_; }
  // The row's display text.
  QString shownText(int row) const;
  // Writes every entry followed by CR LF in the 8-bit code page, replacing the file whole
  // (filewrite::writeWhole); on failure the message names the file and the reason (empty when
  // written).
  QString save(const QString& path) const;

 private:
  QStringList entries_;
};
