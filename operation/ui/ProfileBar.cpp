#include "operation/ui/ProfileBar.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/Prompter.h"
#include "core/SessionJournal.h"
#include "core/SettingsStore.h"
#include "link/RequestFlags.h"
#include "operation/ui/ProfileButtonDialog.h"
#include "params/ParameterFile.h"
#include "params/ParameterState.h"

namespace {

const QString kError = QStringLiteral("Ошибка");
// prof.ini: section profN holds button N's caption (name) and parameter file (path). The
// caption the button shows and the one the dialog offers are the same, so keeping the dialog's
// text never renames the button.
const QString kName = QStringLiteral("name");
const QString kPath = QStringLiteral("path");

QString section(int n) { return QStringLiteral("prof%1").arg(n); }
QString defaultName(int n) { return QStringLiteral("Профиль ") + QString::number(n); }

}  // namespace

ProfileBar::ProfileBar(const ParameterContext& params, SettingsStore& prof, QWidget* parent)
    : QWidget(parent), params_(params), prof_(prof) {
  setObjectName(QStringLiteral("ProfileBar"));
  toolBar_ = new QToolBar(this);
  toolBar_->setObjectName(QStringLiteral("ToolBar3"));
  toolBar_->setMovable(false);
  toolBar_->setFloatable(false);
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);

  popupMenu_ = new QMenu(this);
  popupMenu_->setObjectName(QStringLiteral("PopupMenu1"));
  configureAction_ = popupMenu_->addAction(QStringLiteral("Настройка кнопки загрузки профиля"));
  configureAction_->setObjectName(QStringLiteral("N1"));
  connect(configureAction_, &QAction::triggered, this, &ProfileBar::configureClicked);

  for (int i = 0; i < kButtons; ++i) {
    auto* button = new QToolButton(toolBar_);
    button->setObjectName(QStringLiteral("ToolButton%1").arg(17 + i));
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The popup opens on the release of the right button, from profileButtonReleased.
    button->setContextMenuPolicy(Qt::PreventContextMenu);
    button->installEventFilter(this);
    connect(button, &QToolButton::clicked, this, [this, button] { profileButtonClicked(button); });
    toolBar_->addWidget(button);
    buttons_[i] = button;
  }

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(toolBar_);

  form_ = new ProfileButtonDialog(this);
  captionProfileButtons();
}

void ProfileBar::captionProfileButtons() {
  for (int n = 1; n <= kButtons; ++n)
    profileButton(n)->setText(prof_.readString(section(n), kName, defaultName(n)));
  fitButtons();
}

void ProfileBar::fitButtons() {
  // 70 pixels at the font the window started with, growing with a larger font chosen later.
  const int height = fontMetrics().height();
  if (baseFontHeight_ == 0) baseFontHeight_ = height;
  const int width = std::max(kButtonWidth, kButtonWidth * height / baseFontHeight_);
  for (QToolButton* button : buttons_) button->setFixedWidth(width);
}

void ProfileBar::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) fitButtons();
}

int ProfileBar::place(const QToolButton* button) const {
  for (int i = 0; i < kButtons; ++i)
    if (buttons_[i] == button) return i + 1;
  return 0;
}

bool ProfileBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* button = qobject_cast<QToolButton*>(watched);
    if (button && place(button) != 0) {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      profileButtonReleased(button, mouse->button(), mouse->globalPosition().toPoint());
    }
  }
  return QWidget::eventFilter(watched, event);
}

void ProfileBar::profileButtonClicked(QToolButton* button) {
  if (const int n = place(button)) loadProfileByButton(n);
}

void ProfileBar::profileButtonReleased(QToolButton* button, Qt::MouseButton mouseButton,
                                       const QPoint& globalPos) {
  if (place(button) == 0) return;
  lastButton_ = button;
  if (mouseButton == Qt::RightButton) popupMenu_->popup(globalPos);
}

void ProfileBar::configureClicked() {
  if (const int n = place(lastButton_)) configureProfileButton(n);
}

bool ProfileBar::loadProfileByButton(int n) {
  const QString path = prof_.readString(section(n), kPath, QString());
  if (path.isEmpty()) {
    params_.link.prompter.showMessage(
        kError, QStringLiteral("Не указан путь к файлу данного профиля"), Prompter::Icon::Error);
    return false;
  }
  if (!QFileInfo(path).isFile()) {
    params_.link.prompter.showMessage(
        kError, QStringLiteral("Файл данного профиля не найден по указаному пути"),
        Prompter::Icon::Error);
    return false;
  }
  if (!loadParameterFile(params_, path)) return false;  // it has said why
  params_.link.journal.append(QStringLiteral("Профиль %1: загружен, запись в модуль").arg(n));
  params_.link.requests.module[RequestFlags::MainWrite] = true;
  return true;
}

void ProfileBar::configureProfileButton(int n) {
  form_->setWindowTitle(defaultName(n));
  form_->editName()->setText(prof_.readString(section(n), kName, defaultName(n)));
  form_->editFile()->setText(prof_.readString(section(n), kPath, QString()));
  // The file dialog may move the working directory.
  const QString workingDirectory = QDir::currentPath();
  form_->exec();
  QDir::setCurrent(workingDirectory);
  if (!form_->resultOk()) return;

  const QString name = form_->editName()->text();
  prof_.writeString(section(n), kName, name);
  prof_.writeString(section(n), kPath, form_->editFile()->text());
  profileButton(n)->setText(name);
  fitButtons();
  flushOrReport(prof_, params_.link.prompter);
}
