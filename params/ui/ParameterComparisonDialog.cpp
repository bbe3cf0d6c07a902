#include "params/ui/ParameterComparisonDialog.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum Column { Table, Name, Register, Module, File, ColumnCount };
constexpr int kRowsInView = 12;

QTableWidgetItem* item(const QString& text, bool number) {
  auto* cell = new QTableWidgetItem(text);
  cell->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  if (number) cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return cell;
}

}  // namespace

ParameterComparisonDialog::ParameterComparisonDialog(const QString& file,
                                                     const ParameterDifferences& rows,
                                                     int unwrittenValues, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("CompareDlg"));
  setWindowTitle(QStringLiteral("Сравнение с файлом"));

  file_ = new QLabel(QStringLiteral("Файл: ") + QDir::toNativeSeparators(file), this);
  file_->setObjectName(QStringLiteral("LabelCompareFile"));
  file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  file_->setWordWrap(true);
  result_ = new QLabel(this);
  result_->setObjectName(QStringLiteral("LabelCompareResult"));
  QFont bold = result_->font();
  bold.setBold(true);
  result_->setFont(bold);
  unwritten_ = new QLabel(this);
  unwritten_->setObjectName(QStringLiteral("LabelCompareUnwritten"));
  unwritten_->setWordWrap(true);
  unwritten_->setText(
      QStringLiteral("Введено в таблицы и не записано в модуль значений: %1. С файлом "
                     "сравнивались значения, которые хранит модуль.")
          .arg(unwrittenValues));
  unwritten_->setVisible(unwrittenValues > 0);

  grid_ = new QTableWidget(0, ColumnCount, this);
  grid_->setObjectName(QStringLiteral("StringGridDifferences"));
  grid_->setHorizontalHeaderLabels({QStringLiteral("Таблица"), QStringLiteral("Параметр"),
                                    QStringLiteral("Регистр"), QStringLiteral("В модуле"),
                                    QStringLiteral("В файле")});
  grid_->verticalHeader()->hide();
  grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setAlternatingRowColors(true);

  write_ = new QPushButton(QStringLiteral("Записать отличия"), this);
  write_->setObjectName(QStringLiteral("ButtonWriteDifferences"));
  close_ = new QPushButton(QStringLiteral("Закрыть"), this);
  close_->setObjectName(QStringLiteral("ButtonCloseCompare"));
  // Enter must not write to the module by accident.
  write_->setAutoDefault(false);
  close_->setDefault(true);
  connect(write_, &QPushButton::clicked, this, &QDialog::accept);
  connect(close_, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(write_);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(file_);
  layout->addWidget(result_);
  layout->addWidget(unwritten_);
  layout->addWidget(grid_, 1);
  layout->addLayout(buttons);

  fill(rows);
  // Opens as small as shows everything; the user may enlarge it.
  resize(minimumSizeHint());
}

void ParameterComparisonDialog::fill(const ParameterDifferences& rows) {
  if (rows.isEmpty()) {
    result_->setText(QStringLiteral("Отличий нет: параметры в модуле совпадают с файлом."));
    grid_->hide();
    write_->hide();
    return;
  }
  result_->setText(
      QStringLiteral("Параметров в модуле, отличающихся от файла: %1").arg(rows.size()));
  grid_->setRowCount(int(rows.size()));
  for (int r = 0; r < rows.size(); ++r) {
    const ParameterDifference& d = rows[r];
    grid_->setItem(r, Table, item(d.table, false));
    grid_->setItem(r, Name, item(d.name, false));
    grid_->setItem(r, Register, item(QString::number(d.reg), true));
    grid_->setItem(r, Module, item(QString::number(d.module), true));
    QTableWidgetItem* fileCell = item(d.file, true);
    if (!d.value) {
      // The write refuses such a row; the user should see why before pressing it.
      fileCell->setForeground(Qt::red);
      fileCell->setToolTip(QStringLiteral("Не число: записать нельзя"));
    }
    grid_->setItem(r, File, fileCell);
  }
  grid_->resizeColumnsToContents();
  grid_->resizeRowsToContents();
  // Every column in full, and up to a dozen rows before the grid scrolls.
  const int frame = 2 * grid_->frameWidth();
  int height = grid_->horizontalHeader()->sizeHint().height() + frame;
  for (int r = 0; r < std::min<int>(grid_->rowCount(), kRowsInView); ++r)
    height += grid_->rowHeight(r);
  const int scrollBar =
      grid_->rowCount() > kRowsInView ? grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 0;
  grid_->setMinimumSize(grid_->horizontalHeader()->length() + frame + scrollBar, height);
  // Measured with every column at its contents' width; a wider dialog widens the last.
  grid_->horizontalHeader()->setStretchLastSection(true);
  // Enter closes; writing to the module takes a deliberate click.
  close_->setFocus();
}
