#include "app/TForm1.h"

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

#include "app/LinkIndicator.h"
#include "app/ProgressPanel.h"
#include "app/SidePanel.h"
#include "bench/BenchUi.h"
#include "bench/TestPage.h"
#include "link/BusMonitorWindow.h"
#include "link/CommThread.h"
#include "link/LinkSettingsActions.h"
#include "operation/ControlPage.h"
#include "operation/DiagramPage.h"
#include "operation/LogTimePage.h"
#include "operation/ProfileBar.h"
#include "params/ErrorsPage.h"
#include "params/FirmwareLayout.h"
#include "params/Identification.h"
#include "params/MainPage.h"
#include "params/MotorVoltageAction.h"
#include "params/ParamGrid.h"
#include "params/ParameterComparisonAction.h"
#include "params/ParameterFileDialogs.h"
#include "params/ServicePage.h"
#include "params/TableTransfer.h"

namespace {

const QString kMeasure = QStringLiteral("measure");
const QString kWindow = QStringLiteral("window");
const QString kProgramVersion = QStringLiteral("Версия ПО: 220.924");
constexpr int kStatusPanelWidths[StatusLine::PanelCount] = {500, 300, 200, 100, 40};

}  // namespace

TForm1::TForm1(const QString& directory, std::unique_ptr<SerialLine> line, Clock& clock,
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
  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));

  connectCoreState();
  connectPages();
  // Queued even on this thread: the lamp reads the online flag, which the caller may set
  // right after the text.
  connect(&core_.status, &StatusLine::textChanged, this, &TForm1::showStatusText,
          Qt::QueuedConnection);
  connect(&core_.status, &StatusLine::passDurationChanged, panel1_->passDurationLabel(),
          [this](int ms) { panel1_->passDurationLabel()->setText(QString::number(ms)); });
  connect(
      &core_.operation.control, &ControlState::changed, this,
      [this] {
        controlPage_->commandText()->setText(core_.operation.control.commandText());
        controlPage_->controlStateText()->setText(core_.operation.control.stateText());
      },
      Qt::QueuedConnection);
  // The status read fetches the block of the page the user looks at.
  connect(pageControl1_, &QTabWidget::currentChanged, this,
          [this](int index) { core_.params.activePage = ParamsState::Page(index); });

  FormCreate();
}

// The stores, the port and the worker go with the core.
TForm1::~TForm1() = default;

LinkIndicator* TForm1::linkLamp() const { return panel1_->linkLamp(); }

void TForm1::createToolBar() {
  toolBar1_ = addToolBar(QString());
  toolBar1_->setObjectName(QStringLiteral("ToolBar1"));
  toolBar1_->setMovable(false);
  toolBar1_->setIconSize(QSize(24, 24));

  const auto addButton = [this](const char* name, const QString& hint, QStyle::StandardPixmap icon,
                                void (TForm1::*handler)()) {
    auto* button = new QToolButton(toolBar1_);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(style()->standardIcon(icon));
    button->setToolTip(hint);
    button->setText(hint);
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar1_->addWidget(button);
    connect(button, &QToolButton::clicked, this, handler);
  };
  addButton("ToolButton1", QStringLiteral("Настройки связи программы"), QStyle::SP_DriveNetIcon,
            &TForm1::ToolButton1Click);
  addButton("ToolButton2", QStringLiteral("Настройки программы"), QStyle::SP_FileDialogDetailedView,
            &TForm1::ToolButton2Click);
  toolBar1_->addSeparator();
  addButton("ToolButton3", QStringLiteral("Прервать связь"), QStyle::SP_MediaStop,
            &TForm1::ToolButton3Click);
  addButton("ToolButton4", QStringLiteral("Восстановить связь"), QStyle::SP_BrowserReload,
            &TForm1::ToolButton4Click);
  toolBar1_->addSeparator();
  addButton("ToolButton38", QStringLiteral("Шрифт"), QStyle::SP_FileDialogContentsView,
            &TForm1::ToolButton38Click);
  addButton("ToolButtonTraffic", QStringLiteral("Обмен с модулями"), QStyle::SP_FileDialogInfoView,
            &TForm1::ToolButtonTrafficClick);
  addButton("ToolButtonAbout", QStringLiteral("О программе"), QStyle::SP_MessageBoxInformation,
            &TForm1::showAbout);
}

