#include "settings/SettingsForm.h"
#include "platform/testing/FakeDialogs.h"
#include "platform/testing/TestApplication.h"
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;
using platform::MessageButtons;
using platform::MessageIcon;
using platform::MessageResult;
using tickora::SettingsField;
using tickora::TSettingsForm;
using tickora::TSettingsRecord;

const std::string kRateMessage =
    "Invalid beat rate. Please select AUTO, or a rate between 300 and 43200 beats/hour.";
const std::string kAngleMessage =
    "Invalid lift angle. Please select an angle between 30 and 70 degrees.";
const std::string kShortSettling = "Settling time is too short for a beat rate of 300 "
                                   "beats/hour. Please select a time between 60 and 60 seconds.";

// The field that has the keyboard focus (a list's editor counts as its list).
// Before the window is active, the widget that will get the focus.
QWidget* FocusedField(QWidget* window = nullptr) {
    QWidget* widget = window ? window->focusWidget() : QApplication::focusWidget();
    if (widget && qobject_cast<QLineEdit*>(widget) &&
        qobject_cast<QComboBox*>(widget->parentWidget()))
        return widget->parentWidget();
    return widget;
}

QStringList Entries(const QComboBox* box) {
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    return entries;
}

class SettingsFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::testing::EnsureTestApplication(); }

    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("tickora-form-" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        path_ = (folder_ / "Settings.ini").string();
        host_.pageCount = [this] { return pages_; };
        host_.clearPages = [this] { ++clearCalls_; };
        host_.showAbout = [this] {
            aboutShownWhileDialogVisible_ = form_->isVisible();
            ++aboutCalls_;
        };
        host_.listInputDevices = [] {
            return std::vector<std::string>{"Microsoft Sound Mapper - Input", "USB Microphone",
                                            "Line In"};
        };
        form_ = std::make_unique<TSettingsForm>(dialogs_, host_);
        form_->SetFilePath(path_);
    }
    void TearDown() override {
        form_.reset();
        fs::remove_all(folder_);
    }

    void Show() {
        form_->show();
        form_->activateWindow();
        QApplication::setActiveWindow(form_.get());
        QCoreApplication::processEvents();
    }
    // Moves the keyboard focus as the user would, so the field left gets its focus-out.
    void Focus(QWidget* widget) {
        widget->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
    }
    // The texts of the messages shown since the last call.
    std::vector<std::string> NewTexts() {
        std::vector<std::string> texts;
        const auto& messages = dialogs_.Messages();
        for (; seen_ < messages.size(); ++seen_)
            texts.push_back(messages[seen_].text);
        return texts;
    }
    std::string FileBytes() const {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void WriteFile(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }

    fs::path folder_;
    std::string path_;
    platform::testing::FakeDialogs dialogs_;
    std::size_t seen_ = 0; // messages before this index have been looked at
    tickora::SettingsFormHost host_;
    int pages_ = 0;
    int clearCalls_ = 0;
    int aboutCalls_ = 0;
    bool aboutShownWhileDialogVisible_ = true;
    std::unique_ptr<TSettingsForm> form_;
};

