#pragma once
// The address list: one entry per panel address, shown as "0x" and two hexadecimal digits, the
// number the text reads as (the slot it names) kept as the entry's data so nothing reads it back
// from the text. It also holds what the main window's list shows, the current panel: the entry
// picked, and the text over it, which the operator may have typed.
#include <QAbstractListModel>
#include <QList>

class AddressList : public QAbstractListModel {
  Q_OBJECT
 public:
  static constexpr int SlotRole = Qt::UserRole;

  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // One entry per address in this order, the first current, nothing typed.
  void setAddresses(const QList<int>& addresses);
  const QList<int>& addresses() const { return addresses_; }
  // The entry holding `slot`, or -1.
  int rowOf(int slot) const;

  // The slot a list shows with entry `row` current and `text` over it: the entry's, unless the
  // operator typed an address of their own, which is converted with HexToInt (throwing on a
  // malformed one); no entry and no text give slot 0.
  int slotShown(int row, const QString& text) const;

  // The current panel, as the main window's list shows it.
  int currentRow() const { return currentRow_; }
  int selectedSlot() const { return slotShown(currentRow_, currentText_); }
  // What the list on screen shows now; the screen tells every change.
  void setShown(int row, const QString& text);
  // Makes the entry the current one, its own text over anything typed (the empty text without
  // entries).
  void select(int row);

 signals:
  // The current entry was set by the program; the list on screen follows.
  void currentSet(int row, const QString& text);

 private:
  QString entryText(int row) const;

  QList<int> addresses_;
  int currentRow_ = -1;
  QString currentText_;
};
