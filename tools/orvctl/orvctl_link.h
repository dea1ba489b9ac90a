#pragma once
// The controller link for one command line: every wait has a time limit, and every way it can go
// wrong ends the command with its exit status and one line that says what failed.
#include <QString>

#include <functional>

#include "link/controller_link.h"
#include "link/protocol.h"

// The exit statuses of orvctl.
enum ExitStatus { Done = 0, BadUse = 1, NoConnection = 2, NoReply = 3, OtherAnswer = 4 };

struct CommandFailure {
  ExitStatus status;
  QString message;
};

class OrvctlLink {
 public:
  OrvctlLink(QString host, int port, int timeoutMs);

  // Throws CommandFailure(NoConnection) naming the address, the port and the system's reason.
  void open();
  void close();

  void send(const QString& command);
  // Waits for the next chunk that `accept` takes (others are passed over); throws NoReply after
  // the time limit, NoConnection when the connection is lost, OtherAnswer for a reply that fails
  // the integer rule.
  QString waitFor(const std::function<bool(const QString& chunk)>& accept, const QString& what);
  // The value that panel `address` reports in the next chunk holding a status reply for it.
  int waitForStatus(int address);
  // Holds the thread as the program's poll and replay do.
  void pause(int ms);

  QString where() const;

 private:
  ControllerLink link_;
  QString host_;
  int port_;
  int timeoutMs_;
};
