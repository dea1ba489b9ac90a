#pragma once
// The transmit interlock: no set reaches a panel on the RF path while the radio transmits or its
// state is unknown. The radio is read by the follower's sources (a rig, a logger), with the
// follower's rules: nothing known yet, a reading without a transmit state, or a lost link is
// unknown. With no radio the interlock is open.
#include <QObject>
#include <QSet>

#include <optional>

#include "set_gate.h"
#include "core/follow/frequency_source.h"

class TransmitInterlock : public QObject {
  Q_OBJECT
 public:
  // `source`: the radio, started by its owner; nullptr: none. `rfExceptions`: panels off the RF path.
  TransmitInterlock(FrequencySource* source, QSet<int> rfExceptions, QObject* parent = nullptr);

  bool hasRadio() const { return hasRadio_; }
  // Unknown until the source reads the radio; meaningless without a radio.
  Transmit transmit() const { return transmit_; }
  bool onRfPath(int address) const { return !rfExceptions_.contains(address); }
  // Nothing when a set to `address` may go now.
  std::optional<SetRefusal> checkSet(int address) const;

  // "rx", "tx", "unknown"
  static QString stateName(Transmit transmit);

 signals:
  void transmitChanged(Transmit transmit);

 private:
  void update(Transmit transmit);

  bool hasRadio_;
  QSet<int> rfExceptions_;
  bool linkUp_ = false;
  Transmit transmit_ = Transmit::Unknown;
};
