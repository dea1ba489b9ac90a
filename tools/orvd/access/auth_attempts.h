#pragma once
// One connection's attempts to authenticate: each failure is answered later than the one before,
// the fifth closes the connection, and so does a deadline that passes before a token was taken.
#include <QObject>
#include <QTimer>

class AuthAttempts : public QObject {
  Q_OBJECT
 public:
  struct Options {
    int maxFailures = 5;
    int firstDelayMs = 500;  // doubled with every further failure
    int longestDelayMs = 8000;
    int deadlineMs = 30'000;
  };
  struct Verdict {
    int delayMs = 0;  // answer the failure this much later
    bool close = false;
  };

  explicit AuthAttempts(Options options, QObject* parent = nullptr);

  // For a connection that may do nothing until it authenticates: deadlinePassed() unless
  // succeeded() comes first.
  void startDeadline();
  Verdict failed();
  void succeeded();
  int failures() const { return failures_; }

 signals:
  void deadlinePassed();

 private:
  Options options_;
  int failures_ = 0;
  QTimer deadline_;
};
