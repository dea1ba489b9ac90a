#pragma once
// The controller link of one orvctl run: whole lines only, every wait limited by the timeout, only
// a line that came after the command counts as its reply, and every way it can go wrong ends the
// command with its exit status and one line that says what failed.
#include <QByteArray>
#include <QStringList>

#include <functional>
#include <optional>

#include "core/link/controller_socket.h"

// The exit statuses of orvctl.
enum ExitStatus { Done = 0, BadUse = 1, NoConnection = 2, NoReply = 3, OtherAnswer = 4, OutputFailed = 5 };

struct CommandFailure {
  ExitStatus status;
  QString message;
};

class OrvctlLink {
 public:
  // `traffic`, when set, is told every line sent ("> ...") and received ("< ...").
  OrvctlLink(QString host, int port, int timeoutMs, std::function<void(const QString&)> traffic = {});
  ~OrvctlLink();

  // Opens the connection the first time (NoConnection naming the address, the port and the system's
  // reason) and lets a greeting pass; NoConnection once that connection is lost.
  void open();
  void close();
  bool isOpen() const;

  // Sends one command line (CR LF added); what arrived before it is no reply to it.
  void send(const QString& command);
  // The next whole line after the last command that `accept` takes (others are passed over).
  // NoReply after the timeout, NoConnection when the connection is lost, OtherAnswer for a line
  // longer than any reply.
  QString waitForLine(const std::function<bool(const QString& line)>& accept, const QString& what);
  // The value that panel `address` reports in a status reply after the last command; OtherAnswer
  // when its reply is not a number.
  int waitForStatus(int address);
  // Holds until `ms` after the last command was sent, as the program's poll and replay do.
  void pause(int ms);

  QString where() const;

 private:
  void readLines();
  // Runs the event loop until something arrives, the connection ends or `ms` pass.
  void waitForBytes(int ms);
  // "connection to ... lost " and when.
  [[noreturn]] void lost(const QString& when) const;

  QString host_;
  int port_;
  int timeoutMs_;
  std::function<void(const QString&)> traffic_;
  ControllerSocket socket_;
  QByteArray pending_;
  QStringList lines_;
  qint64 lastSendMs_ = -1;
  bool opened_ = false;
  std::optional<CommandFailure> readFailure_;
};
