#include "e2e/app_fixture.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "link/controller_link.h"
#include "link/u_frmTCPIP.h"
#include "model/system_table.h"

AppFixture::AppFixture() {
  resetProgramState();
  dialogs::install(&recorder);
  clock_.start();
}

AppFixture::~AppFixture() {
  window_.reset();
  dialogs::install(nullptr);
  resetProgramState();
}

void AppFixture::start(SimOptions options) {
  options.port = 0;
  options.echo = false;
  sim_ = std::make_unique<ControllerSim>(options);
  QVERIFY2(sim_->listen(), qPrintable(sim_->errorString()));
  QObject::connect(sim_.get(), &ControllerSim::lineReceived, sim_.get(),
                   [this](const QByteArray& line) { received.append({clock_.elapsed(), line}); });
  startProgram();
  window_->frmTCPIP->lePort->setText(QString::number(sim_->port()));
}

void AppFixture::startProgram() {
  window_ = std::make_unique<TfrmMain>(dir_.path());
  window_->show();
}

void AppFixture::connectToController() {
  window_->btnConn_DisConn->click();
  QTRY_VERIFY(window_->link->isConnected());
  QTRY_COMPARE(sim_->clientCount(), 1);
}

void AppFixture::scan() { window_->btnScan->click(); }
