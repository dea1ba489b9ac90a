// orvd: the station hub. One process per station holds the one connection to the controller and
// serves every client on the controller's own line protocol.
#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

#include "allow_all_gate.h"
#include "controller_holder.h"
#include "core/follow/quit_on_signal.h"
#include "hub_options.h"
#include "line_port.h"

namespace {

// One line per event on standard error: the journal's under systemd.
void logEvent(const QString& text) {
  const QString line = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + text;
  std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
  std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("orvd"));
  HubOptions options;
  try {
    options = readHubOptions(app.arguments().mid(1));
  } catch (const HubExit& exit) {
    std::fprintf(exit.status == 0 ? stdout : stderr, "%s", exit.text.toLocal8Bit().constData());
    if (exit.status != 0) std::fprintf(stderr, "\n");
    return exit.status;
  }
  QuitOnSignal quit;

  ControllerHolder controller(options.host, options.port);
  AllowAllGate gate;
  LinePort linePort(controller.queue(), gate);
  QObject::connect(&controller, &ControllerHolder::event, &logEvent);
  QObject::connect(&linePort, &LinePort::event, &logEvent);
  if (!linePort.listen(options.listenAddress, options.listenPort)) {
    logEvent(QStringLiteral("cannot listen on %1: %2")
                 .arg(endpointText(options.listenAddress, options.listenPort), linePort.errorString()));
    return 2;
  }
  logEvent(QStringLiteral("orvd %1 for station %2, controller %3: listening on %4")
               .arg(QStringLiteral(ORVD_VERSION), options.station, controller.where(),
                    endpointText(linePort.address(), linePort.port())));
  controller.start();
  QCoreApplication::exec();
  logEvent(QStringLiteral("stopped"));
  return 0;
}
