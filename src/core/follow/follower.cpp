#include "core/follow/follower.h"

#include "core/link/protocol.h"

namespace {

QString hex(int address) { return "0x" + QString::number(address, 16).toUpper().rightJustified(2, u'0'); }

QString linkLine(const QString& name, bool up, const QString& detail) {
  return up ? name + " link up" : name + " link down: " + detail;
}

QString commandText(const TunerMemory& command) { return command::setValue(command.address, command.value).trimmed(); }

}  // namespace

Follower::Follower(BandMap map, FrequencySource& source, ControllerChannel& channel, TunerLookup lookup,
                   FollowOptions options, QObject* parent)
    : QObject(parent),
      map_(std::move(map)),
      source_(source),
      channel_(channel),
      lookup_(std::move(lookup)),
      options_(options) {
  pace_.setSingleShot(true);
  connect(&pace_, &QTimer::timeout, this, &Follower::step);
  settle_.setSingleShot(true);
  connect(&settle_, &QTimer::timeout, this, &Follower::onSettled);
  connect(&source_, &FrequencySource::stateRead, this, &Follower::onStateRead);
  connect(&source_, &FrequencySource::notice, this, &Follower::event);
  connect(&source_, &FrequencySource::linkChanged, this, [this](bool up, const QString& detail) {
    emit event(linkLine(source_.name(), up, detail));
    sourceUp_ = up;
    awaitingReading_ = false;
    // Whatever the radio does now is unknown until the source reads it again.
    if (!up) onStateRead({hz_, Transmit::Unknown});
  });
  connect(&channel_, &ControllerChannel::notice, this, &Follower::event);
  connect(&channel_, &ControllerChannel::finished, this, &Follower::onCommandFinished);
  connect(&channel_, &ControllerChannel::linkChanged, this, [this](bool up, const QString& detail) {
    emit event(linkLine(QStringLiteral("controller"), up, detail));
    step();
  });
}

void Follower::start() {
  source_.start();
  channel_.start();
}

void Follower::onStateRead(const RadioState& state) {
  if (state.transmit != transmit_) {
    transmit_ = state.transmit;
    emit event(transmit_ == Transmit::Transmitting ? QStringLiteral("transmitting")
               : transmit_ == Transmit::Receive    ? QStringLiteral("receiving")
                                                   : QStringLiteral("transmit state unknown"));
  }
  if (transmit_ != Transmit::Unknown) lastKnownTransmitting_ = transmit_ == Transmit::Transmitting;
  if (state.requested) {
    awaitingReading_ = false;
    freshReading_ = true;
  }
  if (state.hz && state.hz != hz_) {
    hz_ = state.hz;
    const BandRule* rule = map_.ruleFor(*hz_);
    emit event("frequency " + formatKhz(*hz_) + " kHz, " +
               (rule ? "rule " + rule->describe() : QStringLiteral("no rule: keeping the last setting")));
    if (rule != candidate_) {
      // Nothing is wanted until the new frequency has rested; a rule left half-sent stays so.
      candidate_ = rule;
      wanted_ = nullptr;
      gaveUp_ = nullptr;
      lastHold_.clear();
      if (applying_) dropRule(QStringLiteral("the frequency left its range"));
      settle_.start(options_.settleMs);
    }
  }
  step();
}

void Follower::onSettled() {
  wanted_ = candidate_;
  lastHold_.clear();
  step();
}

QString Follower::holdReason() const {
  if (transmit_ == Transmit::Transmitting) return QStringLiteral("the radio is transmitting");
  if (!sourceUp_) return "the " + source_.name() + " link is down";
  if (transmit_ == Transmit::Unknown) {
    if (lastKnownTransmitting_)
      return QStringLiteral("the radio was transmitting when last heard and its transmit state cannot be read");
    if (!options_.switchWithoutPtt) return QStringLiteral("the transmit state cannot be read");
  }
  if (!channel_.isConnected()) return QStringLiteral("the controller link is down");
  return {};
}

