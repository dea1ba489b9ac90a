#include "controller_sim.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("controller-sim"));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Plays the panel controller on TCP for the client."));
  parser.addHelpOption();
  addSimOptions(parser);
  parser.process(app);

  QString error;
  auto options = simOptionsFromParser(parser, &error);
  if (!options) {
    std::fprintf(stderr, "controller-sim: %s\n", qPrintable(error));
    return 2;
  }

  ControllerSim sim(std::move(*options));
  if (!sim.listen()) {
    std::fprintf(stderr, "controller-sim: cannot listen: %s\n", qPrintable(sim.errorString()));
    return 1;
  }
  std::printf("listening on %s:%u\n", qPrintable(sim.address().toString()), static_cast<unsigned>(sim.port()));
  std::fflush(stdout);
  return app.exec();
}
