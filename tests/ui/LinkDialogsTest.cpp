// The link settings dialogs as the user meets them: filled from mem.ini or from the module,
// checked on OK, and what they leave behind.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include "app/AppContext.h"
#include "link/ui/LinkSettingsActions.h"
#include "link/ui/LinkSettingsDialog.h"
#include "link/ui/ProgramSettingsDialog.h"
#include "support/ScriptedLine.h"
#include "support/TypedInputs.h"
#include "ui/ModalAnswerer.h"

namespace {

class LinkDialogsTest : public ::testing::Test {
 protected:
  // mem.ini is written before the core reads it.
  void start(const QByteArray& memIni = QByteArray()) {
    ASSERT_TRUE(dir_.isValid());
    QFile file(memPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(memIni);
    file.close();
    core_ = std::make_unique<AppContext>(dir_.path(), prompter_,
                                         std::make_unique<ScriptedLine>(clock_), clock_);
    // The window's poll timer, as the dialogs switch it.
    QObject::connect(&core_->status, &StatusLine::pollTimerChanged,
                     [this](bool on) { timerSwitches_.push_back(on); });
  }
  // The poll timer stood still while the dialog was open and runs again.
  bool timerStoppedAndRestarted() const {
    return timerSwitches_.size() >= 2 && !timerSwitches_.front() && timerSwitches_.back();
  }
  QString memPath() const { return QDir(dir_.path()).filePath("mem.ini"); }
  QByteArray memOnDisk() const {
    QFile file(memPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  SettingsStore fileStore() const { return SettingsStore(memPath()); }

  QTemporaryDir dir_;
  VirtualClock clock_;
  RecordingPrompter prompter_;
  std::unique_ptr<AppContext> core_;
  std::vector<bool> timerSwitches_;
};

// Runs the event loop until `done` holds (at most about 5 s).
void waitFor(const std::function<bool()>& done) {
  for (int i = 0; i < 500 && !done(); ++i) {
    QEventLoop slice;
    QTimer::singleShot(10, &slice, &QEventLoop::quit);
    slice.exec();
  }
}

// Acts once on the first LinkSettingsDialog (or ProgramSettingsDialog) that becomes modal.
template <typename Dialog>
class OnDialog {
 public:
  explicit OnDialog(std::function<void(Dialog&)> action)
      : answerer_([this, action](QWidget* modal) {
          auto* dialog = qobject_cast<Dialog*>(modal);
          if (!dialog || done_) return;
          done_ = true;
          action(*dialog);
        }) {}
  bool seen() const { return done_; }

 private:
  bool done_ = false;
  ModalAnswerer answerer_;
};

struct Shown {
  QString adr, port, send, sleep, receive, cto1, cto5, group, ok;
  int speed = -2, parity = -2, stops = -2;
  bool stopsVisible = false, portVisible = false, timingVisible = false, timingEditable = true;
};

Shown shownBy(const LinkSettingsDialog& d) {
  Shown s;
  s.adr = d.editAdr()->text();
  s.speed = d.speedBox()->currentIndex();
  s.parity = d.parityBox()->currentIndex();
  s.stops = d.comboBoxStops()->currentIndex();
  s.port = d.portBox()->currentText();
  s.send = d.editSend()->text();
  s.sleep = d.editSleep()->text();
  s.receive = d.editReceive()->text();
  s.cto1 = d.readIntervalEdit()->text();
  s.cto5 = d.writeTotalConstantEdit()->text();
  s.group = d.linkGroup()->title();
  s.ok = d.okBtn()->text();
  s.stopsVisible = d.comboBoxStops()->isVisible() && d.stopBitsLabel()->isVisible();
  s.portVisible = d.portBox()->isVisible() && d.portLabel()->isVisible();
  s.timingVisible = d.timingGroup()->isVisible();
  s.timingEditable = d.readIntervalEdit()->isEnabled();
  for (QLineEdit* e :
       {d.editSend(), d.editSleep(), d.editReceive(), d.readTotalPerByteEdit(),
        d.readTotalConstantEdit(), d.writeTotalPerByteEdit(), d.writeTotalConstantEdit()})
    if (e->isEnabled()) s.timingEditable = false;
  return s;
}

TEST_F(LinkDialogsTest, ProgramLinkDialogShowsMemIniAndStoresItOnOk) {
  const QString pty = QDir(dir_.path()).filePath("ttySIM");
  start(QStringLiteral("[connect]\r\nadr=12\r\nspeed=2\r\nparity=1\r\nstopbits=0\r\nport=%1\r\n"
                       "send=40\r\nsleep=60\r\nreceive=45\r\ncto1=20\r\ncto2=0\r\ncto3=900\r\n"
                       "cto4=100\r\ncto5=800\r\n")
            .arg(pty)
            .toUtf8());
  const QByteArray before = memOnDisk();
  Shown shown;
  QStringList ports;
  OnDialog<LinkSettingsDialog> answer([&](LinkSettingsDialog& d) {
    shown = shownBy(d);
    for (int i = 0; i < d.portBox()->count(); ++i) ports << d.portBox()->itemText(i);
    d.okBtn()->click();
  });
  programLinkSettings(nullptr, core_->link());
  ASSERT_TRUE(answer.seen());
  EXPECT_EQ(shown.adr, "12");
  EXPECT_EQ(shown.speed, 2);
  EXPECT_EQ(shown.parity, 1);
  EXPECT_EQ(shown.stops, 0);
  EXPECT_EQ(shown.port, pty);  // a pty the system does not list stays chosen
  EXPECT_EQ(shown.send, "40");
  EXPECT_EQ(shown.sleep, "60");
  EXPECT_EQ(shown.receive, "45");
  EXPECT_EQ(shown.cto1, "20");
  EXPECT_EQ(shown.cto5, "800");
  EXPECT_EQ(shown.group, "Настройки связи программы");
  EXPECT_EQ(shown.ok, "OK");
  EXPECT_TRUE(shown.stopsVisible);
  EXPECT_TRUE(shown.portVisible);
  EXPECT_TRUE(shown.timingVisible);
  EXPECT_TRUE(shown.timingEditable);  // cto1 alone
  EXPECT_EQ(ports.mid(0, 20).first(), "COM1");
  EXPECT_EQ(ports.mid(0, 20).last(), "COM20");

  // Unchanged values are stored as they were, and the port is reopened all the same.
  EXPECT_EQ(memOnDisk(), before);
  EXPECT_TRUE(core_->flags.portReopenRequest);
  EXPECT_TRUE(timerStoppedAndRestarted());
}

TEST_F(LinkDialogsTest, ProgramLinkDialogDefaultsAndChangedValues) {
  start();
  Shown shown;
  bool fastShown = false;
  QString fastText;
  OnDialog<LinkSettingsDialog> answer([&](LinkSettingsDialog& d) {
    shown = shownBy(d);
    d.editAdr()->setText("5");
    d.speedBox()->setCurrentIndex(4);
    d.portBox()->setCurrentText("/dev/ttyUSB7");
    d.readIntervalEdit()->setText("15");
    fastShown = d.fastBox()->isVisible() && !d.fastBox()->isChecked() && !d.echoBox()->isChecked();
    fastText = d.fastBox()->text();
    d.fastBox()->setChecked(true);
    d.okBtn()->click();
  });
  programLinkSettings(nullptr, core_->link());
  EXPECT_TRUE(fastShown);
  EXPECT_EQ(fastText, "Быстрый обмен");
  EXPECT_EQ(shown.adr, "100");
  EXPECT_EQ(shown.speed, 0);
  EXPECT_EQ(shown.parity, 0);
  EXPECT_EQ(shown.stops, 1);
  EXPECT_EQ(shown.port, "");
  EXPECT_EQ(shown.send, "50");
  EXPECT_EQ(shown.sleep, "70");
  EXPECT_EQ(shown.receive, "50");
  EXPECT_EQ(shown.cto1, "10");
  EXPECT_EQ(shown.cto5, "1000");
  const SettingsStore mem = fileStore();
  EXPECT_EQ(mem.readString("connect", "adr", "-"), "5");
  EXPECT_EQ(mem.readString("connect", "speed", "-"), "4");
  EXPECT_EQ(mem.readString("connect", "stopbits", "-"), "1");
  EXPECT_EQ(mem.readString("connect", "port", "-"), "/dev/ttyUSB7");
  EXPECT_EQ(mem.readString("connect", "cto1", "-"), "15");
  EXPECT_EQ(mem.readString("connect", "cto3", "-"), "1000");
  EXPECT_EQ(mem.readString("connect", "fast", "-"), "1");
  EXPECT_EQ(mem.readString("connect", "echo", "-"), "-");  // unchanged, not written
}

TEST_F(LinkDialogsTest, RefusedEntriesCloseTheDialogAndStoreNothing) {
  struct Case {
    QByteArray memIni;
    QString typedAddress;
    QString message;
  };
  const Case cases[] = {
      {"[connect]\r\nadr=12\r\n", "1a", "Некорректное значение адреса модуля"},
      {"[connect]\r\nsend=5O\r\n", "", "Некорректное значение параметра Send"},
      {"[connect]\r\nsleep=\r\n", "", "Некорректное значение Sleep"},
      {"[connect]\r\nreceive=0x\r\n", "", "Некорректное значение Receive"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message.toStdString());
    start(c.memIni);
    const QByteArray before = memOnDisk();
    MessageBoxAnswerer boxes;
    bool stillOpen = true;
    OnDialog<LinkSettingsDialog> answer([&](LinkSettingsDialog& d) {
      if (!c.typedAddress.isEmpty()) d.editAdr()->setText(c.typedAddress);
      d.okBtn()->click();
      stillOpen = d.isVisible();
    });
    programLinkSettings(nullptr, core_->link());
    ASSERT_TRUE(answer.seen());
    EXPECT_FALSE(stillOpen);
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].title, "Ошибка");
    EXPECT_EQ(boxes.seen()[0].text, c.message);
    EXPECT_EQ(memOnDisk(), before);
    EXPECT_FALSE(core_->flags.portReopenRequest);
    EXPECT_TRUE(timerStoppedAndRestarted());
  }
}

TEST_F(LinkDialogsTest, CancelStoresNothing) {
  start("[connect]\r\nadr=12\r\n");
  const QByteArray before = memOnDisk();
  OnDialog<LinkSettingsDialog> answer([](LinkSettingsDialog& d) {
    d.editAdr()->setText("13");
    d.cancelBtn()->click();
  });
  programLinkSettings(nullptr, core_->link());
  EXPECT_EQ(memOnDisk(), before);
  EXPECT_FALSE(core_->flags.portReopenRequest);
}

TEST_F(LinkDialogsTest, ProgramSettingsKeepTheWindowOpenOnABadPeriod) {
  start("[measure]\r\nperiod=1000\r\ntype=0\r\n");
  MessageBoxAnswerer boxes;
  bool openAfterBadPeriod = false;
  QString periodShown;
  ModalAnswerer answer([&](QWidget* modal) {
    auto* form = qobject_cast<ProgramSettingsDialog*>(modal);
    if (!form) return;
    if (periodShown.isEmpty()) {
      periodShown = form->periodEdit()->text();
      form->periodEdit()->setText("1 000");
      form->okButton()->click();
      openAfterBadPeriod = form->isVisible();
      return;
    }
    form->periodEdit()->setText("500");
    form->comboBoxType()->setCurrentIndex(1);
    form->okButton()->click();
  });
  programSettings(nullptr, core_->link());
  EXPECT_EQ(periodShown, "1000");
  EXPECT_TRUE(openAfterBadPeriod);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].title, "Ошибка");
  EXPECT_EQ(boxes.seen()[0].text, "Некорректное значение периода опроса");
  EXPECT_EQ(fileStore().readString("measure", "period", "-"), "500");
  EXPECT_EQ(fileStore().readString("measure", "type", "-"), "1");
  EXPECT_TRUE(core_->requests.identify);  // the worker identifies again for the new names
  EXPECT_TRUE(timerStoppedAndRestarted());
}

