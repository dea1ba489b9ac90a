#include "core/follow/follower.h"

#include "core/follow/printable.h"
#include "core/link/controller_link.h"
#include "core/link/protocol.h"

namespace {

QString hex(int address) { return "0x" + QString::number(address, 16).toUpper().rightJustified(2, u'0'); }

QString linkLine(const QString& name, bool up, const QString& detail) {
  return up ? name + " link up" : name + " link down: " + detail;
}

QString commandText(const TunerMemory& command) { return command::setValue(command.address, command.value).trimmed(); }

}  // namespace

Follower::Follower(BandMap map, FrequencySource& source, RequestQueue& controller, TunerLookup lookup,
                   FollowOptions options, QObject* parent)
    : QObject(parent),
      map_(std::move(map)),
      source_(source),
      controller_(controller),
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
  connect(&controller_, &RequestQueue::lineTooLong, this, [this](const QString& start) {
    emit event("the controller sent an over-long line: " + printable(QStringView(start).left(40)) + "...");
  });
  const ControllerLink& link = controller_.link();
  connect(&link, &ControllerLink::opened, this, [this] { onControllerLink(true, {}); });
  connect(&link, &ControllerLink::attemptFailed, this,
          [this](int, const QString& reason) { onControllerLink(false, reason); });
  connect(&link, &ControllerLink::closed, this,
          [this] { onControllerLink(false, QStringLiteral("the controller closed the connection")); });
}

void Follower::start() { source_.start(); }

// Every connection is told; a failed attempt only when the link was not already known to be down.
void Follower::onControllerLink(bool up, const QString& detail) {
  if (!up && controllerUp_ == false) return;
  controllerUp_ = up;
  emit event(linkLine(QStringLiteral("controller"), up, detail));
  step();
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
  if (!controller_.link().isConnected()) return QStringLiteral("the controller link is down");
  return {};
}

void Follower::step() {
  if (commandOut_ || pace_.isActive() || awaitingReading_) return;
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
  commandOut_ = true;
  controller_.submit(Request::set(sending_->address, sending_->value), this,
                     [this](const RequestResult& result) { onCommandFinished(result); });
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
  if (nextAction_ > 0 || commandOut_)
    emit event(QStringLiteral("%1 stopped after %2 of %3 commands: %4")
                   .arg(applying_->describe())
                   .arg(nextAction_)
                   .arg(applying_->actions.size())
                   .arg(why));
  applying_ = nullptr;
}

void Follower::onCommandFinished(const RequestResult& result) {
  commandOut_ = false;
  const TunerMemory sent = *sending_;
  const QString noReply = "no reply from panel " + hex(sent.address);
  if (!result.failure) {
    if (result.value == sent.value) {
      emit event(QStringLiteral("panel %1 confirmed %2").arg(hex(sent.address)).arg(result.value));
      if (applying_) {
        ++nextAction_;
        attempt_ = 0;
      }
    } else {
      nextAttempt(
          QStringLiteral("panel %1 answered %2, not %3").arg(hex(sent.address)).arg(result.value).arg(sent.value));
    }
  } else {
    switch (result.failure->kind) {
      case RequestFailure::Kind::ConnectionLost:
      case RequestFailure::Kind::NoConnection:
        // Sent again once the link is back; the controller link's own line says why.
        break;
      case RequestFailure::Kind::BadReply:
        emit event("the controller sent a bad reply: " + printable(result.failure->message));
        nextAttempt(noReply);
        break;
      case RequestFailure::Kind::LineTooLong:  // said as it came
      case RequestFailure::Kind::NoReply:
      case RequestFailure::Kind::QueueFull: nextAttempt(noReply); break;
    }
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
