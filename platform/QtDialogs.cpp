#include "platform/QtDialogs.h"

#include "platform/PrinterPrintJob.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>

#include <chrono>
#include <cstdio>
#include <memory>

namespace platform {

MessageResult QtDialogs::ShowMessage(const std::string& text, MessageIcon icon,
                                     MessageButtons buttons) {
    if (unattended_) {
        std::fprintf(stderr, "%s\n", text.c_str());
        return buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::Cancel;
    }
    QMessageBox box(parent_);
    box.setWindowTitle(QGuiApplication::applicationDisplayName());
    // Messages carry file names and typed text: never markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(text));
    box.setIcon(icon == MessageIcon::Error      ? QMessageBox::Critical
                : icon == MessageIcon::Question ? QMessageBox::Question
                                                : QMessageBox::Information);
    QAbstractButton* ok = nullptr;
    QAbstractButton* yes = nullptr;
    QAbstractButton* cancel = nullptr;
    switch (buttons) {
    case MessageButtons::Ok:
        ok = box.addButton(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(ok);
        break;
    case MessageButtons::OkCancel:
        ok = box.addButton(QMessageBox::Ok);
        cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(cancel);
        break;
    case MessageButtons::YesCancel:
        yes = box.addButton(QMessageBox::Yes);
        cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(cancel);
        break;
    }
    box.exec();
    QAbstractButton* pressed = box.clickedButton();
    if (pressed != nullptr && pressed == yes) {
        return MessageResult::Yes;
    }
    if (pressed != nullptr && pressed == ok) {
        return MessageResult::Ok;
    }
    return buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::Cancel;
}

std::optional<std::string> QtDialogs::AskSaveFileName(const std::string& title,
                                                      const std::string& defaultExtension,
                                                      const std::string& filter) {
    QFileDialog dialog(parent_, QString::fromStdString(title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Asks before an existing file is replaced.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    QString suffix = QString::fromStdString(defaultExtension);
    if (suffix.startsWith(QLatin1Char('.'))) {
        suffix.remove(0, 1);
    }
    dialog.setDefaultSuffix(suffix);
    if (!filter.empty()) {
        dialog.setNameFilters(QString::fromStdString(filter).split(QStringLiteral(";;")));
        // A bare name gets the extension of the type chosen. The list's own reading of
        // "(*.jpg, *.jpeg)" would keep the comma in a pattern; the file list is given the
        // clean patterns each time a type is chosen.
        auto useFilter = [&dialog](const QString& chosen) {
            const QStringList patterns = FilterPatterns(chosen);
            if (patterns.isEmpty()) {
                return;
            }
            if (patterns.constFirst().startsWith(QStringLiteral("*."))) {
                dialog.setDefaultSuffix(patterns.constFirst().mid(2));
            }
            if (auto* model = dialog.findChild<QFileSystemModel*>()) {
                model->setNameFilters(patterns);
            }
        };
        // The dialog's own signal does not follow every change of the type list; the list
        // is watched itself, and after the dialog's handling of a choice (connected later,
        // this runs after it).
        if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            QObject::connect(types, &QComboBox::currentTextChanged, &dialog, useFilter);
            QObject::connect(types, &QComboBox::textActivated, &dialog, useFilter);
        } else {
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, useFilter);
        }
        useFilter(dialog.selectedNameFilter());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst().toStdString();
}

QStringList FilterPatterns(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open) {
        return {};
    }
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    return filter.mid(open + 1, close - open - 1).split(separators, Qt::SkipEmptyParts);
}

std::unique_ptr<PrintJob> QtDialogs::AskPrinter() {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!lastPrinter_.isEmpty()) {
        printer->setPrinterName(lastPrinter_);
    }
    // 300 pixels per inch keeps the page raster near 26 MB for A4.
    printer->setResolution(300);
    printer->setPageOrientation(QPageLayout::Portrait);
    QPrintDialog dialog(printer.get(), parent_);
    if (dialog.exec() != QDialog::Accepted) {
        return nullptr;
    }
    lastPrinter_ = printer->printerName();
    return std::make_unique<PrinterPrintJob>(std::move(printer));
}

void QtDialogs::BeginWaitCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitDepth_;
}

void QtDialogs::EndWaitCursor() {
    // An unmatched end must not pop a cursor someone else set.
    if (waitDepth_ > 0) {
        --waitDepth_;
        QGuiApplication::restoreOverrideCursor();
    }
}

std::uint64_t QtDialogs::TickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

bool QtDialogs::OpenDocument(const std::string& path) {
    return OpenDocumentWatched(path, {});
}

bool QtDialogs::OpenDocumentWatched(const std::string& path, std::function<void()> failedLater) {
    // The desktop opener starts a viewer even for a missing file; the callers rely on a
    // missing document failing so they can try the next place.
    const QString name = QString::fromStdString(path);
    if (!QFileInfo::exists(name)) {
        return false;
    }
    const QString absolute = QFileInfo(name).absoluteFilePath();
    const QString opener = QStandardPaths::findExecutable("xdg-open");
    if (opener.isEmpty()) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(absolute));
    }
    // Qt's opener hands the file to xdg-open and counts that as success, even when xdg-open
    // then finds no program for it and only says so on standard error. Run it here and
    // watch how it ends. It may run for as long as the viewer it started, so only an early
    // failure counts.
    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({absolute});
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    auto started = std::make_shared<QElapsedTimer>();
    QObject::connect(process, &QProcess::finished, process,
                     [process, started, failedLater](int code, QProcess::ExitStatus status) {
                         const bool failed = status != QProcess::NormalExit || code != 0;
                         if (failed && failedLater && started->elapsed() < kLateFailureWindow) {
                             failedLater();
                         }
                         process->deleteLater();
                     });
    started->start();
    process->start();
    if (!process->waitForStarted()) {
        delete process;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(absolute));
    }
    return true;
}

void CentreOnOwner(QWidget& dialog) {
    if (QWidget* owner = dialog.parentWidget()) {
        const QWidget& main = *owner->window();
        if (dialog.frameGeometry() == dialog.geometry()) {
            // Shown for the first time: the window manager has not framed it yet, and the
            // position given places the client area. The frame it gets is that of the main
            // window, so the client areas share their centre.
            QRect client = dialog.geometry();
            client.moveCenter(main.geometry().center());
            dialog.move(client.topLeft());
            return;
        }
        QRect frame = dialog.frameGeometry(); // move() places the frame, not the client area
        frame.moveCenter(main.frameGeometry().center());
        dialog.move(frame.topLeft());
    }
}

} // namespace platform
