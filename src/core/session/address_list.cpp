#include "core/session/address_list.h"

#include "core/model/formatting.h"
#include "core/model/integer_rule.h"

int AddressList::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(addresses_.size());
}

QVariant AddressList::data(const QModelIndex& index, int role) const {
  // A list with no current entry asks about the invalid index: no entry, nothing to say.
  if (!index.isValid() || index.row() >= addresses_.size()) return {};
  if (role == Qt::DisplayRole || role == Qt::EditRole) return entryText(index.row());
  if (role == SlotRole) return addresses_.at(index.row());
  return {};
}

void AddressList::setAddresses(const QList<int>& addresses) {
  beginResetModel();
  addresses_ = addresses;
  currentRow_ = addresses_.isEmpty() ? -1 : 0;
  currentText_ = entryText(currentRow_);
  endResetModel();
}

QString AddressList::entryText(int row) const {
  return row >= 0 && row < addresses_.size() ? addressText(addresses_.at(row)) : QString();
}

int AddressList::rowOf(int slot) const { return static_cast<int>(addresses_.indexOf(slot)); }

int AddressList::slotShown(int row, const QString& text) const {
  if (row >= 0 && row < addresses_.size() && text == entryText(row)) return addresses_.at(row);
  return HexToInt(text);
}

void AddressList::setShown(int row, const QString& text) {
  currentRow_ = row;
  currentText_ = text;
}

void AddressList::select(int row) {
  currentRow_ = row >= 0 && row < addresses_.size() ? row : -1;
  currentText_ = entryText(currentRow_);
  emit currentSet(currentRow_, currentText_);
}