void TForm1::createPages() {
  auto* central = new QWidget(this);
  pageControl1_ = new QTabWidget(central);
  pageControl1_->setObjectName(QStringLiteral("PageControl1"));
  mainPage_ = new MainPage;
  errorsPage_ = new ErrorsPage;
  servicePage_ = new ServicePage;
  logTimePage_ = new LogTimePage;
  controlPage_ = new ControlPage(core_.operationContext());
  diagramPage_ = new DiagramPage(core_.operationContext());
  testPage_ = new TestPage(core_.operation.diagram);
  pageControl1_->addTab(mainPage_, QStringLiteral("Основные"));
  pageControl1_->addTab(errorsPage_, QStringLiteral("Ошибки"));
  pageControl1_->addTab(servicePage_, QStringLiteral("Служебные"));
  pageControl1_->addTab(logTimePage_, QStringLiteral("Журнал и время"));
  pageControl1_->addTab(controlPage_, QStringLiteral("Управление"));
  pageControl1_->addTab(diagramPage_, QStringLiteral("Диаграмма"));
  pageControl1_->addTab(testPage_, QStringLiteral("Испытания"));

  panel1_ = new SidePanel(central);
  panel3_ = new ProgressPanel(pageControl1_);

  auto* layout = new QHBoxLayout(central);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(pageControl1_, 1);
  layout->addWidget(panel1_);
  setCentralWidget(central);
}

