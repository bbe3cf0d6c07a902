#pragma once

#include <QWidget>
#include <array>

#include "params/ParameterTables.h"

class QGroupBox;
class QListWidget;
class QPushButton;
class QTableWidget;

// The page "Служебные": gains, the service parameters and inversion of the inputs, the error
// auto-reset and the debug values.
class ServicePage : public QWidget {
  Q_OBJECT
 public:
  explicit ServicePage(QWidget* parent = nullptr);
  QTableWidget* stringGridDebug() const { return debug_; }
  QTableWidget* stringGridAmps() const { return amps_; }
  QTableWidget* stringGridDebInpsParam() const { return debInpsParam_; }
  QTableWidget* stringGridAutoReset() const { return autoReset_; }
  QListWidget* checkListBoxInversion() const { return inversion_; }
  QGroupBox* autoResetGroup() const { return autoResetGroup_; }
  QGroupBox* groupBoxInversion() const { return inversionGroup_; }
  QPushButton* buttonSaveService() const { return save_; }

  // Shows the groups the module's firmware has; the inversion items take the names of the
  // first ten digital inputs.
  void showFirmwareGroups(bool autoReset, bool inversion, const QStringList& inputNames);
  void showInversion(const std::array<bool, ParameterTables::kInversionItems>& checked);

 signals:
  // The page became visible because the user (or the program) chose its tab.
  void shown();
  void inversionEdited(const std::array<bool, ParameterTables::kInversionItems>& checked);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QTableWidget* debug_;
  QTableWidget* amps_;
  QTableWidget* debInpsParam_;
  QTableWidget* autoReset_;
  QListWidget* inversion_;
  QGroupBox* autoResetGroup_;
  QGroupBox* inversionGroup_;
  QPushButton* save_;
};
