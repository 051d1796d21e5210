#pragma once

#include <QString>

class QWidget;
class QComboBox;

// Placeholder texts on widgets. The raw text ("${tips}") is kept beside the shown one so that a
// language switch can resolve every text on screen again.
namespace tolva::kit {

QString Resolve(const QString& raw);

// Shows raw (resolved) on a label, button, edit, group box or window title; false when it
// already showed it, so nothing was rewritten.
bool SetWidgetText(QWidget* widget, const QString& raw);
// The text as last given, unless the user has typed over it since; then what is shown.
QString WidgetRawText(const QWidget* widget);
QString WidgetShownText(const QWidget* widget);
void SetWindowTitleText(QWidget* window, const QString& raw);
void SetToolTipText(QWidget* widget, const QString& raw);

// Combo items keep their raw text and their name beside the shown text.
void AddComboItem(QComboBox* combo, const QString& name, const QString& raw);
void SetComboItemText(QComboBox* combo, int index, const QString& raw);
QString ComboItemRawText(const QComboBox* combo, int index);
QString ComboItemName(const QComboBox* combo, int index);

// Resolves every placeholder of root and its descendants again.
void RetranslateTree(QWidget* root);

// The toolkit's own texts (the file dialogs, an edit box's menu) in Chinese or English, where
// the system has Qt's translations; false when it has none for Chinese.
bool FollowToolkitLanguage(bool chinese);

}  // namespace tolva::kit
