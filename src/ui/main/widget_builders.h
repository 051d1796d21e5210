#pragma once

#include <QString>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QSlider;
class QWidget;

namespace tolva::kit {
class CSButtonUI;
}

// Small builders shared by the window layouts: a named control with its user data, its raw
// (placeholder) text and its size at 100 % (-1 leaves a dimension to the layout).
namespace tolva::ui {

inline constexpr int kNoIndex = -1;

kit::CSButtonUI* MakeButton(QWidget* parent, const QString& name, const QString& raw_text,
                            int width, int height, int index = kNoIndex);
// A checkable SButton: an option.
kit::CSButtonUI* MakeOption(QWidget* parent, const QString& name, const QString& raw_text,
                            int width, int height, int index = kNoIndex);
QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QString& raw_text, int width,
                    int height, int index = kNoIndex);
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& raw_text,
                  const char* role = nullptr);
QSlider* MakeSlider(QWidget* parent, const QString& name, bool vertical, int minimum, int maximum,
                    int index = kNoIndex);
QComboBox* MakeCombo(QWidget* parent, const QString& name, int width, int height);
// A band with a progress ring ("progress") beside a wrapping text (tips_name): a run's state.
QFrame* MakeStatusBand(QWidget* parent, const QString& tips_name, const QString& raw_tips);
// "name_%d" with the index.
QString Indexed(const char* format, int index);

}  // namespace tolva::ui
