#include "app/ui/MainWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cstdlib>

#include "BuildId.h"

#include "app/ui/LinkIndicator.h"
#include "app/ui/ProgressPanel.h"
#include "app/ui/SidePanel.h"
#include "app/ui/ToolIcons.h"
#include "bench/ui/BenchUi.h"
#include "bench/ui/TestPage.h"
#include "link/CommThread.h"
#include "link/LinkKeys.h"
#include "link/ui/BusMonitorWindow.h"
#include "link/ui/LinkSettingsActions.h"
#include "link/ui/ModuleScanWindow.h"
#include "operation/OperationKeys.h"
#include "operation/ui/ControlPage.h"
#include "operation/ui/DiagramPage.h"
#include "operation/ui/LogTimePage.h"
#include "operation/ui/ProfileBar.h"
#include "params/FirmwareLayout.h"
#include "params/Identification.h"
#include "params/ParameterKeys.h"
#include "params/TableTransfer.h"
#include "params/ui/ErrorsPage.h"
#include "params/ui/MainPage.h"
#include "params/ui/MotorVoltageAction.h"
#include "params/ui/ParameterComparisonAction.h"
#include "params/ui/ParameterFileDialogs.h"
#include "params/ui/ParameterGrid.h"
#include "params/ui/ServicePage.h"

namespace {

// Where the window was and which tab it showed, for the next run.
constexpr SettingKey kGeometry{"window", "geometry", ""};
constexpr SettingKey kTab{"window", "tab", "-1"};
const QString kProgramVersion = QStringLiteral("Версия ПО: 220.924");
constexpr int kStatusPanelWidths[StatusLine::PanelCount] = {500, 300, 200, 100, 40};

}  // namespace

MainWindow::MainWindow(const QString& directory, std::unique_ptr<SerialLine> line, Clock& clock,
                       QWidget* parent)
    : QMainWindow(parent), prompter_(this), core_(directory, prompter_, std::move(line), clock) {
  setObjectName(QStringLiteral("Form1"));
  QFont windowFont = font();
  windowFont.setFamily(QStringLiteral("Arial"));
  setFont(windowFont);
  resize(1280, 800);

  createToolBar();
  createPages();
  createStatusBar();
  pollTimer_ = new QTimer(this);
  pollTimer_->setObjectName(QStringLiteral("Timer1"));

  connectCoreState();
  connectPages();
  // Queued even on this thread: the lamp reads the online flag, which the caller may set
  // right after the text.
  connect(&core_.status, &StatusLine::textChanged, this, &MainWindow::showStatusText,
          Qt::QueuedConnection);
  connect(&core_.status, &StatusLine::passDurationChanged, sidePanel_,
          &SidePanel::showPassDuration);
  connect(
      &core_.operation.control, &ControlState::changed, this,
      [this] {
        controlPage_->commandText()->setText(core_.operation.control.commandText());
        controlPage_->controlStateText()->setText(core_.operation.control.stateText());
      },
      Qt::QueuedConnection);
  // The status read fetches the block of the page the user looks at.
  connect(pages_, &QTabWidget::currentChanged, this,
          [this](int index) { core_.params.activePage = ParameterState::Page(index); });

  FormCreate();
}

// The stores, the port and the worker go with the core.
MainWindow::~MainWindow() = default;

LinkIndicator* MainWindow::linkLamp() const { return sidePanel_->linkLamp(); }

