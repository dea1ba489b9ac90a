#include "e2e/app_fixture.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "core/link/controller_link.h"
#include "gui/link/u_frmTCPIP.h"
#include "core/model/system_table.h"

AppFixture::AppFixture() { clock_.start(); }

AppFixture::~AppFixture() {
  window_.reset();
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished();
  }
}

void AppFixture::start(SimOptions options) {
  options.port = 0;
  options.echo = false;
  sim_ = std::make_unique<ControllerSim>(options);
  QVERIFY2(sim_->listen(), qPrintable(sim_->errorString()));
  QObject::connect(sim_.get(), &ControllerSim::lineReceived, sim_.get(), [this](const QByteArray& line) {
    received.append({clock_.elapsed(), line});
  });
  startProgram();
  window_->frmTCPIP->lePort->setText(QString::number(sim_->port()));
}

void AppFixture::startProgram() {
  window_ = std::make_unique<TfrmMain>(dir_.path());
  window_->show();
}

void AppFixture::startControllerProcess(const QStringList& options) {
  process_.setProgram(QCoreApplication::applicationDirPath() + QStringLiteral("/controller-sim"));
  process_.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options);
  process_.start();
  QVERIFY(process_.waitForReadyRead(10000));
  const QByteArray first = process_.readLine();
  QVERIFY2(first.startsWith("listening on 127.0.0.1:"), first.constData());
  startProgram();
  window_->frmTCPIP->lePort->setText(QString::fromLatin1(first.trimmed().split(':').last()));
  window_->btnConn_DisConn->click();
  QTRY_VERIFY(window_->link->isConnected());
}

void AppFixture::connectToController() {
  window_->btnConn_DisConn->click();
  QTRY_VERIFY(window_->link->isConnected());
  QTRY_COMPARE(sim_->clientCount(), 1);
}

void AppFixture::scan() { window_->btnScan->click(); }
