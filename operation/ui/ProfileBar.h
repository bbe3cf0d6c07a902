#pragma once

#include <QPoint>
#include <QWidget>
#include <array>

#include "params/ParameterState.h"

struct ParameterContext;
class SettingsStore;
class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class ProfileButtonDialog;

// The four profile buttons of the group "Загрузка профилей": one click loads the button's
// parameter file into the main tab and asks the poll cycle to write it into the module. Names
// and files live in prof.ini, sections prof1 to prof4.
class ProfileBar : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kButtons = 4;
  static constexpr int kButtonWidth = 70;

  ProfileBar(const ParameterContext& params, SettingsStore& prof, QWidget* parent = nullptr);

  // Captions from prof.ini, "Профиль N" where a button has no name yet.
  void captionProfileButtons();

  QToolBar* toolBar() const { return toolBar_; }
  // Button N (1 to 4): ToolButton17 to ToolButton20.
  QToolButton* profileButton(int n) const { return buttons_.at(n - 1); }
  QMenu* popupMenu() const { return popupMenu_; }
  QAction* configureAction() const { return configureAction_; }
  ProfileButtonDialog* formProfile() const { return form_; }
  QToolButton* lastProfileButton() const { return lastButton_; }

  // Shared handlers of the four buttons and of the popup item.
  void profileButtonClicked(QToolButton* button);
  void profileButtonReleased(QToolButton* button, Qt::MouseButton mouseButton,
                             const QPoint& globalPos);
  void configureClicked();

  // Loads profile N's file; true when it was loaded and the write to the module requested.
  bool loadProfileByButton(int n);
  // The dialog "Профиль" for profile N; "ОК" stores the name and file and renames the button.
  void configureProfileButton(int n);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int place(const QToolButton* button) const;
  // kButtonWidth at the first font, in proportion to a larger one.
  void fitButtons();

  ParameterContext params_;
  SettingsStore& prof_;
  QToolBar* toolBar_;
  std::array<QToolButton*, kButtons> buttons_{};
  QMenu* popupMenu_;
  QAction* configureAction_;
  ProfileButtonDialog* form_;
  QToolButton* lastButton_ = nullptr;
  int baseFontHeight_ = 0;
};
