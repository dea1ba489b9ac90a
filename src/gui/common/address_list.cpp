#include "gui/common/address_list.h"

#include <QComboBox>

#include "core/model/integer_rule.h"
#include "core/model/formatting.h"

void fillAddressList(QComboBox& list, const QList<int>& addresses) {
  list.clear();
  list.clearEditText();
  for (int address : addresses) list.addItem(addressText(address), address);
  if (list.count() > 0) list.setCurrentIndex(0);
}

void selectFirstEntry(QComboBox& list) {
  if (list.count() == 0) {
    list.clearEditText();
    return;
  }
  list.setCurrentIndex(0);
  list.setEditText(list.itemText(0));
}

QList<int> addressListSlots(const QComboBox& list) {
  QList<int> inUse;
  for (int k = 0; k < list.count(); ++k) inUse << list.itemData(k).toInt();
  return inUse;
}

int selectedAddressSlot(const QComboBox& list) {
  const int k = list.currentIndex();
  if (k >= 0 && list.currentText() == list.itemText(k)) return list.itemData(k).toInt();
  return HexToInt(list.currentText());
}

int addressEntry(const QComboBox& list, int slot) { return list.findData(slot); }
