// The settings dialog as a user meets it: that every control carries its setting and its clicks, what
// OK, Enter, Esc, Cancel and the close box write, how edit boxes take text, and the template's places and
// styles.
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <climits>

#include "manager/qt/dialog_controls.h"
#include "manager/qt/first_line_validator.h"
#include "tests/browse/browse_test_support.h"
#include "tests/manager/manager_dlg_fixture.h"
#include "tests/manager/settings_binding_case.h"

using namespace testing_support;
using namespace settings_binding;
using browse_testing::ScriptedChooser;

namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

// Every control once, both ways, and every click that enables or disables others; what the rules make of
// other stored values is tested on the shared form (settings_form_test.cpp).
TEST_F(ManagerDialogTest, EveryControlCarriesItsSettingAndEnterInAnEditBoxSavesThemAll) {
    WriteIni(StoredLines("\n"));
    Open();
    for (const EditCase& edit : kEveryEdit)
        EXPECT_EQ(FieldText(edit.id), edit.stored) << edit.key;
    EXPECT_TRUE(Button(IDC_DETAILED_LOG)->isChecked());
    EXPECT_TRUE(Button(IDC_USE_BACKUP_FOLDER)->isChecked());
    EXPECT_TRUE(Button(IDC_REMOTE_SIGNATURE)->isChecked());
    EXPECT_FALSE(Button(IDC_LOCAL_SIGNATURE)->isChecked());
    EXPECT_TRUE(Control(IDC_LOG_FILE)->isEnabled());
    EXPECT_TRUE(Control(IDC_BACKUP_FOLDER)->isEnabled());
    for (int id : kRemoteControls)
        EXPECT_TRUE(Control(id)->isEnabled()) << id;
    EXPECT_EQ(Ini(), "[General]\n" + StoredLines("\n")) << "showing the dialog wrote the file";

    for (const EditCase& edit : kEveryEdit)
        Edit(edit.id)->setText(QString::fromLatin1(edit.typed));
    // Each click reaches the controls that depend on it at once; the keyboard counts like a click.
    Click(IDC_DETAILED_LOG);
    EXPECT_FALSE(Control(IDC_LOG_FILE)->isEnabled());
    QTest::keyClick(Button(IDC_USE_BACKUP_FOLDER), Qt::Key_Space);
    EXPECT_FALSE(Control(IDC_BACKUP_FOLDER)->isEnabled());
    Click(IDC_LOCAL_SIGNATURE);
    EXPECT_FALSE(Button(IDC_REMOTE_SIGNATURE)->isChecked()) << "the choices exclude each other";
    for (int id : kRemoteControls)
        EXPECT_FALSE(Control(id)->isEnabled()) << id;
    Click(IDC_REMOTE_SIGNATURE);
    EXPECT_FALSE(Button(IDC_LOCAL_SIGNATURE)->isChecked());
    for (int id : kRemoteControls)
        EXPECT_TRUE(Control(id)->isEnabled()) << id;
    Click(IDC_LOCAL_SIGNATURE);

    QTest::keyClick(Edit(IDC_SAMPLING_FREQUENCY), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(Ini(), "[General]\n" + SavedLines("\n"));
}

TEST_F(ManagerDialogTest, TheFocusedHotFolderFieldStartsSelectedSoTypingReplacesIt) {
    Open();
    ASSERT_EQ(QApplication::focusWidget(), Edit(IDC_HOT_FOLDER_PATH));
    EXPECT_EQ(Edit(IDC_HOT_FOLDER_PATH)->selectedText(), "/var/spool/quillcollector");
    QTest::keyClicks(Edit(IDC_HOT_FOLDER_PATH), "/srv/hot");
    EXPECT_EQ(FieldText(IDC_HOT_FOLDER_PATH), "/srv/hot");
}

TEST_F(ManagerDialogTest, ALongValueShowsItsStart) {
    WriteIni("TableName=" + std::string(5000, 't') + "\n");
    Open();
    EXPECT_EQ(Edit(IDC_TABLE_NAME)->text(), QString(4095, 't'));
    EXPECT_EQ(Edit(IDC_TABLE_NAME)->cursorPosition(), 0) << "the start of a value is in view";
}

// As in a Windows single-line edit box, only the first line of pasted text arrives, so every box holds a
// value that OK can write.
TEST_F(ManagerDialogTest, PastedTextKeepsItsFirstLineInEveryEditBoxAndOkWritesIt) {
    WriteIni("DetailedLog=1\nUseBackupFolder=1\nVellumSignType=1\nTableName=BRX.ARC\n");
    Open();
    auto paste = [](QLineEdit* edit, const char* text) {
        QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    };
    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
        edit->selectAll();
        paste(edit, "first line\r\nsecond line\n");
        EXPECT_EQ(edit->text(), "first line") << edit->objectName().toStdString();
        EXPECT_EQ(edit->cursorPosition(), 10);
    }
    QLineEdit* table = Edit(IDC_TABLE_NAME);
    table->setText("BRX.ARC");
    table->setSelection(3, 1);
    paste(table, "_\rVellumSignType=1");  // into the middle, over a selection: the text behind it stays
    EXPECT_EQ(FieldText(IDC_TABLE_NAME), "BRX_ARC");
    paste(table, "\n001");
    EXPECT_EQ(FieldText(IDC_TABLE_NAME), "BRX_ARC");
    table->undo();  // the box never goes back to a text with a line break
    EXPECT_EQ(FieldText(IDC_TABLE_NAME).find_first_of("\r\n"), std::string::npos);
    table->setText("ARC001\nVellumSignType=1");
    EXPECT_EQ(FieldText(IDC_TABLE_NAME), "ARC001");
    QTest::keyClick(table, Qt::Key_End);
    QTest::keyClick(table, Qt::Key_J, Qt::ControlModifier);  // a control key types nothing
    EXPECT_EQ(FieldText(IDC_TABLE_NAME), "ARC001");
    Edit(IDC_CONNECTION_STRING)->selectAll();
    paste(Edit(IDC_CONNECTION_STRING), "Dsn=prod;uid=u\n");

    Click(IDOK);
    EXPECT_FALSE(dialog->isVisible()) << "the save failed";
    EXPECT_TRUE(Has(Ini(), "TableName=ARC001\n")) << Ini();
    EXPECT_TRUE(Has(Ini(), "ConnectionString=Dsn=prod;uid=u\n")) << Ini();
    EXPECT_TRUE(Has(Ini(), "HotFolderPath=first line\n")) << Ini();
}