TEST_F(LinkDialogsTest, ProgramSettingsWithTheSameDriveTypeAskNoIdentification) {
  start("[measure]\r\ntype=1\r\n");
  OnDialog<ProgramSettingsDialog> answer([](ProgramSettingsDialog& form) {
    EXPECT_EQ(form.comboBoxType()->currentIndex(), 1);
    EXPECT_EQ(form.periodEdit()->text(), "1000");
    form.periodEdit()->setText("250");
    form.okButton()->click();
  });
  programSettings(nullptr, core_->link());
  EXPECT_FALSE(core_->requests.identify);

  OnDialog<ProgramSettingsDialog> cancel([](ProgramSettingsDialog& form) {
    form.periodEdit()->setText("9");
    form.comboBoxType()->setCurrentIndex(0);
    form.cancelButton()->click();
  });
  programSettings(nullptr, core_->link());
  EXPECT_FALSE(core_->requests.identify);
  EXPECT_EQ(fileStore().readString("measure", "period", "-"), "250");
}

TEST_F(LinkDialogsTest, ModuleDialogHasStopBitsFromFirmware202) {
  struct Case {
    int firmware;
    bool stops;
  };
  for (const Case c : {Case{201, false}, Case{202, true}}) {
    SCOPED_TRACE(c.firmware);
    start();
    core_->flags.firmwareVersion = c.firmware;
    // The worker's side: serves the read request as a good pass would.
    QTimer worker;
    QObject::connect(&worker, &QTimer::timeout, [&] {
      if (!core_->requests.module[RequestFlags::LinkParamsRead]) return;
      const uint16_t registers[] = {100, 3, 2, 1};
      core_->linkParams.storeRead(registers, c.stops ? 4 : 3);
      core_->requests.module[RequestFlags::LinkParamsRead] = false;
      emit core_->requests.served(RequestFlags::LinkParamsRead, true);
    });
    worker.start(1);
    Shown shown;
    OnDialog<LinkSettingsDialog> answer([&](LinkSettingsDialog& d) {
      shown = shownBy(d);
      d.editAdr()->setText("101");
      d.parityBox()->setCurrentIndex(0);
      d.okBtn()->click();  // send, sleep and receive are not checked here
    });
    ModuleLinkSettings settings(nullptr, core_->link(), core_->linkParams);
    settings.ButtonShowConnectClick();
    waitFor([&] { return answer.seen(); });
    ASSERT_TRUE(answer.seen());
    EXPECT_EQ(shown.stopsVisible, c.stops);
    EXPECT_FALSE(shown.portVisible);
    EXPECT_FALSE(shown.timingVisible);
    EXPECT_EQ(shown.group, "Настройки связи модуля");
    EXPECT_EQ(shown.ok, "Записать");
    EXPECT_EQ(shown.adr, "100");
    EXPECT_EQ(shown.speed, 3);
    EXPECT_EQ(shown.parity, 2);
    EXPECT_EQ(shown.stops, c.stops ? 1 : 0);

    EXPECT_TRUE(core_->requests.module[RequestFlags::LinkParamsWrite]);
    const ModuleLinkParams::Entry entry = core_->linkParams.entry();
    EXPECT_EQ(entry.address, "101");
    EXPECT_EQ(entry.speed, 3);
    EXPECT_EQ(entry.parity, 0);
    EXPECT_EQ(entry.stopBits, c.stops ? 1 : 0);  // register 3 is not read before 202
    EXPECT_EQ(memOnDisk(), QByteArray());        // the worker stores what it wrote, not the dialog
  }
}

