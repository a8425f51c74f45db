// The Qt dialogs driven on the offscreen platform: a timer presses the buttons.
#include "platform/QtDialogs.h"
#include "platform/testing/TestApplication.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;
using platform::QtDialogs;

namespace {

class QtDialogsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::testing::EnsureTestApplication(); }
};

// Runs act on the modal dialog as soon as it is shown.
template <typename Dialog> void WhenShown(std::function<void(Dialog&)> act) {
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(*dialog);
        }
    });
    timer->start();
}

MessageResult Press(QtDialogs& dialogs, MessageIcon icon, MessageButtons buttons,
                    QMessageBox::StandardButton button, QMessageBox::Icon* seenIcon = nullptr,
                    QString* seenText = nullptr, Qt::TextFormat* seenFormat = nullptr) {
    WhenShown<QMessageBox>([=](QMessageBox& box) {
        if (seenIcon != nullptr) {
            *seenIcon = box.icon();
        }
        if (seenText != nullptr) {
            *seenText = box.text();
        }
        if (seenFormat != nullptr) {
            *seenFormat = box.textFormat();
        }
        if (button == QMessageBox::Escape) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&box, &escape);
        } else {
            box.button(button)->click();
        }
    });
    return dialogs.ShowMessage("Unable to save the image to /tmp/<b>a</b>.png.", icon, buttons);
}

} // namespace

TEST_F(QtDialogsTest, MessageBoxesAnswerWithThePressedButton) {
    QtDialogs dialogs;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    EXPECT_EQ(Press(dialogs, MessageIcon::Error, MessageButtons::Ok, QMessageBox::Ok, &icon, &text,
                    &format),
              MessageResult::Ok);
    EXPECT_EQ(icon, QMessageBox::Critical);
    // A name with markup characters shows as typed.
    EXPECT_EQ(text, "Unable to save the image to /tmp/<b>a</b>.png.");
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(
        Press(dialogs, MessageIcon::Question, MessageButtons::OkCancel, QMessageBox::Ok, &icon),
        MessageResult::Ok);
    EXPECT_EQ(icon, QMessageBox::Question);
    EXPECT_EQ(Press(dialogs, MessageIcon::Question, MessageButtons::OkCancel, QMessageBox::Cancel),
              MessageResult::Cancel);
    EXPECT_EQ(Press(dialogs, MessageIcon::Error, MessageButtons::YesCancel, QMessageBox::Yes),
              MessageResult::Yes);
    EXPECT_EQ(Press(dialogs, MessageIcon::Error, MessageButtons::YesCancel, QMessageBox::Cancel),
              MessageResult::Cancel);
    // Escape cancels, or acknowledges a box that has only OK.
    EXPECT_EQ(Press(dialogs, MessageIcon::Error, MessageButtons::YesCancel, QMessageBox::Escape),
              MessageResult::Cancel);
    EXPECT_EQ(Press(dialogs, MessageIcon::Error, MessageButtons::Ok, QMessageBox::Escape),
              MessageResult::Ok);
}

TEST_F(QtDialogsTest, WaitCursorNestsAndRestores) {
    QtDialogs dialogs;
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        platform::WaitCursor outer(dialogs);
        platform::WaitCursor inner(dialogs);
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // An unmatched end leaves a cursor someone else set alone.
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);
    dialogs.EndWaitCursor();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QGuiApplication::restoreOverrideCursor();
}

TEST_F(QtDialogsTest, ClockRunsAndMissingDocumentsFail) {
    QtDialogs dialogs;
    const auto first = dialogs.TickCount();
    const auto second = dialogs.TickCount();
    EXPECT_GE(second, first);
    EXPECT_GT(first, 0u);
    EXPECT_FALSE(dialogs.OpenDocument("/nonexistent-folder-xyz/Manual/index.html"));
}

void RunEventsFor(int ms) {
    QElapsedTimer running;
    running.start();
    while (running.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
}

// A desktop whose opener finds no program for the document (xdg-open without a web
// browser) says so only on standard error and by its exit status: the caller hears of it
// later. An opener that succeeds reports nothing, and the document is passed by full path.
TEST_F(QtDialogsTest, AnOpenerThatFailsAfterStartingIsReported) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString document = folder.filePath("index.html");
    QFile(document).open(QIODevice::WriteOnly);
    const QString asked = folder.filePath("asked");
    const QString opener = folder.filePath("xdg-open");
    auto writeOpener = [&](int status) {
        QFile script(opener);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly | QIODevice::Truncate));
        script.write(
            QString("#!/bin/sh\necho \"$1\" > '%1'\nexit %2\n").arg(asked).arg(status).toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", folder.path().toUtf8() + ":" + oldPath);

    QtDialogs dialogs;
    for (const int status : {3, 0}) {
        writeOpener(status);
        QFile::remove(asked);
        bool failed = false;
        EXPECT_TRUE(dialogs.OpenDocumentWatched(document.toStdString(), [&] { failed = true; }));
        QElapsedTimer waited;
        waited.start();
        while (!QFile::exists(asked) && waited.elapsed() < 5000)
            RunEventsFor(20);
        RunEventsFor(300); // the exit status arrives after the script's last line
        EXPECT_EQ(failed, status != 0) << status;
        QFile answer(asked);
        ASSERT_TRUE(answer.open(QIODevice::ReadOnly));
        EXPECT_EQ(answer.readAll().trimmed(), QFileInfo(document).absoluteFilePath().toUtf8());
    }
    qputenv("PATH", oldPath);
}
