#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QPushButton>
#include <QThread>
#include <atomic>
#include <thread>

#include "core/ui/WidgetPrompter.h"
#include "ui/ModalAnswerer.h"

namespace {

// Runs `call` on a thread of its own, as the worker would, while this thread runs its loop.
void callFromWorker(const std::function<void()>& call) {
  QEventLoop loop;
  std::thread worker([&] {
    call();
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
}

}  // namespace

TEST(WidgetPrompter, WorkerWaitsForTheBoxOnTheWindowThread) {
  WidgetPrompter prompter;
  MessageBoxAnswerer boxes;
  size_t seenWhenReturned = 0;
  callFromWorker([&] {
    prompter.showMessage("Ошибка", "Нет ответа", Prompter::Icon::Error);
    seenWhenReturned = boxes.seen().size();
  });
  EXPECT_EQ(seenWhenReturned, 1u);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].title, QStringLiteral("Ошибка"));
  EXPECT_EQ(boxes.seen()[0].text, QStringLiteral("Нет ответа"));
  EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Critical);
}

TEST(WidgetPrompter, ConfirmReportsTheAnswerFromEitherThread) {
  for (auto answer : {QMessageBox::Ok, QMessageBox::Cancel}) {
    WidgetPrompter prompter;
    MessageBoxAnswerer boxes(answer);
    bool fromWorker = false;
    callFromWorker([&] { fromWorker = prompter.confirm("Вопрос", "Перечитать?"); });
    const bool fromWindow = prompter.confirm("Вопрос", "Перечитать?");
    EXPECT_EQ(fromWorker, answer == QMessageBox::Ok);
    EXPECT_EQ(fromWindow, answer == QMessageBox::Ok);
    EXPECT_EQ(boxes.seen().size(), 2u);
  }
}

// The stock dialogs speak Russian (Qt's own translations, loaded as the program loads them),
// and the program's boxes carry their own button texts.
TEST(WidgetPrompter, StockDialogsAndBoxesAreInRussian) {
  QFileDialog files;
  files.setOption(QFileDialog::DontUseNativeDialog);
  auto* buttons = files.findChild<QDialogButtonBox*>();
  ASSERT_NE(buttons, nullptr);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), "Отмена");

  WidgetPrompter prompter;
  MessageBoxAnswerer boxes;
  prompter.showMessage("Ошибка", "Нет ответа", Prompter::Icon::Error);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].buttons, QStringList({"ОК"}));
}

// The window closes while the worker waits on a question: the worker gets Cancel and goes on
// without the window's event loop, and the question is never shown.
TEST(WidgetPrompter, ClosingAnswersAWaitingQuestionWithCancel) {
  WidgetPrompter prompter;
  MessageBoxAnswerer boxes(QMessageBox::Ok);
  std::atomic_bool asking{false};
  bool answer = true;
  std::thread worker([&] {
    asking = true;
    answer = prompter.confirm("Вопрос", "Перечитать?");
  });
  while (!asking) QThread::yieldCurrentThread();
  prompter.shutDown();
  worker.join();
  EXPECT_FALSE(answer);
  QCoreApplication::processEvents();
  EXPECT_TRUE(boxes.seen().empty());
  // The window's own questions are still asked.
  EXPECT_TRUE(prompter.confirm("Вопрос", "Сохранить?"));
}
