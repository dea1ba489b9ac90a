#pragma once
// Follows the radio: when its frequency enters a rule's range, sends the rule's actions in order,
// each after the previous one's reply and a pause; never while the radio transmits or may transmit.
#include <QObject>
#include <QTimer>

#include "follow/band_map.h"
#include "follow/controller_channel.h"
#include "follow/frequency_source.h"

struct FollowOptions {
  // Switch even when the transmit state cannot be read (a known transmit still holds).
  bool switchWithoutPtt = false;
  // Between one command's reply and the next command, as a user button replays.
  int paceMs = 100;
};

class Follower : public QObject {
  Q_OBJECT
 public:
  Follower(BandMap map, FrequencySource& source, ControllerChannel& channel, TunerLookup lookup, FollowOptions options,
           QObject* parent = nullptr);

  // Starts the source and the channel.
  void start();

 signals:
  // One line for the operator per thing that happened.
  void event(const QString& text);

 private:
  void onStateRead(const RadioState& state);
  void onCommandFinished(ControllerChannel::Outcome outcome, int value);
  // Sends the next action of the wanted rule when everything allows it.
  void step();
  // Why the wanted rule cannot be switched to now, or empty.
  QString holdReason() const;

  BandMap map_;
  FrequencySource& source_;
  ControllerChannel& channel_;
  TunerLookup lookup_;
  FollowOptions options_;
  QTimer pace_;

  std::optional<qint64> hz_;
  Transmit transmit_ = Transmit::Unknown;
  const BandRule* wanted_ = nullptr;   // the rule of the last frequency that one held
  const BandRule* applied_ = nullptr;  // the rule whose actions were all sent
  const BandRule* applying_ = nullptr;
  qsizetype nextAction_ = 0;
  BandAction sending_;
  QString lastHold_;  // the hold already reported for wanted_
};