TEST_F(SettingsFormTest, ControlsListsAndInitialTexts) {
    TSettingsForm& form = *form_;
    EXPECT_EQ(form.windowTitle(), "Settings");
    EXPECT_EQ(form.size(), QSize(665, 349));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()); // no resizing

    EXPECT_EQ(Entries(form.RateComboBox()),
              QStringList({"AUTO", "3600", "12000", "14400", "18000", "19800", "21600", "25200",
                           "28800", "36000"}));
    const QStringList angles = Entries(form.AngleComboBox());
    ASSERT_EQ(angles.size(), 41);
    EXPECT_EQ(angles.front(), "30");
    EXPECT_EQ(angles.back(), "70");
    EXPECT_EQ(Entries(form.PeriodComboBox()),
              QStringList({"2", "5", "10", "20", "30", "60", "120", "300", "600"}));
    EXPECT_EQ(Entries(form.SettlingComboBox()), QStringList({"5", "10", "15", "20", "30", "60"}));
    EXPECT_EQ(Entries(form.ScaleComboBox()), QStringList({"1", "2", "5", "10", "20"}));
    EXPECT_EQ(Entries(form.SweepComboBox()),
              QStringList({"1/8", "1/7", "1/6", "1/5.5", "1/5", "1/4", "1/3.5", "1/3", "2/5.5",
                           "1/2.5", "1/2", "2/3.5", "1", "2", "5", "10"}));
    EXPECT_EQ(Entries(form.FilteringComboBox()),
              QStringList({"None", "Wide (160Hz - 16kHz)", "Medium (400Hz - 12kHz)",
                           "Narrow (800Hz - 8kHz)"}));
    EXPECT_EQ(Entries(form.InputDeviceComboBox()),
              QStringList({"Microsoft Sound Mapper - Input", "USB Microphone", "Line In"}));

    EXPECT_EQ(form.RateComboBox()->currentText(), "AUTO");
    EXPECT_EQ(form.AngleComboBox()->currentText(), "52");
    EXPECT_EQ(form.PeriodComboBox()->currentText(), "20");
    EXPECT_EQ(form.SettlingComboBox()->currentText(), "5");
    EXPECT_EQ(form.ScaleComboBox()->currentText(), "10");
    EXPECT_EQ(form.SweepComboBox()->currentText(), "1");
    EXPECT_EQ(form.CalibrationEdit()->text(), "0");
    EXPECT_EQ(form.InputDeviceComboBox()->currentIndex(), 0);
    EXPECT_EQ(form.FilteringComboBox()->currentText(), "None"); // as after a restart
    EXPECT_FALSE(form.PauseCheckBox()->isChecked());
    EXPECT_FALSE(form.ManualCheckBox()->isChecked());
    EXPECT_FALSE(form.PlotRawCheckBox()->isChecked());

    for (QComboBox* box : {form.RateComboBox(), form.AngleComboBox(), form.PeriodComboBox(),
                           form.SettlingComboBox(), form.ScaleComboBox(), form.SweepComboBox()}) {
        EXPECT_TRUE(box->isEditable());
        EXPECT_EQ(box->font().pixelSize(), 11);
    }
    EXPECT_FALSE(form.InputDeviceComboBox()->isEditable());
    EXPECT_FALSE(form.FilteringComboBox()->isEditable());
    EXPECT_EQ(form.font().pixelSize(), 13);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(204, 204, 204));

    EXPECT_EQ(form.PauseCheckBox()->text(), "Pause at &end of averaging period.");
    EXPECT_EQ(form.ManualCheckBox()->text(), "Adjust threshold level &manually.");
    EXPECT_EQ(form.PlotRawCheckBox()->text(), "Plot raw watch s&ounds instead of analyzed ticks.");
    EXPECT_EQ(form.OKButton()->text(), "OK");
    EXPECT_EQ(form.CancelButton()->text(), "Cancel");
    EXPECT_EQ(form.HelpButton()->text(), "Help");
    EXPECT_EQ(form.AboutButton()->text(), "A&bout");
    EXPECT_EQ(form.ClearPagesButton()->text(), "C&lear Pages");
    EXPECT_TRUE(form.OKButton()->isDefault());

    // Each field's caption carries its access key and leads to the field.
    const std::map<QString, QWidget*> captions = {
        {"Beat &Rate:", form.RateComboBox()},
        {"Lift &Angle:", form.AngleComboBox()},
        {"Averaging &Period:", form.PeriodComboBox()},
        {"Settling &Time:", form.SettlingComboBox()},
        {"&Vertical Scale:", form.ScaleComboBox()},
        {"Scope S&weep Time:", form.SweepComboBox()},
        {"Rate &Correction:", form.CalibrationEdit()},
        {"Audio Input &Device:", form.InputDeviceComboBox()},
        {"Digital &Filtering:", form.FilteringComboBox()}};
    std::map<QString, QWidget*> found;
    for (QLabel* label : form.findChildren<QLabel*>())
        if (label->buddy())
            found[label->text()] = label->buddy();
    EXPECT_EQ(found, captions);

    QStringList titles;
    for (QGroupBox* group : form.findChildren<QGroupBox*>())
        titles << group->title();
    titles.sort();
    EXPECT_EQ(titles, QStringList({" Display Settings ", " Other Settings ", " Test Settings ",
                                   " Watch Parameters "}));
}

