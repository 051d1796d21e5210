// The message dialogs, driven by clicks and keys on their real widgets while they run modally.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "base/language_tables.h"
#include "base/version.h"
#include "test_languages.h"
#include "ui/windows/about_wnd.h"
#include "ui/kit/api/message_types.h"
#include "ui/kit/widgets/sbutton.h"
#include "ui/main/main_wnd.h"
#include "ui/windows/msg_wnd.h"
#include "ui/windows/window_dialogs.h"

namespace kit = tolva::kit;

namespace {

using tolva::kit::CSButtonUI;
using tolva::ui::AboutInfo;
using tolva::ui::CAboutWnd;
using tolva::ui::ShowAboutDialog;
using tolva::ui::ShowCheckDialog;
using tolva::ui::ShowChoiceDialog;
using tolva::ui::ShowMessageBox;
using tolva::ui::ShowMessageDialog;
using tolva::ui::ShowNameDialog;
using tolva::ui::WindowDialogs;

// Runs act on the modal dialog once it is up; closes it with 99 if act left it open, so a test
// can never hang.
void WhenOpen(std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    act(*dialog);
    QTimer::singleShot(0, [dialog = QPointer<QDialog>(dialog)] {
      if (dialog && dialog->isVisible()) dialog->done(99);
    });
  });
}

void Click(QDialog& dialog, const char* name) {
  auto* w = dialog.findChild<QWidget*>(name);
  ASSERT_NE(w, nullptr) << name;
  QTest::mouseClick(w, Qt::LeftButton);
}

bool Shown(QDialog& dialog, const char* name) {
  auto* w = dialog.findChild<QWidget*>(name);
  return w != nullptr && w->isVisibleTo(&dialog);
}

class Dialogs : public ::testing::Test {
 protected:
  ScopedLanguage language_{"en"};
  QWidget owner_;
};

TEST_F(Dialogs, MessageDialogResults) {
  for (const auto& [button, result] :
       {std::pair{"confirm_btn", kit::kResultConfirm}, std::pair{"cancel_btn", kit::kResultCancel},
        std::pair{"closebtn", kit::kResultCancel}}) {
    WhenOpen([button = button](QDialog& d) { Click(d, button); });
    EXPECT_EQ(ShowMessageDialog(&owner_, "${tips}", "${device_reboot}"), result) << button;
  }
  QString title, text;
  bool third_shown = true;
  WhenOpen([&](QDialog& d) {
    title = d.findChild<QLabel*>("MessageTitle")->text();
    text = d.findChild<QLabel*>("MessageText")->text();
    third_shown = Shown(d, "third_btn");
    EXPECT_EQ(d.objectName(), "msgwnd");
    Click(d, "confirm_btn");
  });
  ShowMessageDialog(&owner_, "${tips}", "${device_reboot}");
  EXPECT_EQ(title, "Notice");
  EXPECT_EQ(text, "The unit restarts with its factory settings.");
  EXPECT_FALSE(third_shown);
}

TEST_F(Dialogs, ChoiceDialogShowsAsManyButtonsAsTexts) {
  WhenOpen([](QDialog& d) {
    EXPECT_TRUE(Shown(d, "confirm_btn"));
    EXPECT_FALSE(Shown(d, "cancel_btn"));
    EXPECT_FALSE(Shown(d, "third_btn"));
    EXPECT_EQ(d.findChild<CSButtonUI*>("confirm_btn")->text(), "OK");
    Click(d, "confirm_btn");
  });
  EXPECT_EQ(ShowChoiceDialog(&owner_, "${tips}", "x", {"${confirm}"}), 1);
  WhenOpen([](QDialog& d) {
    EXPECT_TRUE(Shown(d, "cancel_btn"));
    EXPECT_TRUE(Shown(d, "third_btn"));
    EXPECT_EQ(d.findChild<CSButtonUI*>("third_btn")->text(), "Empty");
    Click(d, "third_btn");
  });
  EXPECT_EQ(ShowChoiceDialog(&owner_, "${tips}", "x", {"${default}", "${cancel}", "${empty}"}),
            kit::kResultThird);
}

TEST_F(Dialogs, EmptyTitleAndTextKeepTheLayoutsOwn) {
  QString title;
  WhenOpen([&](QDialog& d) {
    title = d.findChild<QLabel*>("MessageTitle")->text();
    Click(d, "cancel_btn");
  });
  ShowMessageDialog(&owner_, "", "");
  EXPECT_EQ(title, "Notice");
}

