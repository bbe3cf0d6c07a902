#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include "core/Clock.h"
#include "sim/MemoryLine.h"
#include "sim/SimBus.h"
#include "tools/CliTool.h"

// tarvix-cli run in a temporary working directory on the simulated bus and virtual time, its
// standard output and error kept for the test. A test's own SetUp calls this one first.
class CliFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = QDir::currentPath();
    QDir::setCurrent(dir.path());
  }
  void TearDown() override { QDir::setCurrent(previous_); }
  int run(const QStringList& args) {
    out.clear();
    err.clear();
    QTextStream o(&out), e(&err);
    line.close();  // the tool opens the port itself
    return CliTool(o, e, &line, &clock).run(args);
  }

  QTemporaryDir dir;
  VirtualClock clock;
  SimBus bus;
  MemoryLine line{bus, clock};
  QString out, err;

 private:
  QString previous_;
};