void MainWindow::createToolBar() {
  toolBar_ = addToolBar(QString());
  toolBar_->setObjectName(QStringLiteral("ToolBar1"));
  toolBar_->setMovable(false);
  toolBar_->setIconSize(QSize(24, 24));

  const auto addButton = [this](const char* name, const QString& hint, const QIcon& icon,
                                void (MainWindow::*handler)()) {
    auto* button = new QToolButton(toolBar_);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(icon);
    button->setToolTip(hint);
    button->setText(hint);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->addWidget(button);
    connect(button, &QToolButton::clicked, this, handler);
  };
  addButton("ToolButton1", QStringLiteral("Настройки связи программы"),
            style()->standardIcon(QStyle::SP_DriveNetIcon), &MainWindow::openProgramLinkSettings);
  addButton("ToolButton2", QStringLiteral("Настройки программы"),
            style()->standardIcon(QStyle::SP_FileDialogDetailedView),
            &MainWindow::openProgramSettings);
  toolBar_->addSeparator();
  addButton("ToolButton3", QStringLiteral("Прервать связь"),
            style()->standardIcon(QStyle::SP_MediaStop), &MainWindow::suspendLink);
  addButton("ToolButton4", QStringLiteral("Восстановить связь"),
            style()->standardIcon(QStyle::SP_BrowserReload), &MainWindow::restoreLink);
  toolBar_->addSeparator();
  addButton("ToolButton38", QStringLiteral("Шрифт"), toolicons::font(), &MainWindow::chooseFont);
  addButton("ToolButtonTraffic", QStringLiteral("Обмен с модулями"), toolicons::exchange(),
            &MainWindow::openTrafficMonitor);
  addButton("ToolButtonScan", QStringLiteral("Поиск модулей"),
            style()->standardIcon(QStyle::SP_FileDialogContentsView), &MainWindow::openModuleScan);
  addButton("ToolButtonAbout", QStringLiteral("О программе"),
            style()->standardIcon(QStyle::SP_MessageBoxInformation), &MainWindow::showAbout);
}

void MainWindow::createPages() {
  auto* central = new QWidget(this);
  pages_ = new QTabWidget(central);
  pages_->setObjectName(QStringLiteral("PageControl1"));
  mainPage_ = new MainPage;
  errorsPage_ = new ErrorsPage;
  servicePage_ = new ServicePage;
  logTimePage_ = new LogTimePage;
  controlPage_ = new ControlPage(core_.operationContext());
  diagramPage_ = new DiagramPage(core_.operationContext());
  testPage_ = new TestPage(core_.operation.diagram);
  pages_->addTab(mainPage_, QStringLiteral("Основные"));
  pages_->addTab(errorsPage_, QStringLiteral("Ошибки"));
  pages_->addTab(servicePage_, QStringLiteral("Служебные"));
  pages_->addTab(logTimePage_, QStringLiteral("Журнал и время"));
  pages_->addTab(controlPage_, QStringLiteral("Управление"));
  pages_->addTab(diagramPage_, QStringLiteral("Диаграмма"));
  pages_->addTab(testPage_, QStringLiteral("Испытания"));

  sidePanel_ = new SidePanel(central);
  progressPanel_ = new ProgressPanel(pages_);

  auto* layout = new QHBoxLayout(central);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(pages_, 1);
  layout->addWidget(sidePanel_);
  setCentralWidget(central);
}

void MainWindow::createStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar1"));
  for (int i = 0; i < StatusLine::PanelCount; ++i) {
    auto* panel = new QLabel(core_.status.text(i), bar);
    panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    const bool last = i == StatusLine::PanelCount - 1;
    // The last panel takes what is left of the bar, as status bars with panels do.
    if (last)
      panel->setMinimumWidth(kStatusPanelWidths[i]);
    else
      panel->setFixedWidth(kStatusPanelWidths[i]);
    bar->addWidget(panel, last ? 1 : 0);
    statusPanels_.append(panel);
  }
}

void MainWindow::FormCreate() {
  // The stores are open: the core read them when it was created.
  core_.flags.moduleOnline = false;
  core_.flags.firmwareVersion = 0;

  setWindowTitle(core_.variant.title);

  captionProfileButtons();
  readTextLists();
  buildTables();

  diagramPage_->checkBoxResetDiagManually()->setChecked(
      core_.mem.readInteger(operationkeys::kClearDiagramManually) != 0);
  pages_->setCurrentWidget(errorsPage_);
  refreshLinkIndicator();
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // After the window has been painted, so the password dialog appears in front of it.
  QMetaObject::invokeMethod(this, &MainWindow::FormShow, Qt::QueuedConnection);
}

