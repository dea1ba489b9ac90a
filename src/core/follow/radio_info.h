#pragma once
// The RadioInfo packet of a logger such as N1MM Logger+, read from bytes anyone on the network may
// have sent: every number is checked before it is used.
#include <QByteArray>
#include <QString>

#include <optional>

// Radio numbers a logger gives; anything else is not a RadioInfo packet of a station.
constexpr int kHighestRadioNr = 99;

struct RadioInfo {
  int radioNr = 0;
  int activeRadioNr = 0;
  qint64 txHz = 0;
  std::optional<bool> transmitting;  // absent when the packet does not say
};

// nullopt for a packet of another kind (`why` left empty) and for a malformed one (`why` says how).
std::optional<RadioInfo> readRadioInfo(const QByteArray& packet, QString* why);