// A question whose first line wraps only in the theme's larger font still shows its last line.
TEST_F(Dialogs, AWrappedQuestionKeepsItsLastLineAtALargeScale) {
  CMainWnd owner;
  owner.SetDisplayScale(150);
  WhenOpen([](QDialog& d) {
    auto* text = d.findChild<QLabel*>(QStringLiteral("MessageText"));
    ASSERT_NE(text, nullptr);
    EXPECT_GE(text->height(), text->heightForWidth(text->width()));
    // Nor a band of empty lines around it.
    const auto* scroll = d.findChild<QWidget*>(QStringLiteral("message_scroll"));
    EXPECT_LE(scroll->height(),
              text->heightForWidth(text->width()) + text->fontMetrics().lineSpacing());
  });
  ShowChoiceDialog(&owner, "${tips}",
                   "This change leaves a tweeter without a high-pass of at least 1 kHz:\n"
                   "output 1 (Front Left Tweeter)\nBass can destroy a tweeter. Send it anyway?",
                   {"${confirm}", "${cancel}"});
}

TEST_F(Dialogs, CheckDialogNeedsAChoiceAndReportsWhichOne) {
  WhenOpen([](QDialog& d) {
    Click(d, "confirm_btn");  // nothing selected: stays open
    EXPECT_TRUE(d.isVisible());
    Click(d, "check_box_0");
    Click(d, "check_box_1");  // the choices exclude each other
    EXPECT_FALSE(d.findChild<CSButtonUI*>("check_box_0")->IsSelected());
    Click(d, "confirm_btn");
  });
  EXPECT_EQ(
      ShowCheckDialog(&owner_, "${tips}", "x", "${copy_left_to_right}", "${copy_right_to_left}"),
      2);
  WhenOpen([](QDialog& d) {
    EXPECT_EQ(d.findChild<CSButtonUI*>("check_box_0")->text(), "Copy left to right");
    Click(d, "check_box_0");
    Click(d, "confirm_btn");
  });
  EXPECT_EQ(
      ShowCheckDialog(&owner_, "${tips}", "x", "${copy_left_to_right}", "${copy_right_to_left}"),
      1);
  WhenOpen([](QDialog& d) {
    Click(d, "check_box_0");
    Click(d, "cancel_btn");
  });
  EXPECT_EQ(ShowCheckDialog(&owner_, "${tips}", "x", "a", ""), 0);
}

TEST_F(Dialogs, NameDialogReturnAcceptsLikeConfirm) {
  QString name = QStringLiteral("Scene");
  WhenOpen([](QDialog& d) {
    auto* edit = d.findChild<QLineEdit*>("name_edt");
    EXPECT_EQ(edit->text(), "Scene");
    EXPECT_EQ(d.focusWidget(), edit);
    QTest::keyClicks(edit, "Bass");  // replaces the selected initial text
    QTest::keyClick(edit, Qt::Key_Return);
  });
  EXPECT_EQ(ShowNameDialog(&owner_, name), kit::kResultConfirm);
  EXPECT_EQ(name, "Bass");
  WhenOpen([](QDialog& d) {
    EXPECT_EQ(d.findChild<QLabel*>("MessageTitle")->text(), "Name the Scene");
    QTest::keyClicks(d.findChild<QLineEdit*>("name_edt"), "Long scene name");
    Click(d, "confirm_btn");
  });
  EXPECT_EQ(ShowNameDialog(&owner_, name), 1);
  EXPECT_EQ(name, "Long sc") << "the name the unit keeps";
  for (const auto& [button, result] :
       {std::pair{"cancel_btn", 0}, std::pair{"closebtn", 0}, std::pair{"third_btn", 2}}) {
    WhenOpen([button = button](QDialog& d) {
      QTest::keyClicks(d.findChild<QLineEdit*>("name_edt"), "zzz");
      if (QString(button) == "third_btn") d.findChild<QWidget*>("third_btn")->show();
      Click(d, button);
    });
    EXPECT_EQ(ShowNameDialog(&owner_, name), result);
    EXPECT_EQ(name, "Long sc") << "kept on " << button;
  }
}

