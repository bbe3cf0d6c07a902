#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <mutex>

#include "params/FirmwareLayout.h"

// The tables the window shows, as core state: names, value cell texts and the registers last
// read for each, bound to a register block. Worker-side code fills them; the window draws them
// when told (queued) and writes the cell texts the user types back here.
class ParameterTables : public QObject {
  Q_OBJECT
 public:
  enum Id {
    // the eight display tables, in the order the link-loss blanking walks them
    DigInputs,
    DigOutputs,
    Errors,
    Debug,
    Timers,
    Amps,
    Inps,
    Actu,
    // parameter tables of the service tab
    AutoReset,
    DebInpsParam,
    Count
  };
  static constexpr int kDisplayTables = Actu + 1;
  static constexpr int kBufferSize = 512;

  struct Table {
    QString section;        // name section in mem.ini
    QString defaultPrefix;  // name of a row without a key: prefix + row number
    uint16_t start = 0;
    uint16_t count = 0;
    QStringList names;
    QStringList values;  // column 1 texts, one per row
    std::array<uint16_t, kBufferSize> buffer{};
  };

  // What identification found; read by the window to show or hide version-dependent groups.
  struct Firmware {
    int version = 0;
    int revision = 0;
    int logicNumber = 1;
    int mapVariant = 0;
    FirmwareLayout layout;
    QString diSection, errSection;
    bool built = false;  // false until the first identification built the tables
  };

  // The main and service tabs' controls that are not grids: the output-logic radio pairs
  // (registers 131 and 132), the motor voltage type (register 119) and the input-inversion
  // check list. The window writes the user's choices here; the worker reads and writes them.
  static constexpr int kInversionItems = 10;
  struct Choices {
    uint16_t alarmRead = 0;          // register 131 as last read
    uint16_t powerRead = 0;          // register 132 as last read
    bool alarmOn = false;            // RadioButtonAlarmOn checked (else RadioButtonAlarmOff)
    bool direct = false;             // RadioButtonDirect checked (else RadioButtonInverse)
    int motorVoltageType = 0;        // register 119 as last read; 0 = 24 V before any read
    bool motorVoltageShown = false;  // StaticTextMotorVoltage holds a read value
    std::array<bool, kInversionItems> inversionChecked{};
  };
  Choices choices() const;
  // Changes the choices under the lock and tells the window.
  void updateChoices(const std::function<void(Choices&)>& change);

  static const char* objectName(Id id);
  // Width of the value column: 24 for lamps, 30 for the inputs and auto-reset tables, else 48.
  static int valueColumnWidth(Id id);

  // Replaces a table's structure. Rows that still exist keep their value texts (what was read,
  // typed or blanked); new rows start empty. The buffer stays.
  void setStructure(Id id, const QString& section, uint16_t start, uint16_t count,
                    const QStringList& names);
  // Stores `count` registers read from the table's block starting at its row `firstRow`, and
  // their cell texts (decimal, or bit 0 for the outputs).
  void storeRead(Id id, const uint16_t* values, int count, int firstRow = 0);
  // "---" in every value cell and, unless told otherwise, zero in the whole buffer.
  void blank(Id id, bool zeroBuffer = true);
  void setCellText(Id id, int row, const QString& text);
  // The register of `row` as the module now holds it (after a write).
  void setBufferValue(Id id, int row, uint16_t value);

  int rowCount(Id id) const;
  QString name(Id id, int row) const;
  QString cellText(Id id, int row) const;
  uint16_t bufferValue(Id id, int row) const;
  Table table(Id id) const;
  // Rows whose typed text is not the value the module was last read or written to hold (an
  // empty or "---" cell is no typed value).
  int unwrittenRows(Id id) const;
  // The caption of a parameter table as its tab shows it.
  static QString caption(Id id);

  void setFirmware(const Firmware& f);
  Firmware firmware() const;

  // Tells the window that rows or names changed (after identification built the tables).
  void announceStructure() { emit structureChanged(); }

 signals:
  void structureChanged();
  void valuesChanged(int id);
  void choicesChanged();

 private:
  mutable std::mutex mutex_;
  std::array<Table, Count> tables_;
  Firmware firmware_;
  Choices choices_;
};
