#pragma once
// Follows the radio: once its frequency has rested in a rule's range for the settle time, sends the
// rule's actions in order, each checked against the panel's reply and followed by a pause; never
// while the radio transmits or may transmit. Before each command a rig is asked again whether it
// transmits, so a key-down in the middle of a rule stops it at once.
#include <QObject>
#include <QStringList>
#include <QTimer>

#include "core/follow/band_map.h"
#include "core/follow/frequency_source.h"
#include "core/link/request_queue.h"

struct FollowOptions {
  // Switch even when the radio never reports its transmit state. A known transmit still holds
  // until a receive is known, and a lost rig or logger link always holds.
  bool switchWithoutPtt = false;
  // Between one command's reply and the next command, as a user button replays.
  int paceMs = 100;
  // How long the frequency rests in a rule's range before the rule applies: turning the dial across
  // the bands sends nothing.
  int settleMs = 500;
  // Sends of one command at most until its panel reports the value.
  int attempts = 3;
};

class Follower : public QObject {
  Q_OBJECT
 public:
  // The controller's link is kept open by its owner (a Reconnector); commands go through `controller`.
  Follower(BandMap map, FrequencySource& source, RequestQueue& controller, TunerLookup lookup, FollowOptions options,
           QObject* parent = nullptr);

  // Starts the source.
  void start();

 signals:
  // One line for the operator per thing that happened, when it happened.
  void event(const QString& text);

 private:
  void onStateRead(const RadioState& state);
  void onSettled();
  void onControllerLink(bool up, const QString& detail);
  void onCommandFinished(const RequestResult& result);
  // Sends the next action of the wanted rule when everything allows it.
  void step();
  void finishRule();
  // The rule being applied is no longer wanted; says so when some of it went out.
  void dropRule(const QString& why);
  void nextAttempt(const QString& failure);
  // Why the wanted rule cannot be switched to now, or empty.
  QString holdReason() const;

  BandMap map_;
  FrequencySource& source_;
  RequestQueue& controller_;
  TunerLookup lookup_;
  FollowOptions options_;
  QTimer pace_;
  QTimer settle_;

  std::optional<qint64> hz_;
  Transmit transmit_ = Transmit::Unknown;
  bool lastKnownTransmitting_ = false;  // the last known state was transmit
  bool sourceUp_ = false;
  std::optional<bool> controllerUp_;     // unknown until the first attempt ends
  bool commandOut_ = false;              // a command waits for its result
  bool freshReading_ = false;            // a reading asked for right now says the way is clear
  bool awaitingReading_ = false;         // readNow() asked, its reading not yet here
  const BandRule* candidate_ = nullptr;  // the rule of the frequency now, resting for the settle time
  const BandRule* wanted_ = nullptr;     // the settled rule; nullptr: keep the panels as they are
  const BandRule* applied_ = nullptr;    // the rule whose every command a panel confirmed
  const BandRule* gaveUp_ = nullptr;     // tried to the last attempt; again once entered anew
  const BandRule* applying_ = nullptr;
  qsizetype nextAction_ = 0;
  int attempt_ = 0;
  QStringList failures_;
  std::optional<TunerMemory> sending_;  // the command out, as address and value
  QString lastHold_;                    // the hold already reported for wanted_
};
