#include "follow/follower.h"

#include "link/protocol.h"

namespace {

QString hex(int address) { return "0x" + QString::number(address, 16).toUpper().rightJustified(2, u'0'); }

QString linkLine(const QString& name, bool up, const QString& detail) {
  return up ? name + " link up" : name + " link down: " + detail;
}

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
  connect(&source_, &FrequencySource::stateRead, this, &Follower::onStateRead);
  connect(&source_, &FrequencySource::notice, this, &Follower::event);
  connect(&source_, &FrequencySource::linkChanged, this, [this](bool up, const QString& detail) {
    emit event(linkLine(source_.name(), up, detail));
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
  if (state.hz && state.hz != hz_) {
    hz_ = state.hz;
    const BandRule* rule = map_.ruleFor(*hz_);
    emit event("frequency " + formatKhz(*hz_) + " kHz, " +
               (rule ? "rule " + rule->describe() : QStringLiteral("no rule: keeping the last setting")));
    if (rule && rule != wanted_) {
      wanted_ = rule;
      lastHold_.clear();
    }
  }
  step();
}

QString Follower::holdReason() const {
  if (transmit_ == Transmit::Transmitting) return QStringLiteral("the radio is transmitting");
  if (transmit_ == Transmit::Unknown && !options_.switchWithoutPtt)
    return QStringLiteral("the transmit state cannot be read");
  if (!channel_.isConnected()) return QStringLiteral("the controller link is down");
  return {};
}

void Follower::step() {
  if (channel_.isBusy() || pace_.isActive() || !wanted_ || wanted_ == applied_) return;
  const QString hold = holdReason();
  if (!hold.isEmpty()) {
    if (hold != lastHold_) emit event("switch to " + wanted_->describe() + " deferred: " + hold);
    lastHold_ = hold;
    return;
  }
  lastHold_.clear();
  if (applying_ != wanted_) {
    // From the first command on, the panels no longer match the rule applied before.
    applied_ = nullptr;
    applying_ = wanted_;
    nextAction_ = 0;
  }
  for (; nextAction_ < applying_->actions.size(); ++nextAction_) {
    const BandAction& action = applying_->actions[nextAction_];
    if (action.kind == BandAction::Kind::Panel) {
      sending_ = action;
    } else if (const auto memory = sendableTunerMemory(lookup_, action.tuner, action.memory)) {
      sending_ = {BandAction::Kind::Panel, memory->address, memory->value, 0, 0};
    } else {
      emit event(
          QStringLiteral("tuner %1 memory %2 has no setting to send: skipped").arg(action.tuner).arg(action.memory));
      continue;
    }
    channel_.setValue(sending_.address, sending_.value);
    return;
  }
  applied_ = applying_;
  applying_ = nullptr;
  emit event("applied " + applied_->describe());
}

void Follower::onCommandFinished(ControllerChannel::Outcome outcome, int value) {
  const QString sent = command::setValue(sending_.address, sending_.value).trimmed();
  switch (outcome) {
    case ControllerChannel::Outcome::Answered:
      emit event("sent " + sent + ", panel " + hex(sending_.address) + " answered " + QString::number(value));
      ++nextAction_;
      break;
    case ControllerChannel::Outcome::NoReply:
      emit event("sent " + sent + ", no reply from panel " + hex(sending_.address));
      ++nextAction_;
      break;
    case ControllerChannel::Outcome::LinkLost:
      // Sent again once the link is back.
      break;
  }
  pace_.start(options_.paceMs);
}