TEST_F(LinkDialogsTest, ModuleDialogWithAnAddressLetterRequestsNoWrite) {
  start();
  core_->flags.firmwareVersion = 205;
  QTimer worker;
  QObject::connect(&worker, &QTimer::timeout, [&] {
    if (!core_->requests.module[RequestFlags::LinkParamsRead]) return;
    core_->requests.module[RequestFlags::LinkParamsRead] = false;
    emit core_->requests.served(RequestFlags::LinkParamsRead, false);
  });
  worker.start(1);
  MessageBoxAnswerer boxes;
  OnDialog<LinkSettingsDialog> answer([](LinkSettingsDialog& d) {
    d.editAdr()->setText("1a");
    d.okBtn()->click();
  });
  ModuleLinkSettings settings(nullptr, core_->link(), core_->linkParams);
  settings.ButtonShowConnectClick();
  waitFor([&] { return answer.seen(); });
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, "Некорректное значение адреса модуля");
  EXPECT_FALSE(core_->requests.module[RequestFlags::LinkParamsWrite]);
}

TEST_F(LinkDialogsTest, ModuleDialogTimesOutWhenTheWorkerDoesNotServeTheRead) {
  start();
  OnDialog<LinkSettingsDialog> answer([](LinkSettingsDialog& d) { d.cancelBtn()->click(); });
  ModuleLinkSettings settings(nullptr, core_->link(), core_->linkParams);
  EXPECT_EQ(settings.readTimer()->interval(), 3000);
  EXPECT_TRUE(settings.readTimer()->isSingleShot());
  settings.readTimer()->setInterval(5);  // nobody serves the request
  settings.ButtonShowConnectClick();
  EXPECT_TRUE(core_->requests.module[RequestFlags::LinkParamsRead]);
  // The window goes on while it waits: events keep flowing.
  waitFor([&] { return !settings.readTimer()->isActive(); });
  EXPECT_FALSE(answer.seen());
  EXPECT_FALSE(core_->requests.module[RequestFlags::LinkParamsRead]);
  EXPECT_EQ(core_->status.text(StatusLine::Link), "Тайм-аут чтения параметров связи из модуля");
  EXPECT_FALSE(core_->flags.moduleOnline);
  // A late answer after the time-out opens nothing.
  emit core_->requests.served(RequestFlags::LinkParamsRead, true);
  QCoreApplication::processEvents();
  EXPECT_FALSE(answer.seen());
}

}  // namespace

