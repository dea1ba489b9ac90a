#include "core/follow/quit_on_signal.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <unistd.h>

QuitOnSignal::QuitOnSignal() {
  if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  writeEnd_ = fds_[1];
  struct sigaction action {};
  action.sa_handler = &QuitOnSignal::onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &oldInt_);
  sigaction(SIGTERM, &action, &oldTerm_);
  notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
    char byte;
    while (::read(fds_[0], &byte, 1) > 0) {
    }
    requested_ = true;
    QCoreApplication::quit();
  });
}

QuitOnSignal::~QuitOnSignal() {
  if (!notifier_) return;
  sigaction(SIGINT, &oldInt_, nullptr);
  sigaction(SIGTERM, &oldTerm_, nullptr);
  writeEnd_ = -1;
  notifier_.reset();
  ::close(fds_[0]);
  ::close(fds_[1]);
}

void QuitOnSignal::onSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(writeEnd_, &byte, 1);
}
