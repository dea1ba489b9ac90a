#pragma once
// SIGINT and SIGTERM end the event loop through a pipe, so a long-running command stops between
// events and every destructor runs. The previous handlers come back afterwards.
#include <QSocketNotifier>

#include <csignal>
#include <memory>

class QuitOnSignal {
 public:
  QuitOnSignal();
  ~QuitOnSignal();
  QuitOnSignal(const QuitOnSignal&) = delete;
  QuitOnSignal& operator=(const QuitOnSignal&) = delete;
  bool installed() const { return notifier_ != nullptr; }
  // A signal came; for loops of their own that QCoreApplication::quit() does not end.
  bool requested() const { return requested_; }

 private:
  static void onSignal(int);

  static inline volatile std::sig_atomic_t writeEnd_ = -1;
  int fds_[2] = {-1, -1};
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
  std::unique_ptr<QSocketNotifier> notifier_;
  bool requested_ = false;
};