namespace {

// Every kind of typed or pasted text in every editable field of the link dialogs: the
// field's message and mem.ini untouched, or the text stored as typed.
TEST_F(LinkDialogsTest, EveryTypedValueOfTheEditableFields) {
  struct Field {
    const char* key;  // of [connect] or [measure]
    qint64 min, max;
    const char* message;
  };
  const Field fields[] = {
      {"adr", 1, 247, "Некорректное значение адреса модуля"},
      {"cto1", 0, INT32_MAX, "Некорректное значение ReadIntervalTimeout"},
      {"period", 1, INT32_MAX, "Некорректное значение периода опроса"},
  };
  for (const Field& f : fields)
    for (const TypedInput& in : typedInputs()) {
      SCOPED_TRACE(std::string(f.key) + ": " + in.label);
      const bool period = QLatin1String(f.key) == QLatin1String("period");
      start(period ? "[measure]\r\nperiod=1000\r\n" : "[connect]\r\nadr=12\r\ncto1=10\r\n");
      const QByteArray before = memOnDisk();
      MessageBoxAnswerer boxes;
      if (period) {
        OnDialog<ProgramSettingsDialog> answer([&](ProgramSettingsDialog& form) {
          form.periodEdit()->clear();
          form.periodEdit()->insert(in.text);  // as a paste does
          form.okButton()->click();
          if (form.isVisible()) form.cancelButton()->click();
        });
        programSettings(nullptr, core_->link());
      } else {
        OnDialog<LinkSettingsDialog> answer([&](LinkSettingsDialog& d) {
          QLineEdit* edit =
              QLatin1String(f.key) == QLatin1String("adr") ? d.editAdr() : d.readIntervalEdit();
          edit->clear();
          edit->insert(in.text);
          d.okBtn()->click();
        });
        programLinkSettings(nullptr, core_->link());
      }
      const QString section = period ? QStringLiteral("measure") : QStringLiteral("connect");
      if (in.within(f.min, f.max)) {
        EXPECT_TRUE(boxes.seen().empty());
        EXPECT_EQ(fileStore().readString(section, QLatin1String(f.key), "-"), in.text);
      } else {
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_EQ(boxes.seen()[0].text, QString::fromUtf8(f.message));
        EXPECT_EQ(memOnDisk(), before);
      }
      EXPECT_TRUE(timerStoppedAndRestarted());
    }
}

}  // namespace
