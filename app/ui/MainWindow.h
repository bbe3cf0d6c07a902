#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "app/AppContext.h"
#include "core/ui/WidgetPrompter.h"

class QLabel;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class BenchUi;
class BusMonitorWindow;
class ModuleScanWindow;
class ControlPage;
class DiagramPage;
class ErrorsPage;
class LinkIndicator;
class LogTimePage;
class MainPage;
class ModuleLinkSettings;
class ProfileBar;
class ProgressPanel;
class ServicePage;
class SidePanel;
class TestPage;

// The main window: tool bar, pages, side panel with the live inputs and outputs and the link
// lamp, status bar and progress panel. It owns the core for the whole run and draws its state.
// Form TForm1 (object name Form1).
class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // `directory` holds the settings files and the variant marker. Without a line the real
  // serial port is used.
  explicit MainWindow(const QString& directory, std::unique_ptr<SerialLine> line = nullptr,
                      Clock& clock = SteadyClock::instance(), QWidget* parent = nullptr);
  ~MainWindow() override;

  // Asked once, when the window is first shown: the access level (0, 1 or 2). The program
  // plugs in the password dialog; without a source the level is 0.
  void setAccessLevelSource(std::function<int()> source) { accessLevelSource_ = std::move(source); }
  int accessLevel() const { return accessLevel_; }

  AppContext& core() { return core_; }

  QTabWidget* pages() const { return pages_; }
  MainPage* tabSheetMain() const { return mainPage_; }
  ErrorsPage* tabSheetFirm() const { return errorsPage_; }
  ServicePage* tabSheetService() const { return servicePage_; }
  LogTimePage* tabSheetLogTime() const { return logTimePage_; }
  ControlPage* tabSheetControl() const { return controlPage_; }
  DiagramPage* tabSheetDiagram() const { return diagramPage_; }
  TestPage* tabSheetTest() const { return testPage_; }
  BenchUi* benchUi() const { return benchUi_; }
  SidePanel* sidePanel() const { return sidePanel_; }
  ProgressPanel* progressPanel() const { return progressPanel_; }
  ProfileBar* profileBar() const { return profileBar_; }
  LinkIndicator* linkLamp() const;
  QLabel* statusPanel(int index) const { return statusPanels_.at(index); }
  QTimer* pollTimer() const { return pollTimer_; }

  ModuleLinkSettings* moduleLinkSettings() const { return moduleLinkSettings_; }
  // "Обмен", once the user has opened it.
  BusMonitorWindow* busMonitorWindow() const { return busMonitorWindow_; }
  ModuleScanWindow* moduleScanWindow() const { return moduleScanWindow_; }

  // "О программе": the variant, the version the status bar shows with the build, and the
  // firmware versions this variant accepts.
  QString aboutText() const;

  // The window's geometry as the last run left it ([window] of mem.ini); false when
  // there were none, for the caller to choose a first size.
  bool restoreWindowState();

  // Sets the lamp from the core's online flag.
  void refreshLinkIndicator();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void openProgramLinkSettings();
  void openProgramSettings();
  void suspendLink();
  void restoreLink();
  void chooseFont();
  void showAbout();
  void openTrafficMonitor();
  void openModuleScan();
  void showStatusText(int panel, const QString& text);
  void setPollTimerActive(bool on);
  void showFirmware();
  void showChoices();
  void TabSheetMainShow();
  void TabSheetServiceShow();
  void ButtonSaveClick();
  void ButtonSaveServiceClick();

 private:
  void createToolBar();
  void createPages();
  void createStatusBar();

  void FormCreate();
  void FormShow();
  bool FormCloseQuery();
  void FormClose();
  void applyAccessLevel(int level);
  void saveWindowState();
  void restoreActiveTab();
  // Writes mem.ini to disk; says so when that fails.
  void flushMem();
  void connectCoreState();
  void connectPages();

  // The profile buttons, captioned from prof.ini.
  void captionProfileButtons();
  void readTextLists();
  void buildTables();

  WidgetPrompter prompter_;
  AppContext core_;
  ModuleLinkSettings* moduleLinkSettings_ = nullptr;
  std::function<int()> accessLevelSource_;
  int accessLevel_ = 0;
  bool shown_ = false;
  bool closed_ = false;

  QToolBar* toolBar_ = nullptr;
  QTabWidget* pages_ = nullptr;
  MainPage* mainPage_ = nullptr;
  ErrorsPage* errorsPage_ = nullptr;
  ServicePage* servicePage_ = nullptr;
  LogTimePage* logTimePage_ = nullptr;
  ControlPage* controlPage_ = nullptr;
  DiagramPage* diagramPage_ = nullptr;
  TestPage* testPage_ = nullptr;
  BenchUi* benchUi_ = nullptr;
  SidePanel* sidePanel_ = nullptr;
  ProgressPanel* progressPanel_ = nullptr;
  ProfileBar* profileBar_ = nullptr;
  QList<QLabel*> statusPanels_;
  QTimer* pollTimer_ = nullptr;
  BusMonitorWindow* busMonitorWindow_ = nullptr;
  ModuleScanWindow* moduleScanWindow_ = nullptr;
};