// A Windows-1252 value edited on Linux: the bytes the user did not touch go back exactly.
TEST_F(ManagerDialogTest, ValuesThatAreNotUtf8ShowOneCharacterPerByteAndKeepTheirBytesWhenEdited) {
    WriteIni(
        "HotFolderPath=c:\\Ablage\\M\xFCller\nSealwright=/opt/M\xFCller/sign\nTableName=ARC\xE4\x80\n"
        "ConnectionString=Dsn=T\xC3\xABst\n");
    ScriptedChooser chooser;
    Open();
    EXPECT_EQ(Edit(IDC_HOT_FOLDER_PATH)->text(), QString::fromLatin1("c:\\Ablage\\M\xFCller"));
    EXPECT_EQ(Edit(IDC_CONNECTION_STRING)->text(), QString::fromUtf8("Dsn=T\xC3\xABst"));
    Edit(IDC_HOT_FOLDER_PATH)->setFocus();
    QTest::keyClick(Edit(IDC_HOT_FOLDER_PATH), Qt::Key_End);
    QTest::keyClicks(Edit(IDC_HOT_FOLDER_PATH), "2");
    QTest::keyClick(Edit(IDC_TABLE_NAME), Qt::Key_Home);
    QTest::keyClick(Edit(IDC_TABLE_NAME), Qt::Key_Delete);
    Edit(IDC_TABLE_NAME)->insert(QString::fromUtf8("\xE2\x82\xAC"));  // beyond Latin-1: its UTF-8 bytes
    QTest::keyClick(Edit(IDC_CONNECTION_STRING), Qt::Key_End);
    QTest::keyClicks(Edit(IDC_CONNECTION_STRING), "2");
    chooser.files = QStringList{QString::fromUtf8("/opt/J\xC3\xBCrgen/Sealwright")};  // a name on disk
    Click(IDC_BROWSE_SEALWRIGHT);
    Click(IDOK);
    const std::string ini = Ini();
    EXPECT_TRUE(Has(ini, "HotFolderPath=c:\\Ablage\\M\xFCller2\n")) << ini;
    EXPECT_TRUE(Has(ini,
                    "TableName=\xE2\x82\xAC"
                    "RC\xE4\x80\n"))
        << ini;
    EXPECT_TRUE(Has(ini, "ConnectionString=Dsn=T\xC3\xABst2\n")) << ini;
    EXPECT_TRUE(Has(ini, "Sealwright=/opt/J\xC3\xBCrgen/Sealwright\n")) << ini;
}