void MainWindow::FormShow() {
  core_.status.setText(StatusLine::Version, kProgramVersion);
  setPollTimerActive(false);
  accessLevel_ = accessLevelSource_ ? accessLevelSource_() : 0;
  core_.journal.append(QStringLiteral("Сеанс начат: Tarvix %1, уровень доступа %2")
                           .arg(QStringLiteral(TARVIX_BUILD_ID))
                           .arg(accessLevel_));
  applyAccessLevel(accessLevel_);
  restoreActiveTab();
  setPollTimerActive(true);
  core_.startWorker();
}

void MainWindow::applyAccessLevel(int level) {
  const auto setTabVisible = [this](QWidget* page, bool visible) {
    pages_->setTabVisible(pages_->indexOf(page), visible);
  };
  switch (level) {
    case 1:
      setTabVisible(testPage_, false);
      controlPage_->benchToolBar()->hide();
      controlPage_->buttonConnect()->hide();
      break;
    case 2:
      controlPage_->benchToolBar()->show();
      controlPage_->buttonConnect()->hide();
      break;
    default:
      pages_->setCurrentWidget(errorsPage_);
      setTabVisible(mainPage_, false);
      setTabVisible(servicePage_, false);
      setTabVisible(testPage_, false);
      controlPage_->benchToolBar()->hide();
      controlPage_->buttonConnect()->show();
      break;
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

bool MainWindow::FormCloseQuery() {
  QStringList unwritten;
  for (ParameterTables::Id id :
       {ParameterTables::Inps, ParameterTables::Timers, ParameterTables::Actu,
        ParameterTables::Amps, ParameterTables::DebInpsParam, ParameterTables::AutoReset})
    if (core_.params.tables.unwrittenRows(id) > 0) unwritten << ParameterTables::caption(id);
  if (!unwritten.isEmpty() &&
      !prompter_.confirm(QStringLiteral("Подтверждение"),
                         QStringLiteral("Введённые значения не записаны в модуль:\n%1\n\n"
                                        "Закрыть программу без записи?")
                             .arg(unwritten.join('\n'))))
    return false;
  core_.requestWorkerStop();
  return true;
}

void MainWindow::FormClose() {
  if (closed_) return;
  closed_ = true;
  pollTimer_->stop();
  // A question the worker is waiting on is answered with Cancel, so its pass can end.
  prompter_.shutDown();
  if (!core_.stopWorker(AppContext::kWorkerJoinMs)) {
    core_.journal.append(QStringLiteral("Поток обмена не завершился; настройки сохранены"));
    flushMem();
    std::_Exit(EXIT_FAILURE);  // no exit handlers, no destructors; MinGW has no quick_exit
  }
  core_.mem.writeInteger(operationkeys::kClearDiagramManually,
                         diagramPage_->checkBoxResetDiagManually()->isChecked() ? 1 : 0);
  saveWindowState();
  flushMem();
  core_.port().closePort();
  core_.journal.append(QStringLiteral("Сеанс завершён"));
}

bool MainWindow::restoreWindowState() {
  const QByteArray geometry = QByteArray::fromBase64(core_.mem.readString(kGeometry).toLatin1());
  return !geometry.isEmpty() && restoreGeometry(geometry);
}

void MainWindow::saveWindowState() {
  core_.mem.writeString(kGeometry, QString::fromLatin1(saveGeometry().toBase64()));
  core_.mem.writeInteger(kTab, pages_->currentIndex());
}

void MainWindow::restoreActiveTab() {
  const int tab = core_.mem.readInteger(kTab);
  // A tab the access level hides stays hidden: the level's own first tab is kept.
  if (tab >= 0 && tab < pages_->count() && pages_->isTabVisible(tab)) pages_->setCurrentIndex(tab);
}

void MainWindow::flushMem() { flushOrReport(core_.mem, prompter_); }

// Worker-side changes reach the window queued.
void MainWindow::connectCoreState() {
  connect(
      &core_.progress, &ProgressLine::changed, this,
      [this](bool visible, const QString& text) {
        if (visible)
          progressPanel_->showText(text);
        else
          progressPanel_->hide();
      },
      Qt::QueuedConnection);
  connect(&core_.progress, &ProgressLine::countChanged, progressPanel_, &ProgressPanel::setCount,
          Qt::QueuedConnection);
  connect(&core_.status, &StatusLine::pollTimerChanged, this, &MainWindow::setPollTimerActive,
          Qt::QueuedConnection);
  connect(&core_.params.tables, &ParameterTables::structureChanged, this, &MainWindow::showFirmware,
          Qt::QueuedConnection);
  connect(&core_.params.tables, &ParameterTables::choicesChanged, this, &MainWindow::showChoices,
          Qt::QueuedConnection);
}

// What the user does on the pages: requests for the worker, choices into the core.
void MainWindow::connectPages() {
  connect(mainPage_, &MainPage::shown, this, &MainWindow::TabSheetMainShow, Qt::QueuedConnection);
  connect(servicePage_, &ServicePage::shown, this, &MainWindow::TabSheetServiceShow);
  connect(mainPage_->buttonSave(), &QPushButton::clicked, this, &MainWindow::ButtonSaveClick);
  moduleLinkSettings_ = new ModuleLinkSettings(this, core_.link(), core_.linkParams);
  const auto ButtonShowConnectClick = [this] { moduleLinkSettings_->ButtonShowConnectClick(); };
  connect(mainPage_->buttonShowConnect(), &QPushButton::clicked, this, ButtonShowConnectClick);
  connect(controlPage_->buttonConnect(), &QPushButton::clicked, this, ButtonShowConnectClick);
  connect(mainPage_->buttonChange(), &QPushButton::clicked, this,
          [this] { ButtonChangeClick(this, core_.parameterContext()); });
  connect(mainPage_->buttonSaveProfile(), &QPushButton::clicked, this,
          [this] { saveParameterFileDialog(this, core_.parameterContext()); });
  connect(mainPage_->buttonLoadProfile(), &QPushButton::clicked, this,
          [this] { loadParameterFileDialog(this, core_.parameterContext()); });
  new ParameterComparisonAction(this, core_.parameterContext(), mainPage_->buttonCompareProfile());
  connect(servicePage_->buttonSaveService(), &QPushButton::clicked, this,
          &MainWindow::ButtonSaveServiceClick);
  connect(mainPage_, &MainPage::choicesEdited, this, [this](bool alarmOn, bool direct) {
    core_.params.tables.updateChoices([&](ParameterTables::Choices& c) {
      c.alarmOn = alarmOn;
      c.direct = direct;
    });
  });
  connect(servicePage_, &ServicePage::inversionEdited, this,
          [this](const std::array<bool, ParameterTables::kInversionItems>& checked) {
            core_.params.tables.updateChoices(
                [&](ParameterTables::Choices& c) { c.inversionChecked = checked; });
          });
  const auto remember = [this](QComboBox* box, const SettingKey& key, std::atomic_int& index) {
    connect(box, &QComboBox::activated, this, [this, box, &key, &index](int i) {
      core_.mem.writeString(key, box->itemText(i));
      flushMem();
      index = i;
    });
  };
  logTimePage_->bind(
      core_.operationContext(),
      [this](std::function<void()> job) { core_.cycle().post(std::move(job)); },
      progressPanel_->buttonStopReadingLog());
  benchUi_ = new BenchUi(core_.benchContext(), testPage_, controlPage_->benchToolBar(), this);
  remember(diagramPage_->comboBoxParsDiag(), parameterkeys::kDiagramValue,
           core_.params.diagramValueIndex);
  remember(testPage_->comboBoxTestDiag(), parameterkeys::kTestDiagramValue,
           core_.params.testDiagramValueIndex);
}

// After identification: the groups the firmware has, the diagram selectors and the names of
// the inversion items.
void MainWindow::showFirmware() {
  const ParameterTables::Firmware f = core_.params.tables.firmware();
  const int version = f.built ? f.version : 0;
  mainPage_->showFirmwareGroups(version, core_.mem);
  servicePage_->showFirmwareGroups(firmware::hasAutoReset(version),
                                   firmware::hasInputInversion(version, f.revision),
                                   core_.params.tables.table(ParameterTables::DigInputs).names);
  const QStringList debugNames = core_.params.tables.table(ParameterTables::Debug).names;
  const auto fill = [&](QComboBox* box, int index) {
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItems(debugNames);
    box->setCurrentIndex(debugNames.isEmpty() ? -1 : index);
  };
  fill(diagramPage_->comboBoxParsDiag(), core_.params.diagramValueIndex);
  fill(testPage_->comboBoxTestDiag(), core_.params.testDiagramValueIndex);
}

void MainWindow::showChoices() {
  const ParameterTables::Choices c = core_.params.tables.choices();
  mainPage_->showChoices(c.alarmOn, c.direct,
                         c.motorVoltageShown
                             ? TableTransfer::motorVoltageName(core_.mem, c.motorVoltageType)
                             : QString());
  servicePage_->showInversion(c.inversionChecked);
}

void MainWindow::TabSheetMainShow() {
  if (pages_->currentWidget() != mainPage_) return;  // the user moved on meanwhile
  TableTransfer::askToReloadMainTab(core_.link());
}

void MainWindow::TabSheetServiceShow() { core_.requests.module[RequestFlags::ServiceRead] = true; }

void MainWindow::ButtonSaveClick() { core_.requests.module[RequestFlags::MainWrite] = true; }

void MainWindow::ButtonSaveServiceClick() {
  core_.requests.module[RequestFlags::ServiceWrite] = true;
}

void MainWindow::refreshLinkIndicator() {
  const bool online = core_.flags.moduleOnline;
  linkLamp()->setOnline(online);
  // Values the module no longer answers for are drawn greyed, so they never look current; the
  // texts that keep their last reading while the link is down among them.
  for (QWidget* live : std::initializer_list<QWidget*>{
           sidePanel_->stringGridDigInputs(), sidePanel_->stringGridDigOutputs(), errorsPage_,
           mainPage_->staticTextMotorVoltage(), controlPage_->commandText(),
           controlPage_->controlStateText(), statusPanels_.value(StatusLine::Control),
           statusPanels_.value(StatusLine::Firmware), statusPanels_.value(StatusLine::Logic)})
    if (live) live->setEnabled(online);
}

void MainWindow::showStatusText(int panel, const QString& text) {
  if (panel >= 0 && panel < statusPanels_.size()) statusPanels_[panel]->setText(text);
  // The link text changes whenever the online state does.
  refreshLinkIndicator();
}

void MainWindow::captionProfileButtons() {
  profileBar_ = new ProfileBar(core_.parameterContext(), core_.prof, mainPage_->profilesGroup());
  mainPage_->profilesGroup()->layout()->addWidget(profileBar_);
}

// The texts of the executing command and of the control state, and the event log's code
// tables.
void MainWindow::readTextLists() {
  core_.operation.control.loadTexts(core_.mem.readSectionLines(QStringLiteral("cmd_stat")),
                                    core_.mem.readSectionLines(QStringLiteral("ctrl_stat")));
  core_.operation.log.loadTexts(core_.mem.readSectionLines(QStringLiteral("log_cmd")),
                                core_.mem.readSectionLines(QStringLiteral("log_sw")));
}

// Binds the status grids to the core tables, then builds them empty: the layout is not known
// until the module has been identified.
void MainWindow::buildTables() {
  ParameterTables& t = core_.params.tables;
  auto online = [this] { return bool(core_.flags.moduleOnline); };
  new ParameterGrid(sidePanel_->stringGridDigInputs(), t, ParameterTables::DigInputs,
                    ParameterGrid::Lamp::NonZeroLime);
  new ParameterGrid(sidePanel_->stringGridDigOutputs(), t, ParameterTables::DigOutputs,
                    ParameterGrid::Lamp::Bit0Red);
  new ParameterGrid(errorsPage_->stringGridErrors(), t, ParameterTables::Errors,
                    ParameterGrid::Lamp::NonZeroRedWhileOnline, online);
  new ParameterGrid(servicePage_->stringGridDebug(), t, ParameterTables::Debug);
  const auto editable = [&](QTableWidget* grid, ParameterTables::Id id) {
    (new ParameterGrid(grid, t, id))->setEditable();
  };
  editable(mainPage_->stringGridInps(), ParameterTables::Inps);
  editable(mainPage_->stringGridTimers(), ParameterTables::Timers);
  editable(mainPage_->stringGridActu(), ParameterTables::Actu);
  editable(servicePage_->stringGridAmps(), ParameterTables::Amps);
  editable(servicePage_->stringGridDebInpsParam(), ParameterTables::DebInpsParam);
  editable(servicePage_->stringGridAutoReset(), ParameterTables::AutoReset);
  Identification(core_.parameterContext()).buildTables();
}

void MainWindow::openProgramLinkSettings() { programLinkSettings(this, core_.link()); }

void MainWindow::openProgramSettings() { programSettings(this, core_.link()); }

// Timer1: runs between passes, stands still while a dialog of the window is open, and takes
// the poll period of the program settings each time it starts.
void MainWindow::setPollTimerActive(bool on) {
  if (!on) return pollTimer_->stop();
  pollTimer_->setInterval(core_.mem.readInteger(linkkeys::kPollPeriod));
  pollTimer_->start();
}

void MainWindow::suspendLink() { core_.flags.linkSuspended = true; }

void MainWindow::restoreLink() {
  core_.flags.linkSuspended = false;
  pollTimer_->start();
}

QString MainWindow::aboutText() const {
  return QStringLiteral("%1\n%2 (сборка %3)\n\nВерсии прошивки модуля: %4")
      .arg(core_.variant.title, kProgramVersion, QStringLiteral(TARVIX_BUILD_ID),
           FirmwareLayout::supportedVersionsText(core_.flags.maxFirmwareVersion));
}

void MainWindow::showAbout() {
  QMessageBox::about(this, QStringLiteral("О программе"), aboutText());
}

void MainWindow::chooseFont() {
  bool ok = false;
  // Qt's own dialog, as for files: Russian on every system, whatever language Windows speaks.
  const QFont chosen = QFontDialog::getFont(&ok, font(), this, QStringLiteral("Шрифт"),
                                            QFontDialog::DontUseNativeDialog);
  if (ok) setFont(chosen);
}

void MainWindow::openModuleScan() {
  if (!moduleScanWindow_)
    moduleScanWindow_ = new ModuleScanWindow(
        core_.link(), [this](std::function<void()> job) { core_.cycle().post(std::move(job)); },
        this);
  moduleScanWindow_->show();
  moduleScanWindow_->raise();
  moduleScanWindow_->activateWindow();
}

void MainWindow::openTrafficMonitor() {
  // The names follow mem.ini and tp.ini as they are now.
  core_.busMonitor.setAddressNames(core_.busAddressNames());
  if (!busMonitorWindow_) busMonitorWindow_ = new BusMonitorWindow(core_.busMonitor, this);
  busMonitorWindow_->show();
  busMonitorWindow_->raise();
  busMonitorWindow_->activateWindow();
}
