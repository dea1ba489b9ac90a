#include "gui/common/address_list.h"

#include <QComboBox>
#include <QLineEdit>

#include "core/session/address_list.h"

void showAddressList(QComboBox& box, AddressList& list) { box.setModel(&list); }

void showCurrentPanel(QComboBox& box, AddressList& list) {
  showAddressList(box, list);
  QComboBox* b = &box;
  AddressList* l = &list;
  const auto tell = [b, l] { l->setShown(b->currentIndex(), b->currentText()); };
  QObject::connect(b, &QComboBox::currentIndexChanged, l, tell);
  QObject::connect(b, &QComboBox::editTextChanged, l, tell);
  // Told again first on the operator's own changes, whatever the order the box tells them in, so
  // whoever handles them after finds the list up to date.
  QObject::connect(b, &QComboBox::activated, l, tell);
  if (QLineEdit* editor = b->lineEdit()) QObject::connect(editor, &QLineEdit::textEdited, l, tell);
  QObject::connect(l, &AddressList::currentSet, b, [b](int row, const QString& text) {
    b->setCurrentIndex(row);
    b->setEditText(text);
  });
  tell();
}