// A name the unit would keep otherwise than typed is said while typing, with the name it keeps,
// and that is the name given back.
TEST_F(Dialogs, NameDialogSaysWhatTheUnitKeepsOfTheName) {
  const QString note_cut = QString::fromUtf8("The unit keeps 7 characters: the name will be “%1”.");
  const QString note_lacks =
      QString::fromUtf8("The unit cannot store every character of it: the name will be “%1”.");
  const struct {
    QString typed;
    QString kept;
    QString note;  // empty: the limit, quietly
  } cases[] = {
      {QStringLiteral("Bass 2"), QStringLiteral("Bass 2"), QString()},
      {QStringLiteral("Doors loud"), QStringLiteral("Doors l"), note_cut},
      {QStringLiteral("场景一二三四五六"), QStringLiteral("场景一二三四五"), note_cut},
      // A character of two UTF-16 units that does not fit whole is left out, not split.
      {QString::fromUtf8("abcdef\xF0\x9F\x8E\xB5"), QStringLiteral("abcdef"), note_cut},
      // GBK has no emoji: the unit stores "?".
      {QString::fromUtf8("ab\xF0\x9F\x8E\xB5"), QStringLiteral("ab?"), note_lacks},
  };
  for (const auto& c : cases) {
    QString name = QStringLiteral("Old");
    QString note;
    QString role;
    WhenOpen([&](QDialog& d) {
      d.findChild<QLineEdit*>("name_edt")->setText(c.typed);  // typed or pasted
      const auto* label = d.findChild<QLabel*>("name_note");
      note = label->text();
      role = label->property("role").toString();
      Click(d, "confirm_btn");
    });
    EXPECT_EQ(ShowNameDialog(&owner_, name), 1);
    EXPECT_EQ(name, c.kept) << c.typed.toStdString();
    if (c.note.isEmpty()) {
      EXPECT_EQ(note, "At most 7 characters.");
      EXPECT_EQ(role, "hint");
    } else {
      EXPECT_EQ(note, c.note.arg(c.kept)) << c.typed.toStdString();
      EXPECT_EQ(role, "warning");
    }
  }
}

TEST_F(Dialogs, AboutTextsWithAndWithoutAUnit) {
  EXPECT_EQ(CAboutWnd::FirmwareText(AboutInfo{}), "tolva dsp not connected");
  EXPECT_EQ(CAboutWnd::FirmwareText(AboutInfo{19, 1, 3}), "tolva dsp firmware v1.3");
  // The version CMake's project() names.
  const QString software = QStringLiteral("Software v") + QLatin1String(tolva::kVersion);
  EXPECT_EQ(CAboutWnd::SoftwareText(), software);
  QString shown;
  WhenOpen([&](QDialog& d) {
    shown = d.findChild<QLabel*>("fw_version")->text() + "|" +
            d.findChild<QLabel*>("soft_version")->text();
    Click(d, "closebtn");
  });
  EXPECT_EQ(ShowAboutDialog(&owner_, AboutInfo{19, 2, 0}), 0);
  EXPECT_EQ(shown, "tolva dsp firmware v2.0|" + software);
}

TEST_F(Dialogs, LogicInterfaceAndTipsBoxes) {
  WindowDialogs dialogs(&owner_);
  WhenOpen([](QDialog& d) { Click(d, "third_btn"); });
  EXPECT_EQ(dialogs.ShowChoiceDialog("${tips}", "${empty_output_tips}",
                                     {"${default}", "${cancel}", "${emptied}"}),
            2);
  std::string name = "场景";
  WhenOpen([](QDialog& d) {
    d.findChild<QLineEdit*>("name_edt")->setText(QStringLiteral("低音"));  // typed by an IME
    QTest::keyClick(d.findChild<QLineEdit*>("name_edt"), Qt::Key_Return);
  });
  EXPECT_EQ(dialogs.ShowNameDialog(name), 1);
  EXPECT_EQ(name, "低音");
  QString caption;
  WhenOpen([&](QDialog& d) {
    caption = d.windowTitle();
    CMainWnd::CloseOpenTipsBoxes();
  });
  dialogs.ShowMessageBox("${device_reboot}", "${tips}");
  EXPECT_EQ(caption, "Notice") << "found by the resolved caption";
}

// The toolkit's own texts in the file dialogs follow the window's language, both ways.
TEST_F(Dialogs, FileDialogsSpeakTheWindowsLanguage) {
  const std::string dir = TOLVA_SOURCE_DIR "/resources/lan/";
  tolva::LanguageTables& tables = tolva::Languages();
  tables.Clear();
  tables.LoadFile(dir + "lan_cn.xml", tolva::LanguageTables::kChinese);
  tables.LoadFile(dir + "lan_en.xml", tolva::LanguageTables::kEnglish);
  CMainWnd window;
  const auto look_in = [] { return QCoreApplication::translate("QFileDialog", "Look in:"); };
  tables.Select(tolva::LanguageTables::kChinese);
  window.RetranslateAll();
  EXPECT_NE(look_in(), "Look in:") << "Qt's translations (qt6-translations-l10n) missing?";
  tables.Select(tolva::LanguageTables::kEnglish);
  window.RetranslateAll();
  EXPECT_EQ(look_in(), "Look in:");
  tables.Clear();
}

// The plain message box's button is the dialogs' "${confirm}", not the toolkit's English "OK".
TEST_F(Dialogs, MessageBoxButtonSpeaksTheWindowsLanguage) {
  language_.Switch("cn");
  QString button;
  WhenOpen([&](QDialog& d) {
    if (auto* box = qobject_cast<QMessageBox*>(&d)) button = box->button(QMessageBox::Ok)->text();
  });
  ShowMessageBox(&owner_, "${device_reboot}", "${tips}");
  EXPECT_EQ(button, QStringLiteral("确定"));
}

}  // namespace
