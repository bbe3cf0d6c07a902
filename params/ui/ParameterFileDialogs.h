#pragma once

struct ParameterContext;
class QWidget;

// The main tab's "Сохранить параметры в файл" and "Загрузить параметры из файла": a file
// dialog, then the parameter file itself. The poll timer (Timer1) is stopped while the dialog
// is open and started again afterwards, and the working directory is put back as it was.

// True when a file was written ("Данные сохранены в файл" has been shown).
bool saveParameterFileDialog(QWidget* parent, const ParameterContext& ctx);
// True when a file was loaded into the tables.
bool loadParameterFileDialog(QWidget* parent, const ParameterContext& ctx);
