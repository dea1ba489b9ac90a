#pragma once
// The address list in an editable combo box: the box shows the list's entries; what the operator
// types over an entry stays in the box, and the list converts it when asked for the slot.
class AddressList;
class QComboBox;

void showAddressList(QComboBox& box, AddressList& list);
// The same for the main window's box, which also is the list's current panel: the list hears every
// change of the box, and the box follows the entry the program selects.
void showCurrentPanel(QComboBox& box, AddressList& list);