TEST_F(SettingsFormTest, NothingIsClippedOrOutside) {
    form_->SetHost(host_);
    Show();
    const QRect client = form_->rect();
    for (QWidget* widget : form_->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->parentWidget() == nullptr ||
            qobject_cast<QLineEdit*>(widget) != nullptr) // editors inside the lists
            continue;
        const QRect inDialog(widget->mapTo(form_.get(), QPoint(0, 0)), widget->size());
        EXPECT_TRUE(client.contains(inDialog)) << widget->metaObject()->className();
        if (qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget)) {
            const QString text = qobject_cast<QLabel*>(widget)
                                     ? qobject_cast<QLabel*>(widget)->text()
                                     : qobject_cast<QAbstractButton*>(widget)->text();
            EXPECT_GE(widget->width(), widget->minimumSizeHint().width()) << text.toStdString();
            EXPECT_GE(widget->height(), widget->minimumSizeHint().height()) << text.toStdString();
        }
    }
}

TEST_F(SettingsFormTest, AccessKeysReachTheirControls) {
    Show();
    const std::pair<Qt::Key, QWidget*> fields[] = {
        {Qt::Key_R, form_->RateComboBox()},     {Qt::Key_A, form_->AngleComboBox()},
        {Qt::Key_P, form_->PeriodComboBox()},   {Qt::Key_T, form_->SettlingComboBox()},
        {Qt::Key_V, form_->ScaleComboBox()},    {Qt::Key_W, form_->SweepComboBox()},
        {Qt::Key_C, form_->CalibrationEdit()},  {Qt::Key_D, form_->InputDeviceComboBox()},
        {Qt::Key_F, form_->FilteringComboBox()}};
    for (const auto& [key, field] : fields) {
        QTest::keyClick(form_.get(), key, Qt::AltModifier);
        QCoreApplication::processEvents();
        EXPECT_EQ(FocusedField(), field) << QKeySequence(key).toString().toStdString();
    }
    QTest::keyClick(form_.get(), Qt::Key_E, Qt::AltModifier);
    QTest::qWait(250); // a mnemonic presses its button with a short animation
    EXPECT_TRUE(form_->PauseCheckBox()->isChecked());
    QTest::keyClick(form_.get(), Qt::Key_M, Qt::AltModifier);
    QTest::qWait(250); // a mnemonic presses its button with a short animation
    EXPECT_TRUE(form_->ManualCheckBox()->isChecked());
    QTest::keyClick(form_.get(), Qt::Key_O, Qt::AltModifier);
    QTest::qWait(250); // a mnemonic presses its button with a short animation
    EXPECT_TRUE(form_->PlotRawCheckBox()->isChecked());
    EXPECT_FALSE(form_->ScaleComboBox()->isEnabled());
    QTest::keyClick(form_.get(), Qt::Key_B, Qt::AltModifier);
    QTest::qWait(250); // a mnemonic presses its button with a short animation
    EXPECT_EQ(aboutCalls_, 1);
    EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(SettingsFormTest, LeavingAFieldChecksIt) {
    Show();
    Focus(form_->RateComboBox());
    form_->RateComboBox()->setCurrentText("auto");
    Focus(form_->AngleComboBox());
    ASSERT_EQ(NewTexts(), std::vector<std::string>{kRateMessage});
    EXPECT_EQ(dialogs_.Messages()[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs_.Messages()[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(FocusedField(), form_->RateComboBox());
    EXPECT_FALSE(form_->AllPassed());
    EXPECT_EQ(form_->RateComboBox()->currentText(), "auto"); // the refused text stays

    form_->RateComboBox()->setCurrentText("AUTO");
    Focus(form_->AngleComboBox());
    EXPECT_TRUE(NewTexts().empty());
    EXPECT_TRUE(form_->AllPassed());

    form_->AngleComboBox()->setCurrentText("abc");
    Focus(form_->CalibrationEdit());
    EXPECT_EQ(dialogs_.Messages().back().text, kAngleMessage);
    EXPECT_EQ(FocusedField(), form_->AngleComboBox());
}

TEST_F(SettingsFormTest, ShortSettlingTimeWarnsWithoutHoldingTheFocus) {
    Show();
    form_->RateComboBox()->setCurrentText("300");
    Focus(form_->SettlingComboBox());
    NewTexts();
    Focus(form_->ScaleComboBox());
    EXPECT_EQ(NewTexts(), std::vector<std::string>{kShortSettling});
    EXPECT_EQ(FocusedField(), form_->ScaleComboBox());

    // With AUTO the same settling time passes silently.
    form_->RateComboBox()->setCurrentText("AUTO");
    Focus(form_->SettlingComboBox());
    Focus(form_->ScaleComboBox());
    EXPECT_TRUE(NewTexts().empty());
}

TEST_F(SettingsFormTest, OkWithAShortSettlingTimeWarnsOnceClosesAndSaves) {
    Show();
    form_->RateComboBox()->setCurrentText("300");
    form_->OKButtonClick();
    EXPECT_EQ(NewTexts(), std::vector<std::string>{kShortSettling});
    EXPECT_FALSE(form_->isVisible());
    const std::string bytes = FileBytes();
    EXPECT_EQ(bytes.substr(0, 5), "300\r\n");
    tickora::SettingsValues values;
    tickora::ParseSettingsFile(bytes, values);
    EXPECT_EQ(values.Settling, "5");
}

TEST_F(SettingsFormTest, OkWithARefusedValueSavesNothingAndStaysOpen) {
    Show();
    form_->CalibrationEdit()->setText("1500.5");
    form_->SweepComboBox()->setCurrentText("1/11");
    form_->OKButtonClick();
    EXPECT_EQ(NewTexts(),
              std::vector<std::string>{"Invalid time correction. Please enter a correction "
                                       "between -1500 and +1500 seconds/day."});
    EXPECT_TRUE(form_->isVisible());
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_EQ(FocusedField(), form_->CalibrationEdit());

    // Nor does the close box close it.
    NewTexts();
    EXPECT_FALSE(form_->close());
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(NewTexts().size(), 1u);

    form_->CalibrationEdit()->setText("1500");
    form_->SweepComboBox()->setCurrentText("1/10");
    EXPECT_TRUE(form_->close());
    EXPECT_FALSE(fs::exists(path_)); // only OK saves
}

TEST_F(SettingsFormTest, ClickingOkWithARefusedValueShowsItsMessageOnce) {
    Show();
    Focus(form_->AngleComboBox());
    form_->AngleComboBox()->setCurrentText("71");
    QTest::mouseClick(form_->OKButton(), Qt::LeftButton);
    EXPECT_EQ(NewTexts(), std::vector<std::string>{kAngleMessage});
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(FocusedField(), form_->AngleComboBox());

    // Clicking Cancel puts the value back without a word about it.
    NewTexts();
    QTest::mouseClick(form_->CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(NewTexts().empty());
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(form_->AngleComboBox()->currentText(), "52");
}

TEST_F(SettingsFormTest, CentredOnTheMainWindow) {
    QWidget mainWindow;
    mainWindow.setGeometry(100, 80, 900, 700);
    mainWindow.show();
    TSettingsForm form(dialogs_, host_, &mainWindow);
    form.SetFilePath(path_);
    form.show();
    QCoreApplication::processEvents();
    const QPoint offset = form.frameGeometry().center() - mainWindow.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
    EXPECT_TRUE(form.isWindow());
}

TEST_F(SettingsFormTest, EnterInAListPressesOk) {
    Show();
    Focus(form_->PeriodComboBox());
    form_->PeriodComboBox()->setCurrentText("60");
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(form_->PeriodComboBox()->lineEdit(), &press);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_TRUE(fs::exists(path_));
    EXPECT_EQ(form_->PeriodComboBox()->count(), 9); // a typed value is not added to the list
}

TEST_F(SettingsFormTest, CancelPutsTheSavedValuesBack) {
    form_->AngleComboBox()->setCurrentText("44");
    ASSERT_TRUE(form_->SaveSettings());
    Show();
    form_->AngleComboBox()->setCurrentText("abc");
    form_->PlotRawCheckBox()->setChecked(true);
    form_->CancelButtonClick();
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(form_->AngleComboBox()->currentText(), "44");
    EXPECT_FALSE(form_->PlotRawCheckBox()->isChecked());
    EXPECT_TRUE(dialogs_.Messages().empty());
}

TEST_F(SettingsFormTest, CancelWithoutAFileRestoresTheValuesShown) {
    Show();
    form_->AngleComboBox()->setCurrentText("abc");
    form_->RateComboBox()->setCurrentText("28800");
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(form_.get(), &escape);
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(form_->AngleComboBox()->currentText(), "52");
    EXPECT_EQ(form_->RateComboBox()->currentText(), "AUTO");
    EXPECT_TRUE(dialogs_.Messages().empty());
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(SettingsFormTest, CancelWithARefusedSavedValueKeepsTheDialogOpen) {
    WriteFile("AUTO\r\n99\r\n");
    form_->LoadSettings();
    Show();
    form_->CancelButtonClick();
    EXPECT_EQ(NewTexts(), std::vector<std::string>{kAngleMessage});
    EXPECT_TRUE(form_->isVisible());
}

TEST_F(SettingsFormTest, PlotRawSwitchesTheScaleField) {
    EXPECT_TRUE(form_->ScaleComboBox()->isEnabled());
    form_->PlotRawCheckBox()->setChecked(true);
    EXPECT_FALSE(form_->ScaleComboBox()->isEnabled());
    form_->PlotRawCheckBox()->setChecked(false);
    EXPECT_TRUE(form_->ScaleComboBox()->isEnabled());

    WriteFile("AUTO\r\n52\r\n20\r\n10\r\n0\r\n1\r\nFALSE\r\n5\r\nTRUE\r\n");
    form_->LoadSettings();
    EXPECT_TRUE(form_->PlotRawCheckBox()->isChecked());
    EXPECT_FALSE(form_->ScaleComboBox()->isEnabled());
}

TEST_F(SettingsFormTest, ClearPages) {
    Show();
    EXPECT_FALSE(form_->ClearPagesButton()->isEnabled());
    form_->hide();

    pages_ = 1;
    Show();
    EXPECT_TRUE(form_->ClearPagesButton()->isEnabled());
    dialogs_.QueueMessageAnswer(MessageResult::Cancel);
    form_->ClearPagesButton()->click();
    ASSERT_EQ(NewTexts(), std::vector<std::string>{"Are you sure you want to clear the "
                                                   "trace and timing information?"});
    EXPECT_EQ(dialogs_.Messages()[0].icon, MessageIcon::Question);
    EXPECT_EQ(dialogs_.Messages()[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(clearCalls_, 0);
    EXPECT_TRUE(form_->ClearPagesButton()->isEnabled());

    pages_ = 3;
    dialogs_.QueueMessageAnswer(MessageResult::Ok);
    form_->ClearPagesButton()->click();
    EXPECT_EQ(dialogs_.Messages().back().text,
              "Are you sure you want to clear 3 pages of traces and timing information?");
    EXPECT_EQ(clearCalls_, 1);
    EXPECT_FALSE(form_->ClearPagesButton()->isEnabled());
    EXPECT_TRUE(form_->isVisible());
}

// Help from a program folder laid out as an install: PREFIX/bin holds the program, the
// manual lies in PREFIX/share/tickora/Manual, and a manual beside the program comes first.
TEST_F(SettingsFormTest, HelpOpensTheFirstManualFound) {
    const fs::path prefix = folder_ / "prefix";
    const fs::path bin = prefix / "bin";
    const fs::path installed = prefix / "share" / "tickora" / "Manual" / "index.html";
    const fs::path beside = bin / "Manual" / "index.html";
    const fs::path doc = prefix / "Doc" / "index.html";
    fs::create_directories(bin);
    form_->SetProgramFolder(bin.string());
    // What Help asked to open inside the prefix (a manual installed on this machine at the
    // build's own prefix, tried last, does not count).
    auto opened = [&] {
        std::vector<fs::path> inside;
        for (const std::string& path : dialogs_.OpenedDocuments())
            if (path.rfind(prefix.string(), 0) == 0)
                inside.emplace_back(path);
        return inside;
    };

    form_->HelpButton()->click(); // no manual in the prefix: nothing opened there
    EXPECT_TRUE(opened().empty());
    // (A manual installed on this machine may have opened; if not, a message said so.)
    const std::size_t messagesBefore = dialogs_.Messages().size();

    auto write = [](const fs::path& page) {
        fs::create_directories(page.parent_path());
        std::ofstream(page) << "<html></html>";
    };
    write(installed);
    form_->HelpButton()->click();
    EXPECT_EQ(opened(), std::vector<fs::path>{installed});

    write(doc);
    form_->HelpButton()->click();
    ASSERT_EQ(opened().size(), 2u);
    EXPECT_EQ(opened().back(), doc);

    write(beside);
    form_->HelpButton()->click();
    ASSERT_EQ(opened().size(), 3u);
    EXPECT_EQ(opened().back(), beside);

    // The opener failing goes on to the next manual found, still without a message.
    dialogs_.QueueOpenDocumentResult(false);
    dialogs_.QueueOpenDocumentResult(false);
    form_->HelpButton()->click();
    const std::vector<fs::path> all = opened();
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(std::vector<fs::path>(all.begin() + 3, all.end()),
              (std::vector<fs::path>{beside, doc, installed}));
    EXPECT_EQ(dialogs_.Messages().size(), messagesBefore);
}

// No program opens the manual (a desktop without a web browser): Help says so in an error
// box naming the manual's file, for the user to open by hand.
TEST_F(SettingsFormTest, HelpWithoutABrowserNamesTheManualsFile) {
    const fs::path bin = folder_ / "bin";
    const fs::path beside = bin / "Manual" / "index.html";
    fs::create_directories(beside.parent_path());
    std::ofstream(beside) << "<html></html>";
    form_->SetProgramFolder(bin.string());
    for (int i = 0; i < 8; ++i) // every place Help may try, this machine's install too
        dialogs_.QueueOpenDocumentResult(false);
    form_->HelpButton()->click();
    ASSERT_EQ(dialogs_.Messages().size(), 1u);
    const auto& message = dialogs_.Messages().back();
    EXPECT_EQ(message.icon, platform::MessageIcon::Error);
    EXPECT_EQ(message.buttons, platform::MessageButtons::Ok);
    EXPECT_NE(message.text.find("Unable to open the manual"), std::string::npos) << message.text;
    EXPECT_NE(message.text.find(beside.string()), std::string::npos) << message.text;
}

TEST_F(SettingsFormTest, AboutHidesShowsTheAboutBoxAndCloses) {
    Show();
    form_->AboutButtonClick();
    EXPECT_EQ(aboutCalls_, 1);
    EXPECT_FALSE(aboutShownWhileDialogVisible_);
    EXPECT_FALSE(form_->isVisible());
}

TEST_F(SettingsFormTest, AboutWithARefusedValueIsRefused) {
    Show();
    form_->PeriodComboBox()->setCurrentText("1");
    form_->AboutButtonClick();
    EXPECT_EQ(aboutCalls_, 0);
    EXPECT_TRUE(form_->isVisible());
    EXPECT_EQ(NewTexts(),
              std::vector<std::string>{
                  "Invalid averaging period. Please select a period between 2 and 600 seconds."});
}

TEST_F(SettingsFormTest, StartupLoadOpensTheDialogOnTheRefusedField) {
    WriteFile("28800\r\n52\r\n20\r\n99\r\n");
    QWidget* focusWhenShown = nullptr;
    QTimer::singleShot(0, form_.get(), [&] {
        focusWhenShown = FocusedField(form_.get());
        form_->ScaleComboBox()->setCurrentText("20");
        form_->OKButtonClick();
    });
    form_->StartupLoad();
    EXPECT_EQ(NewTexts(),
              std::vector<std::string>{"Invalid vertical scale. Please select a scale between 1 "
                                       "and 20 dots/millisecond."});
    EXPECT_EQ(focusWhenShown, form_->ScaleComboBox());
    EXPECT_FALSE(form_->isVisible());
    TSettingsRecord record;
    form_->FillRecord(record);
    EXPECT_EQ(record.Rate, 28800);
    EXPECT_EQ(record.Scale, 20);
}

TEST_F(SettingsFormTest, StartupLoadWithGoodValuesShowsNothing) {
    WriteFile("21600\r\n52\r\n20\r\n10\r\n0\r\n1\r\nFALSE\r\n5\r\nFALSE\r\nFALSE\r\n"
              "medium (400hz - 12khz)\r\nline in\r\n 2.00000000000000E+0000\r\n");
    form_->StartupLoad();
    EXPECT_TRUE(dialogs_.Messages().empty());
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(form_->FilteringComboBox()->currentText(), "Medium (400Hz - 12kHz)");
    EXPECT_EQ(form_->InputDeviceComboBox()->currentText(), "Line In");
    TSettingsRecord record;
    form_->FillRecord(record);
    EXPECT_EQ(record.Rate, 21600);
    EXPECT_EQ(record.Filtering, 2);
    EXPECT_EQ(record.InputDevice, 1);
    EXPECT_EQ(record.Gain, 2.0);
}

TEST_F(SettingsFormTest, StoreBackWritesTheGainWithTheControlsTexts) {
    TSettingsRecord record;
    form_->FillRecord(record);
    form_->RateComboBox()->setCurrentText("18000");
    record.Gain = 32.0;
    record.Changed = true;
    form_->StoreBack(record);
    EXPECT_FALSE(record.Changed);
    const std::string bytes = FileBytes();
    EXPECT_EQ(bytes.substr(0, 7), "18000\r\n");
    EXPECT_NE(bytes.find("\r\n 3.20000000000000E+0001\r\n"), std::string::npos);
    form_->FillRecord(record);
    EXPECT_EQ(record.Gain, 32.0);
}

TEST_F(SettingsFormTest, FileErrorsAreShownWithTheSystemsReason) {
    WriteFile("x");
    form_->SetFilePath(path_ + "/Settings.ini"); // under a regular file: cannot be written
    Show();
    form_->OKButtonClick();
    ASSERT_EQ(dialogs_.Messages().size(), 1u);
    EXPECT_EQ(dialogs_.Messages()[0].icon, MessageIcon::Error);
    EXPECT_NE(dialogs_.Messages()[0].text.find(std::strerror(ENOTDIR)), std::string::npos);
    // The values stay in force for this run; the dialog closes as OK does.
    EXPECT_FALSE(form_->isVisible());
    EXPECT_EQ(FileBytes(), "x");
}

} // namespace

namespace {

// The Measure button beside the rate correction: the assistant runs on the input chosen in
// the dialog; its result goes into the field under the field's own check; Cancel leaves the
// field alone.
TEST_F(SettingsFormTest, MeasureButtonPutsTheAssistantsCorrectionIntoTheField) {
    std::optional<double> answer = 4.2951;
    int askedDevice = -99;
    host_.measureCardClock = [&](int device) {
        askedDevice = device;
        return answer;
    };
    form_->SetHost(host_);
    Show();
    form_->InputDeviceComboBox()->setCurrentIndex(2); // "Line In", device 1
    form_->MeasureButton()->click();
    EXPECT_EQ(askedDevice, 1);
    EXPECT_EQ(form_->CalibrationEdit()->text(), "4.30");
    EXPECT_TRUE(NewTexts().empty());

    answer.reset();
    form_->MeasureButton()->click();
    EXPECT_EQ(form_->CalibrationEdit()->text(), "4.30");

    answer = -1712.0; // a card far off: the range check speaks, as for a typed value
    form_->MeasureButton()->click();
    EXPECT_EQ(NewTexts(),
              std::vector<std::string>{"Invalid time correction. Please enter a correction "
                                       "between -1500 and +1500 seconds/day."});
}

} // namespace
