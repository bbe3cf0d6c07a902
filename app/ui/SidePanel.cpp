#include "app/ui/SidePanel.h"

#include <algorithm>

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/ui/LinkIndicator.h"
#include "params/ui/ParameterGrid.h"

namespace {

constexpr int kMinWidth = 270;
// Beside a name's text in its cell: the cell margins and the focus frame.
constexpr int kNamePadding = 12;
// What the grids keep free for their vertical scroll bar beside the value column.
constexpr int kScrollBarRoom = 24;

QGroupBox* wrapInGroup(const QString& title, QWidget* content, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(group);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(content);
  return group;
}

}  // namespace

SidePanel::SidePanel(QWidget* parent) : QFrame(parent) {
  setObjectName(QStringLiteral("Panel1"));
  setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);

  digInputs_ = ParameterGrid::makeGrid(QStringLiteral("StringGridDigInputs"), this);
  digOutputs_ = ParameterGrid::makeGrid(QStringLiteral("StringGridDigOutputs"), this);
  passDuration_ = new QLabel(this);
  passDuration_->setObjectName(QStringLiteral("Label12"));
  passDuration_->setToolTip(QStringLiteral("Длительность последнего цикла опроса модуля"));

  auto* linkGroup = new QGroupBox(this);
  auto* linkLayout = new QHBoxLayout(linkGroup);
  auto* linkLabel = new QLabel(QStringLiteral("Модуль на связи"), linkGroup);
  linkLamp_ = new LinkIndicator(linkGroup);
  linkLayout->addWidget(linkLabel);
  linkLayout->addStretch(1);
  linkLayout->addWidget(linkLamp_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(wrapInGroup(QStringLiteral("Дискретные входы"), digInputs_, this), 3);
  layout->addWidget(wrapInGroup(QStringLiteral("Дискретные выходы"), digOutputs_, this), 2);
  layout->addWidget(passDuration_);
  layout->addWidget(linkGroup);

  for (QTableWidget* grid : {digInputs_, digOutputs_}) {
    QAbstractItemModel* model = grid->model();
    connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& topLeft) {
      if (topLeft.column() == 0) fitNamesLater();
    });
    connect(model, &QAbstractItemModel::rowsRemoved, this, &SidePanel::fitNamesLater);
  }
}

QSize SidePanel::sizeHint() const {
  return {std::max(kMinWidth, layout()->minimumSize().width()), QFrame::sizeHint().height()};
}

void SidePanel::changeEvent(QEvent* event) {
  QFrame::changeEvent(event);
  if (event->type() == QEvent::FontChange) fitNamesLater();
}

void SidePanel::fitNamesLater() {
  if (fitPending_) return;
  fitPending_ = true;
  QTimer::singleShot(0, this, &SidePanel::fitNames);
}

void SidePanel::fitNames() {
  fitPending_ = false;
  for (QTableWidget* grid : {digInputs_, digOutputs_}) {
    int widest = 0;
    for (int r = 0; r < grid->rowCount(); ++r)
      if (const QTableWidgetItem* item = grid->item(r, 0))
        widest = std::max(widest, grid->fontMetrics().horizontalAdvance(item->text()));
    grid->setMinimumWidth(widest + kNamePadding + grid->columnWidth(1) + kScrollBarRoom +
                          2 * grid->frameWidth());
  }
  updateGeometry();
}

void SidePanel::showPassDuration(int ms) {
  passDuration_->setText(QStringLiteral("Цикл опроса: %1 мс").arg(ms));
}
