#include "access/auth_attempts.h"

#include <algorithm>

AuthAttempts::AuthAttempts(Options options, QObject* parent) : QObject(parent), options_(options) {
  deadline_.setSingleShot(true);
  connect(&deadline_, &QTimer::timeout, this, &AuthAttempts::deadlinePassed);
}

void AuthAttempts::startDeadline() { deadline_.start(options_.deadlineMs); }

AuthAttempts::Verdict AuthAttempts::failed() {
  ++failures_;
  if (failures_ >= options_.maxFailures) return {0, true};
  // Doubling stops at the cap long before it could overflow.
  qint64 delay = options_.firstDelayMs;
  for (int i = 1; i < failures_ && delay < options_.longestDelayMs; ++i) delay *= 2;
  return {static_cast<int>(std::min<qint64>(delay, options_.longestDelayMs)), false};
}

void AuthAttempts::succeeded() {
  failures_ = 0;
  deadline_.stop();
}