void TForm1::createStatusBar() {
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

void TForm1::FormCreate() {
  // The stores are open: the core read them when it was created.
  core_.flags.moduleOnline = false;
  core_.flags.firmwareVersion = 0;

  setWindowTitle(core_.variant.title);

  captionProfileButtons();
  readTextLists();
  buildTables();

  diagramPage_->checkBoxResetDiagManually()->setChecked(
      core_.mem.readInteger(kMeasure, QStringLiteral("reset_diag"), 0) != 0);
  pageControl1_->setCurrentWidget(errorsPage_);
  timer1_->setInterval(core_.mem.readInteger(kMeasure, QStringLiteral("period"), 1000));
  refreshLinkIndicator();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // After the window has been painted, so the password dialog appears in front of it.
  QMetaObject::invokeMethod(this, &TForm1::FormShow, Qt::QueuedConnection);
}

void TForm1::FormShow() {
  core_.status.setText(StatusLine::Version, kProgramVersion);
  timer1_->stop();
  accessLevel_ = accessLevelSource_ ? accessLevelSource_() : 0;
  core_.journal.append(QStringLiteral("Сеанс начат: Tarvix %1, уровень доступа %2")
                           .arg(QStringLiteral(TARVIX_GIT_DESCRIBE))
                           .arg(accessLevel_));
  applyAccessLevel(accessLevel_);
  restoreActiveTab();
  timer1_->start();
  core_.startWorker();
}

void TForm1::applyAccessLevel(int level) {
  const auto setTabVisible = [this](QWidget* page, bool visible) {
    pageControl1_->setTabVisible(pageControl1_->indexOf(page), visible);
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
      pageControl1_->setCurrentWidget(errorsPage_);
      setTabVisible(mainPage_, false);
      setTabVisible(servicePage_, false);
      setTabVisible(testPage_, false);
      controlPage_->benchToolBar()->hide();
      controlPage_->buttonConnect()->show();
      break;
  }
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

bool TForm1::FormCloseQuery() {
  QStringList unwritten;
  for (ParamTables::Id id : {ParamTables::Inps, ParamTables::Timers, ParamTables::Actu,
                             ParamTables::Amps, ParamTables::DebInpsParam, ParamTables::AutoReset})
    if (core_.params.tables.unwrittenRows(id) > 0) unwritten << ParamTables::caption(id);
  if (!unwritten.isEmpty() &&
      !prompter_.confirm(QStringLiteral("Подтверждение"),
                         QStringLiteral("Введённые значения не записаны в модуль:\n%1\n\n"
                                        "Закрыть программу без записи?")
                             .arg(unwritten.join('\n'))))
    return false;
  core_.requestWorkerStop();
  return true;
}

void TForm1::FormClose() {
  if (closed_) return;
  closed_ = true;
  timer1_->stop();
  // A question the worker is waiting on is answered with Cancel, so its pass can end.
  prompter_.shutDown();
  if (!core_.stopWorker(AppContext::kWorkerJoinMs)) {
    core_.journal.append(QStringLiteral("Поток обмена не завершился; настройки сохранены"));
    flushMem();
    std::_Exit(EXIT_FAILURE);  // no exit handlers, no destructors; MinGW has no quick_exit
  }
  core_.mem.writeInteger(kMeasure, QStringLiteral("reset_diag"),
                         diagramPage_->checkBoxResetDiagManually()->isChecked() ? 1 : 0);
  saveWindowState();
  flushMem();
  core_.port().closePort();
  core_.journal.append(QStringLiteral("Сеанс завершён"));
}

bool TForm1::restoreWindowState() {
  const QByteArray geometry = QByteArray::fromBase64(
      core_.mem.readString(kWindow, QStringLiteral("geometry"), QString()).toLatin1());
  return !geometry.isEmpty() && restoreGeometry(geometry);
}

void TForm1::saveWindowState() {
  core_.mem.writeString(kWindow, QStringLiteral("geometry"),
                        QString::fromLatin1(saveGeometry().toBase64()));
  core_.mem.writeInteger(kWindow, QStringLiteral("tab"), pageControl1_->currentIndex());
}

void TForm1::restoreActiveTab() {
  const int tab = core_.mem.readInteger(kWindow, QStringLiteral("tab"), -1);
  // A tab the access level hides stays hidden: the level's own first tab is kept.
  if (tab >= 0 && tab < pageControl1_->count() && pageControl1_->isTabVisible(tab))
    pageControl1_->setCurrentIndex(tab);
}

void TForm1::flushMem() { flushOrReport(core_.mem, prompter_); }

// Worker-side changes reach the window queued.
void TForm1::connectCoreState() {
  connect(
      &core_.progress, &ProgressLine::changed, this,
      [this](bool visible, const QString& text) {
        if (visible)
          panel3_->showText(text);
        else
          panel3_->hide();
      },
      Qt::QueuedConnection);
  connect(&core_.progress, &ProgressLine::countChanged, panel3_, &ProgressPanel::setCount,
          Qt::QueuedConnection);
  connect(
      &core_.status, &StatusLine::pollTimerChanged, this,
      [this](bool on) {
        if (on)
          timer1_->start();
        else
          timer1_->stop();
      },
      Qt::QueuedConnection);
  connect(&core_.params.tables, &ParamTables::structureChanged, this, &TForm1::showFirmware,
          Qt::QueuedConnection);
  connect(&core_.params.tables, &ParamTables::choicesChanged, this, &TForm1::showChoices,
          Qt::QueuedConnection);
}

// What the user does on the pages: requests for the worker, choices into the core.
void TForm1::connectPages() {
  connect(mainPage_, &MainPage::shown, this, &TForm1::TabSheetMainShow, Qt::QueuedConnection);
  connect(servicePage_, &ServicePage::shown, this, &TForm1::TabSheetServiceShow);
  connect(mainPage_->buttonSave(), &QPushButton::clicked, this, &TForm1::ButtonSaveClick);
  moduleLinkSettings_ = new ModuleLinkSettings(this, core_.link(), core_.linkParams);
  const auto ButtonShowConnectClick = [this] { moduleLinkSettings_->ButtonShowConnectClick(); };
  connect(mainPage_->buttonShowConnect(), &QPushButton::clicked, this, ButtonShowConnectClick);
  connect(controlPage_->buttonConnect(), &QPushButton::clicked, this, ButtonShowConnectClick);
  connect(mainPage_->buttonChange(), &QPushButton::clicked, this,
          [this] { ButtonChangeClick(this, core_.paramsContext()); });
  connect(mainPage_->buttonSaveProfile(), &QPushButton::clicked, this,
          [this] { saveParameterFileDialog(this, core_.paramsContext(), timer1_); });
  connect(mainPage_->buttonLoadProfile(), &QPushButton::clicked, this,
          [this] { loadParameterFileDialog(this, core_.paramsContext(), timer1_); });
  new ParameterComparisonAction(this, core_.paramsContext(), mainPage_->buttonCompareProfile(),
                                timer1_);
  connect(servicePage_->buttonSaveService(), &QPushButton::clicked, this,
          &TForm1::ButtonSaveServiceClick);
  connect(mainPage_, &MainPage::choicesEdited, this, [this](bool alarmOn, bool direct) {
    core_.params.tables.updateChoices([&](ParamTables::Choices& c) {
      c.alarmOn = alarmOn;
      c.direct = direct;
    });
  });
  connect(servicePage_, &ServicePage::inversionEdited, this,
          [this](const std::array<bool, ParamTables::kInversionItems>& checked) {
            core_.params.tables.updateChoices(
                [&](ParamTables::Choices& c) { c.inversionChecked = checked; });
          });
  const auto remember = [this](QComboBox* box, const char* key, std::atomic_int& index) {
    connect(box, &QComboBox::activated, this, [this, box, key, &index](int i) {
      core_.mem.writeString(kMeasure, QLatin1String(key), box->itemText(i));
      flushMem();
      index = i;
    });
  };
  logTimePage_->bind(
      core_.operationContext(),
      [this](std::function<void()> job) { core_.cycle().post(std::move(job)); },
      panel3_->buttonStopReadingLog());
  benchUi_ = new BenchUi(core_.benchContext(), testPage_, controlPage_->benchToolBar(), this);
  remember(diagramPage_->comboBoxParsDiag(), "diag", core_.params.diagramValueIndex);
  remember(testPage_->comboBoxTestDiag(), "diag_test", core_.params.testDiagramValueIndex);
}

// After identification: the groups the firmware has, the diagram selectors and the names of
// the inversion items.
void TForm1::showFirmware() {
  const ParamTables::Firmware f = core_.params.tables.firmware();
  const int version = f.built ? f.version : 0;
  mainPage_->showFirmwareGroups(version, core_.mem);
  servicePage_->showFirmwareGroups(firmware::hasAutoReset(version),
                                   firmware::hasInputInversion(version, f.revision),
                                   core_.params.tables.table(ParamTables::DigInputs).names);
  const QStringList debugNames = core_.params.tables.table(ParamTables::Debug).names;
  const auto fill = [&](QComboBox* box, int index) {
    const QSignalBlocker quiet(box);
    box->clear();
    box->addItems(debugNames);
    box->setCurrentIndex(debugNames.isEmpty() ? -1 : index);
  };
  fill(diagramPage_->comboBoxParsDiag(), core_.params.diagramValueIndex);
  fill(testPage_->comboBoxTestDiag(), core_.params.testDiagramValueIndex);
}

void TForm1::showChoices() {
  const ParamTables::Choices c = core_.params.tables.choices();
  mainPage_->showChoices(c.alarmOn, c.direct,
                         c.motorVoltageShown
                             ? TableTransfer::motorVoltageName(core_.mem, c.motorVoltageType)
                             : QString());
  servicePage_->showInversion(c.inversionChecked);
}

void TForm1::TabSheetMainShow() {
  if (pageControl1_->currentWidget() != mainPage_) return;  // the user moved on meanwhile
  TableTransfer::askToReloadMainTab(core_.link());
}

void TForm1::TabSheetServiceShow() { core_.requests.module[RequestFlags::ServiceRead] = true; }

void TForm1::ButtonSaveClick() { core_.requests.module[RequestFlags::MainWrite] = true; }

void TForm1::ButtonSaveServiceClick() { core_.requests.module[RequestFlags::ServiceWrite] = true; }

void TForm1::refreshLinkIndicator() {
  const bool online = core_.flags.moduleOnline;
  linkLamp()->setOnline(online);
  // Values the module no longer answers for are drawn greyed, so they never look current.
  for (QWidget* live :
       {static_cast<QWidget*>(panel1_->stringGridDigInputs()),
        static_cast<QWidget*>(panel1_->stringGridDigOutputs()), static_cast<QWidget*>(errorsPage_)})
    live->setEnabled(online);
}

void TForm1::showStatusText(int panel, const QString& text) {
  if (panel >= 0 && panel < statusPanels_.size()) statusPanels_[panel]->setText(text);
  // The link text changes whenever the online state does.
  refreshLinkIndicator();
}

void TForm1::captionProfileButtons() {
  profileBar_ = new ProfileBar(core_.paramsContext(), core_.prof, mainPage_->profilesGroup());
  mainPage_->profilesGroup()->layout()->addWidget(profileBar_);
}

// The texts of the executing command and of the control state, and the event log's code
// tables.
void TForm1::readTextLists() {
  core_.operation.control.loadTexts(core_.mem.readSectionLines(QStringLiteral("cmd_stat")),
                                    core_.mem.readSectionLines(QStringLiteral("ctrl_stat")));
  core_.operation.log.loadTexts(core_.mem.readSectionLines(QStringLiteral("log_cmd")),
                                core_.mem.readSectionLines(QStringLiteral("log_sw")));
}

// Binds the status grids to the core tables, then builds them empty: the layout is not known
// until the module has been identified.
void TForm1::buildTables() {
  ParamTables& t = core_.params.tables;
  auto online = [this] { return bool(core_.flags.moduleOnline); };
  new ParamGrid(panel1_->stringGridDigInputs(), t, ParamTables::DigInputs,
                ParamGrid::Lamp::NonZeroLime);
  new ParamGrid(panel1_->stringGridDigOutputs(), t, ParamTables::DigOutputs,
                ParamGrid::Lamp::Bit0Red);
  new ParamGrid(errorsPage_->stringGridErrors(), t, ParamTables::Errors,
                ParamGrid::Lamp::NonZeroRedWhileOnline, online);
  new ParamGrid(servicePage_->stringGridDebug(), t, ParamTables::Debug);
  const auto editable = [&](QTableWidget* grid, ParamTables::Id id) {
    (new ParamGrid(grid, t, id))->setEditable();
  };
  editable(mainPage_->stringGridInps(), ParamTables::Inps);
  editable(mainPage_->stringGridTimers(), ParamTables::Timers);
  editable(mainPage_->stringGridActu(), ParamTables::Actu);
  editable(servicePage_->stringGridAmps(), ParamTables::Amps);
  editable(servicePage_->stringGridDebInpsParam(), ParamTables::DebInpsParam);
  editable(servicePage_->stringGridAutoReset(), ParamTables::AutoReset);
  Identification(core_.paramsContext()).buildTables();
}

void TForm1::ToolButton1Click() { programLinkSettings(this, core_.link(), timer1_); }

void TForm1::ToolButton2Click() { programSettings(this, core_.link(), timer1_); }

void TForm1::ToolButton3Click() { core_.flags.linkSuspended = true; }

void TForm1::ToolButton4Click() {
  core_.flags.linkSuspended = false;
  timer1_->start();
}

QString TForm1::aboutText() {
  return QStringLiteral("Tarvix, версия %1\n\nВерсии прошивки модуля: %2")
      .arg(QStringLiteral(TARVIX_GIT_DESCRIBE), FirmwareLayout::supportedVersionsText());
}

void TForm1::showAbout() { QMessageBox::about(this, QStringLiteral("О программе"), aboutText()); }

void TForm1::ToolButton38Click() {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, font(), this, QStringLiteral("Шрифт"));
  if (ok) setFont(chosen);
}

void TForm1::ToolButtonTrafficClick() {
  // The names follow mem.ini and tp.ini as they are now.
  core_.busMonitor.setAddressNames(core_.busAddressNames());
  if (!busMonitorWindow_) busMonitorWindow_ = new BusMonitorWindow(core_.busMonitor, this);
  busMonitorWindow_->show();
  busMonitorWindow_->raise();
  busMonitorWindow_->activateWindow();
}
