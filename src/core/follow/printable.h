#pragma once
// Text from a rig, a logger or the controller, fit for one terminal line: control characters as
// \xHH, so nothing from outside can move the cursor or colour the terminal.
#include <QByteArray>
#include <QString>

QString printable(QStringView text);
// Bytes read one character per byte.
QString printable(QByteArrayView bytes);
// The start of the text, printable, with "..." where it was cut: for a message quoting what came in.
QString printableStart(QStringView text, qsizetype length = 60);