void Follower::step() {
  if (channel_.isBusy() || pace_.isActive() || awaitingReading_) return;
  if (!wanted_ || wanted_ == applied_ || wanted_ == gaveUp_) return;
  const QString hold = holdReason();
  if (!hold.isEmpty()) {
    freshReading_ = false;
    if (hold == lastHold_) return;
    lastHold_ = hold;
    if (applying_ == wanted_ && nextAction_ > 0)
      emit event(QStringLiteral("%1 paused after %2 of %3 commands: %4")
                     .arg(wanted_->describe())
                     .arg(nextAction_)
                     .arg(wanted_->actions.size())
                     .arg(hold));
    else
      emit event("switch to " + wanted_->describe() + " deferred: " + hold);
    return;
  }
  if (applying_ != wanted_) {
    applying_ = wanted_;
    nextAction_ = 0;
    attempt_ = 0;
    failures_.clear();
  }
  for (; nextAction_ < applying_->actions.size(); ++nextAction_) {
    const BandAction& action = applying_->actions[nextAction_];
    if (action.kind == BandAction::Kind::Panel) {
      sending_ = TunerMemory{action.address, action.value};
      break;
    }
    if ((sending_ = sendableTunerMemory(lookup_, action.tuner, action.memory))) break;
    const QString failure =
        QStringLiteral("tuner %1 memory %2 has no setting to send").arg(action.tuner).arg(action.memory);
    emit event(failure + ": skipped");
    failures_.append(failure);
  }
  if (nextAction_ == applying_->actions.size()) {
    finishRule();
    return;
  }
  // The transmit state of this moment, not of the last poll, lets a command go.
  if (source_.readsOnRequest() && !freshReading_) {
    awaitingReading_ = true;
    source_.readNow();
    return;
  }
  freshReading_ = false;
  lastHold_.clear();
  // From the first command on, the panels no longer match the rule applied before.
  applied_ = nullptr;
  emit event(
      "sent " + commandText(*sending_) +
      (attempt_ > 0 ? QStringLiteral(" (attempt %1 of %2)").arg(attempt_ + 1).arg(options_.attempts) : QString()));
  channel_.setValue(sending_->address, sending_->value);
}

void Follower::finishRule() {
  if (failures_.isEmpty()) {
    applied_ = applying_;
    emit event("applied " + applied_->describe());
  } else {
    gaveUp_ = applying_;
    emit event(applying_->describe() + " not applied: " + failures_.join(QStringLiteral("; ")));
  }
  applying_ = nullptr;
}

void Follower::dropRule(const QString& why) {
  if (nextAction_ > 0 || channel_.isBusy())
    emit event(QStringLiteral("%1 stopped after %2 of %3 commands: %4")
                   .arg(applying_->describe())
                   .arg(nextAction_)
                   .arg(applying_->actions.size())
                   .arg(why));
  applying_ = nullptr;
}

void Follower::onCommandFinished(ControllerChannel::Outcome outcome, int value) {
  const TunerMemory sent = *sending_;
  switch (outcome) {
    case ControllerChannel::Outcome::Answered:
      if (value == sent.value) {
        emit event(QStringLiteral("panel %1 confirmed %2").arg(hex(sent.address)).arg(value));
        if (applying_) {
          ++nextAction_;
          attempt_ = 0;
        }
      } else {
        nextAttempt(QStringLiteral("panel %1 answered %2, not %3").arg(hex(sent.address)).arg(value).arg(sent.value));
      }
      break;
    case ControllerChannel::Outcome::NoReply: nextAttempt("no reply from panel " + hex(sent.address)); break;
    case ControllerChannel::Outcome::LinkLost:
      // Sent again once the link is back; the controller link's own line says why.
      break;
  }
  pace_.start(options_.paceMs);
}

void Follower::nextAttempt(const QString& failure) {
  if (!applying_) {
    emit event(failure);
    return;
  }
  if (++attempt_ < options_.attempts) {
    emit event(failure + ": sending it again");
    return;
  }
  emit event(QStringLiteral("%1: gave up after %2 attempts").arg(failure).arg(options_.attempts));
  failures_.append(failure);
  ++nextAction_;
  attempt_ = 0;
}