TEST_F(ManagerDialogTest, EveryValueGoesBackByteForByte) {
    Open();
    DialogControls controls(dialog.get());
    const std::pair<std::string, TextForm> values[] = {
        {"plain", TextForm::Utf8},
        {"\xEF\xBB\xBF"
         "bom kept",
         TextForm::Utf8},
        {"four bytes \xF0\x9F\x98\x80", TextForm::Utf8},
        {"Windows-1252 \xE9\xFC", TextForm::Latin1},
        {"cut inside a character \xC3", TextForm::Latin1},
        {"overlong \xC0\xAF", TextForm::Latin1},
        {"surrogate \xED\xA0\x80", TextForm::Latin1},
        {"beyond U+10FFFF \xF4\x90\x80\x80", TextForm::Latin1},
        {"C1 \xC2\x85 and DEL \x7F", TextForm::Utf8},
    };
    for (const auto& [bytes, form] : values) {
        EXPECT_EQ(FormOf(bytes), form) << bytes;
        controls.SetText(IDC_TABLE_NAME, bytes);
        EXPECT_EQ(controls.Text(IDC_TABLE_NAME), bytes);
        const QString shown = Edit(IDC_TABLE_NAME)->text();
        if (form == TextForm::Latin1)
            EXPECT_EQ(shown, QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
        else
            EXPECT_EQ(shown.toUtf8().toStdString(), bytes);
    }
}

TEST_F(ManagerDialogTest, EscCancelAndTheCloseBoxWriteNothing) {
    const std::string before = "[General]\nSamplingFrequency=100\n";
    WriteIni("SamplingFrequency=100\n");
    Open();
    Edit(IDC_SAMPLING_FREQUENCY)->setText("7");
    QTest::keyClick(Edit(IDC_SAMPLING_FREQUENCY), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);

    Open();
    Edit(IDC_TABLE_NAME)->setText("T");
    Click(IDCANCEL);
    EXPECT_FALSE(dialog->isVisible());

    Open();
    Edit(IDC_TABLE_NAME)->setText("T");
    dialog->close();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(Ini(), before);
}

TEST_F(ManagerDialogTest, ControlsSitWhereTheTemplatePutsThemInDialogUnits) {
    Open();
    EXPECT_EQ(dialog->windowTitle(), "QuillCollectorManager");
    EXPECT_EQ(dialog->size(), QSize(465, 522));  // 310 x 321 units at 6 x 13
    EXPECT_EQ(Edit(IDC_HOT_FOLDER_PATH)->geometry(), QRect(156, 29, 257, 20));
    EXPECT_EQ(Control(IDOK)->geometry(), QRect(380, 484, 75, 26));
    EXPECT_EQ(Control(IDC_LOG_FILE_LABEL)->geometry(), QRect(24, 143, 125, 13));
    // A text wider than its place widens its control to the right, as far as the row has room.
    for (int id :
         {IDC_SAMPLING_FREQUENCY_LABEL, IDC_DETAILED_LOG, IDC_USE_BACKUP_FOLDER, IDC_REMOTE_SIGNATURE}) {
        QWidget* control = Control(id);
        EXPECT_GE(control->width(), control->sizeHint().width()) << id;
    }
    const QRect remote = Control(IDC_REMOTE_SIGNATURE)->geometry();
    EXPECT_EQ(QRect(remote.topLeft(), QSize(204, remote.height())), QRect(23, 273, 204, 16));
    EXPECT_LE(Control(IDC_SAMPLING_FREQUENCY_LABEL)->geometry().right(), Edit(IDC_SAMPLING_FREQUENCY)->x());
    auto* group = FindControl<QGroupBox>(dialog.get(), IDC_STATIC);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->geometry(), QRect(9, 11, 446, 464));
    EXPECT_EQ(group->title(), "");
    EXPECT_EQ(FindControl<QLabel>(dialog.get(), IDC_LOG_FILE_LABEL)->text(), "Log File:");
    EXPECT_EQ(Button(IDC_USE_BACKUP_FOLDER)->text(),
              "Move processed files to backup folder instead of deleting them:");
}

TEST_F(ManagerDialogTest, TabOrderIsTheTemplateOrderWithoutTheChoices) {
    Open();
    std::vector<int> tabOrder;
    for (QWidget* w = dialog->nextInFocusChain(); w != dialog.get(); w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus) tabOrder.push_back(w->objectName().toInt());
    EXPECT_EQ(tabOrder, (std::vector<int>{1000, 1001, 1007, 1003, 1021, 1009, 1010, 3,    2,    1,
                                          1014, 1015, 1012, 1006, 1016, 1020, 1026, 1028, 1023, 1029}));
}

TEST_F(ManagerDialogTest, StylesOfTheControls) {
    Open();
    EXPECT_FALSE(dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(dialog->windowFlags() & Qt::WindowType_Mask, Qt::Window);  // shown in the task bar
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
        EXPECT_EQ(edit->maxLength(), INT_MAX) << edit->objectName().toStdString();
        EXPECT_NE(dynamic_cast<const FirstLineValidator*>(edit->validator()), nullptr);  // nothing else
        EXPECT_TRUE(edit->inputMask().isEmpty());
        EXPECT_TRUE(edit->hasFrame());
    }
    for (QCheckBox* box : dialog->findChildren<QCheckBox*>())
        EXPECT_FALSE(box->isTristate());
    for (QRadioButton* radio : dialog->findChildren<QRadioButton*>())
        EXPECT_TRUE(radio->autoExclusive());
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        EXPECT_EQ(button->isDefault(), button->objectName() == "1") << button->objectName().toStdString();

    // Typed text is not limited, also in the number fields.
    Edit(IDC_PORT)->setEnabled(true);
    QTest::keyClicks(Edit(IDC_PORT), "80a");
    Edit(IDC_SAMPLING_FREQUENCY)->setText(QString(40000, '9'));
    Click(IDOK);
    EXPECT_TRUE(Has(Ini(), "VellumPort=80a\n"));
    EXPECT_TRUE(Has(Ini(), "SamplingFrequency=" + std::string(40000, '9') + "\n"));
}
